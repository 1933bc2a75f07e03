// Every text the utility's windows show, in English (column 0) and Japanese
// (column 1). A label table is a pair of null-terminated row lists indexed as
// table[languageIndex][row]; both lists of a table have the same rows.
// Toolkit-free: tests read the tables directly.
#ifndef PANELCONF_LABELS_H
#define PANELCONF_LABELS_H

#include "config/driveroptions.h"
#include "version.h"

using LabelTable = const char* const* const[2];

extern LabelTable windowLabels;             // 6 rows
extern LabelTable mainPageLabels;           // 9 rows
extern LabelTable driverPageLabels;         // 6 rows
extern LabelTable calibrationPageLabels;    // 3 rows
extern LabelTable settingPageLabels;        // 7 rows
extern LabelTable advancedPageLabels;       // 11 rows
extern LabelTable communicationPageLabels;  // 5 rows
extern LabelTable informationPageLabels;    // 5 rows
extern LabelTable productTitleLabels;       // 2 rows
extern LabelTable addScreenLabels;          // 6 rows
extern LabelTable dialogMessages;           // 3 rows (message codes 6, 7, 8)
// Row number = the stored value (products, touchMode, status).
extern LabelTable productNames;    // 4 rows
extern LabelTable touchModeNames;  // 3 rows
extern LabelTable statusBarTexts;  // 3 rows
extern LabelTable statusNames;     // 3 rows

// The rows of each table, by what they label.
enum WindowRow {
    kWindowTitle,
    kWindowScreenNumber,
    kWindowAdd,
    kWindowOk,
    kWindowCancel,
    kWindowApply
};
enum MainPageRow {
    kMainTab,
    kMainConfig,
    kMainPort,
    kMainSpeed,
    kMainProducts,
    kMainSampling,
    kMainFine,
    kMainCoarse,
    kMainCalibration,
};
enum DriverPageRow {
    kDriverTab,
    kDriverStatusFrame,
    kDriverEnable,
    kDriverDisable,
    kDriverUndeclared,
    kDriverChangeStatus,
};
enum CalibrationPageRow { kCalibrationTab, kCalibrationPoints, kCalibrationBorder };
enum SettingPageRow {
    kSettingTab,
    kSettingTouchMode,
    kSettingTapTime,
    kSettingLiftOffTime,
    kSettingStabilize,
    kSettingAveraging,
    kSettingDefault,
};
enum AdvancedPageRow {
    kAdvancedTab,
    kAdvancedBeep,
    kAdvancedRclickFrame,
    kAdvancedRclick,
    kAdvancedHoldDuration,
    kAdvancedShort,
    kAdvancedLong,
    kAdvancedSpatialTolerance,
    kAdvancedSmall,
    kAdvancedLarge,
    kAdvancedDefault,
};
enum CommunicationPageRow {
    kCommunicationTab,
    kCommunicationMode,
    kCommunicationTransmitData,
    kCommunicationTransmit,
    kCommunicationReceiveData,
};
enum InformationPageRow {
    kInformationTab,
    kInformationVersion,
    kInformationDriver,
    kInformationUtility,
    kInformationUnknown,
};
enum ProductTitleRow { kProductTitle, kProductRights };
enum AddScreenRow {
    kAddScreenTitle,
    kAddScreenPrompt,
    kAddScreenSpinLabel,
    kAddScreenAdd,
    kAddScreenCancel,
    kAddScreenSpinName,
};

// Items of the link port combo, row i for portIndex i; null-terminated.
extern const char* const portNames[driveropts::kPortCount + 1];
// The port item that stands for the USB link; the port combo's text is
// compared with it.
constexpr const char* kUsbPortName = "USB(/dev/input/event)";

// Number of rows of a table (both languages have the same).
int LabelRowCount(const LabelTable& table);

// table[languageIndex][row], or "" for a row past the end or a negative one,
// so that no reader walks off a table.
const char* LabelText(const LabelTable& table, int row);

// Same for an explicit language (0 English, 1 Japanese).
const char* LabelTextIn(const LabelTable& table, int language, int row);

// Message dialogs: title and button of the dialog, and the text of a code.
extern const char* const dialogTitles[2];   // "Explanation", "説明"
extern const char* const dialogButtons[2];  // " O K ", " 了 解 "

// Message codes. The caller decides what happens after the dialog closes.
enum MessageCode : unsigned int {
    kMsgRootForAllFunctions = 0,    // not root, driver loaded: controls disabled
    kMsgRootRequiredExit = 1,       // not root, no driver loaded: program exits
    kMsgDriverNotLoaded = 2,        // root, no driver loaded: calibration off
    kMsgCalibrationUnfinished = 3,  // calibration ended without all points
    kMsgRestartForAllSettings = 4,  // Apply while restartNeeded is set
    // 5 is not assigned.
    kMsgNoPortAuthority = 6,            // communication test: port cannot be opened
    kMsgRestartAfterLinkChange = 7,     // communication test after port/speed change
    kMsgRestartAfterProductChange = 8,  // calibration after product change
    kMsgSaveFailed = 9,                 // Apply or OK could not write the file
    kMsgCalibScreenUnavailable = 10,    // the panel's X screen cannot show the targets
};

// Text of message code 0..4 or 6..10 in the given language; nullptr for
// code 5 and codes above 10, which are never assigned. Code 9 is a format
// whose two %s take the configuration file's path and the reason it could not
// be written; code 10 one whose %d takes the screen number.
const char* DialogMessageText(unsigned int code, int language);

#endif
