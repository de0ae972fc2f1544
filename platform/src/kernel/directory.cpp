// CreateDirectoryW, RemoveDirectoryW.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "attributes.h"
#include "dry_volume.h"
#include "error.h"
#include "fs_change.h"
#include "path.h"
#include "ruvexa_host.h"
#include "volume_capacity.h"

extern "C" BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName,
                                        LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    (void)lpSecurityAttributes;
    if (host::ShouldFail(host::Op::CreateDirectoryW)) return FALSE;
    if (host::DryVolumeActive()) return host::DryCreateDirectory(lpPathName);
    host::DevicePath path;
    if (!host::ResolveDevicePath(lpPathName, &path)) return FALSE;
    if (path.exists) return host::Fail(ERROR_ALREADY_EXISTS);
    if (!host::HasRoomForFolder(path.volume)) return FALSE;
    host::BeforeFileSystemChange();
    if (mkdir(path.host.c_str(), 0777) != 0) return host::FailWithErrno(errno);
    return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName) {
    if (host::ShouldFail(host::Op::RemoveDirectoryW)) return FALSE;
    if (host::DryVolumeActive()) return host::DryRemoveDirectory(lpPathName);
    host::DevicePath path;
    if (!host::ResolveDevicePath(lpPathName, &path)) return FALSE;
    if (!path.exists) return host::Fail(ERROR_FILE_NOT_FOUND);
    if (!S_ISDIR(path.st.st_mode)) return host::Fail(ERROR_DIRECTORY);
    // The root and the volumes are mount points, not folders to remove; a
    // read-only folder is protected like a read-only file.
    if (path.depth <= 1 || host::IsReadOnly(path.st)) return host::Fail(ERROR_ACCESS_DENIED);
    host::BeforeFileSystemChange();
    if (rmdir(path.host.c_str()) != 0) {
        return host::Fail(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : host::ErrorFromErrno(errno));
    }
    return TRUE;
}
