#include "ui/changenotice.h"

#include "devicerecord.h"
#include "ui/packing.h"
#include "ui/widgets.h"

void SetActiveOkApplayBtn(GtkWidget* /*widget*/, gpointer /*data*/) {
    if (isRoot == 0) {
        return;
    }
    SetSensitive(applyButton, TRUE);
    SetSensitive(okButton, TRUE);
}

void MarkChanged() {
    if (isRoot == 0) {
        return;
    }
    SetActiveOkApplayBtn(nullptr, nullptr);
    restartNeeded = 1;
}

void toggle(GtkWidget* /*widget*/, gpointer /*data*/) { SetSensitive(changeStatusButton, TRUE); }
