// Volumes that appear later: SetVolumeVisibleAt, IsVolumeVisible, and
// NextVolumeArrival for the host's idle waits. A removable medium (a USB
// disk, a storage card) mounts some time after power-on; until the device
// clock reaches that time its root folder does not exist for any call.
#include <map>
#include <mutex>

#include "casefold.h"
#include "message_loop_hooks.h"
#include "ruvexa_host.h"

namespace host {
namespace {

std::mutex g_mutex;
std::map<std::wstring, DWORD> g_visibleAt;  // by folded volume name

}  // namespace

void SetVolumeVisibleAt(const std::wstring& volumeName, DWORD visibleAtMs) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (visibleAtMs == 0) {
        g_visibleAt.erase(FoldedName(volumeName));
    } else {
        g_visibleAt[FoldedName(volumeName)] = visibleAtMs;
    }
}

bool IsVolumeVisible(const std::wstring& volumeName) {
    DWORD visibleAt = 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_visibleAt.empty()) return true;
        auto it = g_visibleAt.find(FoldedName(volumeName));
        if (it == g_visibleAt.end()) return true;
        visibleAt = it->second;
    }
    return GetTickCount() >= visibleAt;
}

bool NextVolumeArrival(double* atMs) {
    DWORD now = GetTickCount();
    bool pending = false;
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const auto& [volume, visibleAt] : g_visibleAt) {
        if (visibleAt <= now || (pending && visibleAt >= *atMs)) continue;
        *atMs = visibleAt;
        pending = true;
    }
    return pending;
}

}  // namespace host
