#include "driverlink/calibwatch.h"

#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

#include "driverlink/calibsession.h"

bool CalibWatcher::Start(const DriverSharedBlock* block, int intervalMs) {
    Stop();
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        return false;
    }
    block_ = block;
    intervalMs_ = intervalMs;
    armed_.store(true, std::memory_order_release);
    stopping_.store(false, std::memory_order_release);
    try {
        thread_ = std::thread(&CalibWatcher::Watch, this);
    } catch (const std::system_error&) {
        close(wakeFd_);
        wakeFd_ = -1;
        return false;
    }
    return true;
}

void CalibWatcher::Rearm() {
    uint64_t count = 0;
    ssize_t ignored = read(wakeFd_, &count, sizeof count);  // empty: nothing to take
    (void)ignored;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_.store(true, std::memory_order_release);
    }
    changed_.notify_one();
}

void CalibWatcher::Stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_.store(true, std::memory_order_release);
        }
        changed_.notify_one();
        thread_.join();
    }
    if (wakeFd_ >= 0) {
        close(wakeFd_);
        wakeFd_ = -1;
    }
}

void CalibWatcher::Watch() {
    // Between looks the thread sleeps without the lock, so a look costs one
    // timer wake-up and one load; only a thread that waits for Rearm or Stop
    // waits on the condition.
    const timespec interval{intervalMs_ / 1000, (intervalMs_ % 1000) * 1000000L};
    const auto stopping = [this] { return stopping_.load(std::memory_order_acquire); };
    const auto armed = [this] { return armed_.load(std::memory_order_acquire); };
    while (!stopping()) {
        if (!armed()) {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping() || armed(); });
            continue;  // look at once: the driver may have answered again
        }
        if (CalibDriverAnswered(block_)) {
            armed_.store(false, std::memory_order_release);
            const uint64_t one = 1;
            ssize_t ignored = write(wakeFd_, &one, sizeof one);  // cannot fill up: read each time
            (void)ignored;
            continue;
        }
        nanosleep(&interval, nullptr);
    }
}
