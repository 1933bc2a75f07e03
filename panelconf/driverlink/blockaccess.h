// Loads and stores on the driver block as single accesses the compiler may
// neither cache nor reorder: the other process changes the block behind this
// one's back. Used by the utility and by the driver stand-in alike.
//
// The flags that hand fields over (calState above all) are read with
// LoadAcquire and written with StoreRelease: whatever the writer stored
// before the flag is seen by a reader that has seen the flag, on any
// processor, and the watcher thread's look at calState is no data race with
// the main loop's writes. The block is plain shared memory, so these are the
// compiler's atomic builtins on the field itself, not std::atomic members
// that would change the layout the driver shares.
#ifndef PANELCONF_DRIVERLINK_BLOCKACCESS_H
#define PANELCONF_DRIVERLINK_BLOCKACCESS_H

#include <type_traits>

template <typename T>
T Load(const T& field) {
    return *static_cast<const volatile T*>(&field);
}

template <typename T, typename V>
void Store(T& field, V value) {
    *static_cast<volatile T*>(&field) = static_cast<T>(value);
}

// A flag's load: every later load sees at least what the flag's writer had
// stored before StoreRelease.
template <typename T>
T LoadAcquire(const T& field) {
    static_assert(std::is_integral<T>::value, "flags are integers");
    return __atomic_load_n(&field, __ATOMIC_ACQUIRE);
}

// A flag's store: everything stored before it is visible to whoever loads
// the new value with LoadAcquire.
template <typename T, typename V>
void StoreRelease(T& field, V value) {
    static_assert(std::is_integral<T>::value, "flags are integers");
    __atomic_store_n(&field, static_cast<T>(value), __ATOMIC_RELEASE);
}

#endif
