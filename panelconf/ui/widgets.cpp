#include "ui/widgets.h"

#include "ui/handlerblock.h"

GtkWidget* mainWindow = nullptr;
GtkWidget* screenSpin = nullptr;
GtkWidget* statusBar = nullptr;
guint statusContextId = 0;
GtkWidget* portCombo = nullptr;
GtkWidget* speedCombo = nullptr;
GtkWidget* samplingScale = nullptr;
GtkWidget* calibrationButton = nullptr;
GSList* statusRadioGroup = nullptr;
GtkWidget* changeStatusButton = nullptr;
GSList* calibPointsGroup = nullptr;
GtkWidget* calibPoints4Radio = nullptr;
GtkWidget* calibPoints9Radio = nullptr;
GtkWidget* calibPoints25Radio = nullptr;
GtkWidget* calibBorderSpin = nullptr;
GtkWidget* tapTimeScale = nullptr;
GtkWidget* liftOffScale = nullptr;
GtkWidget* stabilizeScale = nullptr;
GtkWidget* averageScale = nullptr;
GtkWidget* tapTimeValueLabel = nullptr;
GtkWidget* liftOffValueLabel = nullptr;
GtkWidget* stabilizeValueLabel = nullptr;
GtkWidget* averageValueLabel = nullptr;
GtkWidget* beepCheck = nullptr;
GtkWidget* rclickCheck = nullptr;
GtkWidget* holdScale = nullptr;
GtkWidget* spatialScale = nullptr;
GtkWidget* commModeCheck = nullptr;
GtkWidget* transmitEntry = nullptr;
GtkWidget* transmitButton = nullptr;
GtkWidget* receiveList = nullptr;
GtkWidget* applyButton = nullptr;
GtkWidget* okButton = nullptr;

gulong portSelectHid = 0;
gulong speedSelectHid = 0;
gulong samplingHid = 0;
gulong tapTimeHid = 0;
gulong liftOffHid = 0;
gulong stabilizeHid = 0;
gulong averageHid = 0;
gulong beepHid = 0;
gulong rclickHid = 0;
gulong holdHid = 0;
gulong spatialHid = 0;
gulong commModeHid = 0;
gulong productHid = 0;
gulong touchModeHid = 0;
gulong borderHid = 0;
gulong calibPointsToggleHids[3] = {};
gulong statusToggleHids[3] = {};

MainWindowParts mainWindowParts = {};

void AddCalibPointsToggles(HandlersBlocked& quiet) {
    GtkWidget* const radios[3] = {calibPoints4Radio, calibPoints9Radio, calibPoints25Radio};
    for (int i = 0; i < 3; ++i) {
        quiet.Add({radios[i], calibPointsToggleHids[i]});
    }
}

void AddStatusToggles(HandlersBlocked& quiet) {
    for (int i = 0; i < 3; ++i) {
        quiet.Add({mainWindowParts.statusRadios[i], statusToggleHids[i]});
    }
}
