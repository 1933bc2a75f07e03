// Loads and stores on the driver block as single accesses the compiler may
// neither cache nor reorder: the other process changes the block behind this
// one's back. Used by the utility and by the driver stand-in alike.
#ifndef PANELCONF_DRIVERLINK_BLOCKACCESS_H
#define PANELCONF_DRIVERLINK_BLOCKACCESS_H

#include <atomic>

template <typename T>
T Load(const T& field) {
    return *static_cast<const volatile T*>(&field);
}

template <typename T, typename V>
void Store(T& field, V value) {
    *static_cast<volatile T*>(&field) = static_cast<T>(value);
}

// Everything written before this reaches the other process before a flag
// written after it.
inline void PublishFence() { std::atomic_thread_fence(std::memory_order_seq_cst); }

#endif
