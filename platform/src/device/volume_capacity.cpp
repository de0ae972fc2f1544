// SetVolumeCapacity, ForgetVolumeCapacities, VolumeCapacity, VolumeUsedBytes, HasRoomToGrow: a
// volume of a set size. What it holds is counted from the host folder each
// time it is asked, so files put there before the boot, or by another
// process, count as on a real medium. A write that would pass the capacity
// fails whole with ERROR_DISK_FULL and changes nothing.
#include "volume_capacity.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

#include "casefold.h"
#include "error.h"
#include "ruvexa_host.h"

namespace host {
namespace {

std::mutex g_mutex;
std::map<std::wstring, uint64_t> g_capacity;  // by folded volume name

}  // namespace

uint64_t AllocatedSize(uint64_t bytes) { return (bytes + kAllocationUnit - 1) / kAllocationUnit * kAllocationUnit; }

void SetVolumeCapacity(const std::wstring& volumeName, uint64_t bytes) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_capacity[FoldedName(volumeName)] = bytes;
}

void ForgetVolumeCapacities() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_capacity.clear();
}

bool VolumeCapacity(const std::string& volume, uint64_t* capacity) {
    if (volume.empty()) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_capacity.empty()) return false;
    auto it = g_capacity.find(FoldedName(Utf8ToWide(volume)));
    if (it == g_capacity.end()) return false;
    *capacity = it->second;
    return true;
}

uint64_t VolumeUsedBytes(const std::string& volume) {
    namespace fs = std::filesystem;
    uint64_t used = 0;
    std::error_code error;
    fs::recursive_directory_iterator it(fs::path(DeviceRoot()) / volume, error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        const fs::file_status status = it->symlink_status(error);
        if (error) break;
        if (fs::is_directory(status)) {
            used += kAllocationUnit;
        } else if (fs::is_regular_file(status)) {
            used += AllocatedSize(it->file_size(error));
        }
    }
    return used;
}

bool HasRoomToGrow(const std::string& volume, uint64_t oldSize, uint64_t newSize) {
    uint64_t capacity = 0;
    if (newSize <= oldSize || !VolumeCapacity(volume, &capacity)) return true;
    const uint64_t growth = AllocatedSize(newSize) - AllocatedSize(oldSize);
    if (growth == 0 || VolumeUsedBytes(volume) + growth <= capacity) return true;
    return Fail(ERROR_DISK_FULL);
}

bool HasRoomForFolder(const std::string& volume) {
    uint64_t capacity = 0;
    if (!VolumeCapacity(volume, &capacity)) return true;
    if (VolumeUsedBytes(volume) + kAllocationUnit <= capacity) return true;
    return Fail(ERROR_DISK_FULL);
}

}  // namespace host
