#include "ui/handlerblock.h"

HandlersBlocked::HandlersBlocked(std::initializer_list<KeptHandler> handlers) {
    for (const KeptHandler& handler : handlers) {
        Add(handler);
    }
}

HandlersBlocked::~HandlersBlocked() {
    for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
        g_signal_handler_unblock(it->instance, it->id);
    }
}

void HandlersBlocked::Add(KeptHandler handler) {
    g_signal_handler_block(handler.instance, handler.id);
    handlers_.push_back(handler);
}

GtkAdjustment* AdjustmentOf(GtkWidget* scale) { return gtk_range_get_adjustment(GTK_RANGE(scale)); }
