// The handle table shared by files, searches and threads.
#pragma once

#include <windows.h>

#include <memory>

namespace host {

// Anything a HANDLE can stand for. Close() runs when the last handle to the
// object is closed; it returns FALSE (with the last error set) on failure.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    virtual BOOL Close() { return TRUE; }
};

// A new handle value for `object`: never null, never INVALID_HANDLE_VALUE.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object behind `handle`, or null for a handle that is not open.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Removes `handle` from the table and returns its object (null if unknown).
std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle);

// How many handles are open now.
size_t OpenHandleCount();

}  // namespace host
