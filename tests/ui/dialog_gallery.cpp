// Shows every message dialog in turn and saves a picture of each, for the
// documentation (scripts/screenshots.sh). Language from LANG as in the
// program itself.
//   dialog_gallery OUTPUT_PREFIX      writes OUTPUT_PREFIX<code>.png
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "ui/dialogs.h"
#include "language.h"

namespace {

std::string prefix;
unsigned int current = 0;

gboolean ShootAndClose(gpointer) {
    for (GList* item = gtk_window_list_toplevels(); item != nullptr; item = item->next) {
        GtkWidget* window = GTK_WIDGET(item->data);
        if (!gtk_widget_get_mapped(window) || !GTK_IS_DIALOG(window)) {
            continue;
        }
        GdkWindow* gdkWindow = gtk_widget_get_window(window);
        GdkPixbuf* picture = gdk_pixbuf_get_from_window(
            gdkWindow, 0, 0, gdk_window_get_width(gdkWindow), gdk_window_get_height(gdkWindow));
        std::string path = prefix + std::to_string(current) + ".png";
        if (picture == nullptr ||
            !gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr)) {
            fprintf(stderr, "dialog_gallery: cannot save %s\n", path.c_str());
        } else {
            printf("%s\n", path.c_str());
        }
        if (picture != nullptr) {
            g_object_unref(picture);
        }
        gtk_widget_destroy(window);
        break;
    }
    return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char* argv[]) {
    setlocale(LC_ALL, "");
    if (argc != 2 || !gtk_init_check(&argc, &argv)) {
        fprintf(stderr, "usage: dialog_gallery OUTPUT_PREFIX (needs a display)\n");
        return 2;
    }
    prefix = argv[1];
    languageIndex = LanguageIndexFor(g_getenv("LANG"));
    const unsigned int codes[] = {0, 1, 2, 3, 4, 6, 7, 8};
    for (unsigned int code : codes) {
        current = code;
        g_timeout_add(700, ShootAndClose, nullptr);
        DialogWindow(code);
    }
    current = kMsgCalibScreenUnavailable;
    g_timeout_add(700, ShootAndClose, nullptr);
    CalibScreenDialog(1);
    return 0;
}
