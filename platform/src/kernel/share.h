// Share modes of the files open in this process, tracked by the host file's
// device and inode, as the device's file system tracks them per file.
#pragma once

#include <sys/types.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace host {

struct FileId {
    dev_t device;
    ino_t inode;
};

// Records an open with `access` (GENERIC_READ/GENERIC_WRITE) and `shareMode`
// (FILE_SHARE_*). Returns its token, or 0 with ERROR_SHARING_VIOLATION when
// an open of the same file forbids this access or this share mode forbids
// an access already granted.
uint64_t RegisterOpen(FileId file, DWORD access, DWORD shareMode);

// Forgets an open; a zero token is ignored.
void ReleaseOpen(uint64_t token);

// Runs `change` (a deletion or a rename of the file) only when every open of
// the file allows deletion; no new open can begin meanwhile. False with
// ERROR_SHARING_VIOLATION when one forbids it, else what `change` returns.
bool WithDeleteAccess(FileId file, const std::function<bool()>& change);

// Deletes the file at `hostPath` through `unlinkNow` when no handle has it
// open. When every open allows deletion, the file keeps its name until its
// last handle closes and new opens fail with ERROR_ACCESS_DENIED meanwhile,
// as a pending deletion does on the device. False with
// ERROR_SHARING_VIOLATION when an open forbids deletion.
bool DeleteWhenClosed(FileId file, const std::string& hostPath, const std::function<bool()>& unlinkNow);

}  // namespace host
