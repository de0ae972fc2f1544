// GetDiskFreeSpaceExW: the room on the volume that holds a folder. Each
// root folder (NandFlash, Storage Card, Hard Disk ...) is a volume of its
// own; the root and what lies directly in it are one more. A volume given a
// capacity answers from it (volume_capacity.h); any other from the host's
// file system that holds the device folder.
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>

#include "error.h"
#include "path.h"
#include "ruvexa_host.h"
#include "volume_capacity.h"

namespace host {
namespace {

// The on-disk name of the root folder `path` lies in, "" for the root.
std::string VolumeOf(const DevicePath& path) {
    if (path.depth > 1) return path.volume;
    if (path.depth == 1 && S_ISDIR(path.st.st_mode)) return path.host.substr(path.host.rfind('/') + 1);
    return "";
}

void Store(PULARGE_INTEGER out, uint64_t value) {
    if (out) out->QuadPart = value;
}

}  // namespace
}  // namespace host

extern "C" BOOL WINAPI GetDiskFreeSpaceExW(LPCWSTR lpDirectoryName, PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                                           PULARGE_INTEGER lpTotalNumberOfBytes,
                                           PULARGE_INTEGER lpTotalNumberOfFreeBytes) {
    host::DevicePath path;
    if (!host::ResolveDevicePath(lpDirectoryName ? lpDirectoryName : L"\\", &path)) return FALSE;
    if (!path.exists) return host::Fail(ERROR_PATH_NOT_FOUND);
    const std::string volume = host::VolumeOf(path);
    uint64_t capacity = 0;
    if (host::VolumeCapacity(volume, &capacity)) {
        const uint64_t used = host::VolumeUsedBytes(volume);
        const uint64_t free = capacity - std::min(capacity, used);
        host::Store(lpFreeBytesAvailableToCaller, free);
        host::Store(lpTotalNumberOfBytes, capacity);
        host::Store(lpTotalNumberOfFreeBytes, free);
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    const std::string folder = volume.empty() ? host::DeviceRoot() : host::DeviceRoot() + "/" + volume;
    struct statvfs st;
    if (statvfs(folder.c_str(), &st) != 0) return host::FailWithErrno(errno);
    host::Store(lpFreeBytesAvailableToCaller, static_cast<uint64_t>(st.f_bavail) * st.f_frsize);
    host::Store(lpTotalNumberOfBytes, static_cast<uint64_t>(st.f_blocks) * st.f_frsize);
    host::Store(lpTotalNumberOfFreeBytes, static_cast<uint64_t>(st.f_bfree) * st.f_frsize);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
