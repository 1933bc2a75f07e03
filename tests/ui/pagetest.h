// Fixture for the page handler tests: the real window over a loaded, enabled
// device, plus a second attach of the driver's segment through which a test
// reads (and seeds) the block the way the driver sees it.
#ifndef TESTS_UI_PAGETEST_H
#define TESTS_UI_PAGETEST_H

#include <sys/ipc.h>
#include <sys/shm.h>

#include <string>

#include "devicerecord.h"
#include "driverlink/sharedblock.h"
#include "driverlink/sharedmem.h"
#include "guiharness.h"
#include "ui/mainwindow.h"

namespace pagetest {

constexpr const char* kLoadedScreen0 = "Virtual core pointer\nTAVIR TouchPanel0 pointer\n";

class PageTest : public gui::WindowTest {
protected:
    // Builds the window for one enabled, loaded screen-0 section.
    void BuildWith(const char* device, int baud = 9600, const std::string& options = "") {
        UseConfig(Section(0, device, baud, options) + Layout({0}));
        ServeDriver();
        ListDevices(kLoadedScreen0);
        Build();
        ASSERT_NE(driverBlock, nullptr);
        driver = AttachDriverView();
        ASSERT_NE(driver, nullptr);
        // A separate mapping, as the driver has it.
        ASSERT_NE(static_cast<void*>(driver), static_cast<void*>(driverBlock));
    }

    void TearDown() override {
        if (driver != nullptr) {
            shmdt(driver);
            driver = nullptr;
        }
        gui::WindowTest::TearDown();
    }

    // True when a change notice was given since the last ForgetNotice.
    static bool Noticed() {
        return gtk_widget_get_sensitive(applyButton) && gtk_widget_get_sensitive(okButton) &&
               restartNeeded == 1;
    }

    // Puts the notice state back to that of a fresh window.
    static void ForgetNotice() {
        gtk_widget_set_sensitive(applyButton, FALSE);
        gtk_widget_set_sensitive(okButton, FALSE);
        restartNeeded = 0;
    }

    static bool AnythingNoticed() {
        return gtk_widget_get_sensitive(applyButton) || gtk_widget_get_sensitive(okButton) ||
               restartNeeded != 0;
    }

    // What a user's move of a slider does to its adjustment.
    static void MoveTo(GtkWidget* scale, double value) {
        gtk_adjustment_set_value(gtk_range_get_adjustment(GTK_RANGE(scale)), value);
        gui::Flush();
    }

    static void Choose(GtkWidget* combo, int position) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), position);
        gui::Flush();
    }

    // The old toolkit reported a choice of the item already shown; GTK 3
    // does not. This gives the handler that report.
    static void ChooseAgain(GtkWidget* combo) {
        g_signal_emit_by_name(combo, "changed");
        gui::Flush();
    }

    DriverSharedBlock* driver = nullptr;
};

}  // namespace pagetest

#endif
