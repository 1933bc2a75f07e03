// Measuring a running window from inside: the longest gap of the main loop
// (a heartbeat timer; the longest time between its beats is how long the
// window could not answer) and the process's resident memory.
#ifndef TESTS_SUPPORT_LOOPPROBE_H
#define TESTS_SUPPORT_LOOPPROBE_H

#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

inline long ResidentKiB() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = fopen("/proc/self/statm", "r")) {
        if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class Heartbeat {
public:
    explicit Heartbeat(guint intervalMs) : last_(g_get_monotonic_time()) {
        source_ = g_timeout_add(intervalMs, Beat, this);
    }
    Heartbeat(const Heartbeat&) = delete;
    Heartbeat& operator=(const Heartbeat&) = delete;
    ~Heartbeat() { g_source_remove(source_); }

    // The longest time between two beats so far, in microseconds.
    gint64 LongestUs() const { return longest_; }

private:
    static gboolean Beat(gpointer data) {
        auto* self = static_cast<Heartbeat*>(data);
        const gint64 now = g_get_monotonic_time();
        self->longest_ = std::max(self->longest_, now - self->last_);
        self->last_ = now;
        return G_SOURCE_CONTINUE;
    }

    gint64 last_;
    gint64 longest_ = 0;
    guint source_ = 0;
};

#endif
