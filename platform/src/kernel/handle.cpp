// CloseHandle; the handle table, and OpenHandleCount for the host's report.
#include "handle.h"

#include <mutex>
#include <unordered_map>

#include "error.h"
#include "ruvexa_host.h"

namespace host {
namespace {

std::mutex g_mutex;
std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> g_handles;
uintptr_t g_nextHandle = 0x100;

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> lock(g_mutex);
    uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    g_handles.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_handles.find(reinterpret_cast<uintptr_t>(handle));
    return it == g_handles.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_handles.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_handles.end()) return nullptr;
    auto object = std::move(it->second);
    g_handles.erase(it);
    return object;
}

size_t OpenHandleCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_handles.size();
}

}  // namespace host

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    auto object = host::LookupHandle(hObject);
    if (!object) return host::Fail(ERROR_INVALID_HANDLE);
    if (host::ShouldFail(host::Op::CloseHandle)) return FALSE;
    host::UnregisterHandle(hObject);
    return object->Close();
}
