// Message dialogs. Each call builds its own dialog and waits for it in a
// nested main loop; the dialog is gone when the call returns.
#include "ui/dialogs.h"

#include <gtk/gtk.h>

#include "labels.h"
#include "language.h"
#include "ui/widgets.h"

namespace {

constexpr unsigned int kFirstTableCode = 6;

void QuitNestedLoop(GtkWidget* /*dialog*/, gpointer /*data*/) { gtk_main_quit(); }

void CloseDialog(GtkWidget* /*button*/, gpointer dialog) { gtk_widget_destroy(GTK_WIDGET(dialog)); }

}  // namespace

namespace {

// Shows one message and waits until the dialog is closed. Takes the message.
void ShowMessage(gchar* message, int ownLanguage);

}  // namespace

void DialogWindow(unsigned int code) {
    // Codes 0 to 4, the title and the button follow LANG as it is now; the
    // table messages follow the language chosen at start. Both agree during
    // a run because nothing changes LANG.
    const int ownLanguage = LanguageIndexFor(g_getenv("LANG"));
    const int language = code >= kFirstTableCode ? languageIndex : ownLanguage;
    const bool format = code == kMsgSaveFailed || code == kMsgCalibScreenUnavailable;
    const char* text = format ? nullptr : DialogMessageText(code, language);
    if (text == nullptr) {
        g_warning("DialogWindow: message code %u is not assigned", code);
        return;
    }
    ShowMessage(g_strdup(text), ownLanguage);
}

void SaveFailedDialog(const char* path, const char* reason) {
    const int ownLanguage = LanguageIndexFor(g_getenv("LANG"));
    const char* format = DialogMessageText(kMsgSaveFailed, ownLanguage);
    ShowMessage(g_strdup_printf(format, path, reason), ownLanguage);
}

void CalibScreenDialog(int screen) {
    const int ownLanguage = LanguageIndexFor(g_getenv("LANG"));
    const char* format = DialogMessageText(kMsgCalibScreenUnavailable, ownLanguage);
    ShowMessage(g_strdup_printf(format, screen), ownLanguage);
}

namespace {

void ShowMessage(gchar* message, int ownLanguage) {
    GtkWidget* dialog = gtk_dialog_new();
    gtk_widget_set_name(dialog, kDialogWidgetName);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 5);
    g_signal_connect(dialog, "destroy", G_CALLBACK(QuitNestedLoop), nullptr);
    if (mainWindow != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(mainWindow));
    }
    gtk_window_set_title(GTK_WINDOW(dialog), dialogTitles[ownLanguage]);

    GtkWidget* label = gtk_label_new(message);
    g_object_set(label, "margin", 10, nullptr);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), label, TRUE, TRUE,
                       0);

    // The button keeps its natural width, centred in the button row.
    GtkWidget* button = gtk_button_new_with_label(dialogButtons[ownLanguage]);
    gtk_widget_set_halign(button, GTK_ALIGN_CENTER);
    gtk_widget_set_hexpand(button, TRUE);
    gtk_widget_set_margin_start(button, 5);
    gtk_widget_set_margin_end(button, 5);
    gtk_dialog_add_action_widget(GTK_DIALOG(dialog), button, GTK_RESPONSE_OK);
    g_signal_connect(button, "clicked", G_CALLBACK(CloseDialog), dialog);
    gtk_widget_set_can_default(button, TRUE);
    gtk_widget_grab_default(button);
    gtk_widget_grab_focus(button);

    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_widget_show_all(dialog);

    // Ends when the dialog is destroyed: by its button, by Return (the
    // default button) or by the window manager (GtkDialog destroys itself
    // on delete-event).
    gtk_main();

    g_free(message);
}

}  // namespace
