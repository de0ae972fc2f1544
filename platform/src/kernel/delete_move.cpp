// DeleteFileW, MoveFileW. A move within a volume is a rename that never
// replaces its target; a file moves to another volume by copy, flush, and
// deletion of the source, and a failed copy leaves nothing at the target.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "attributes.h"
#include "dry_volume.h"
#include "error.h"
#include "file_object.h"
#include "fs_change.h"
#include "path.h"
#include "ruvexa_host.h"
#include "share.h"
#include "unflushed_data.h"
#include "volume_capacity.h"

namespace host {
namespace {

constexpr size_t kCopyChunkSize = 64 * 1024;

FileId IdOf(const struct stat& st) { return FileId{st.st_dev, st.st_ino}; }

BOOL Unlink(const std::string& hostPath) {
    BeforeFileSystemChange();
    if (unlink(hostPath.c_str()) != 0) return FailWithErrno(errno);
    return TRUE;
}

BOOL RenameNoReplace(const std::string& from, const std::string& to, bool isFolder) {
    BeforeFileSystemChange();
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return TRUE;
    if (errno != EINVAL && errno != ENOSYS) return FailWithErrno(errno);
    // A host file system without the no-replace rename: a hard link cannot
    // replace its target either. A folder has no such way, so its target is
    // tested first; only another process could slip in between.
    if (!isFolder) {
        if (link(from.c_str(), to.c_str()) != 0) return FailWithErrno(errno);
        if (unlink(from.c_str()) != 0) return FailWithErrno(errno);
        return TRUE;
    }
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) return Fail(ERROR_ALREADY_EXISTS);
    if (rename(from.c_str(), to.c_str()) != 0) return FailWithErrno(errno);
    return TRUE;
}

// The data writes and the flush answer to the WriteFile and
// FlushFileBuffers failure hooks, so that a test can fail a copy midway, and
// to the target volume's capacity, as the device's copy runs out of room.
bool CopyContents(int in, int out, const std::string& targetVolume) {
    std::vector<unsigned char> buffer(kCopyChunkSize);
    uint64_t copied = 0;
    for (;;) {
        size_t read = 0;
        if (!ReadUpTo(in, buffer.data(), buffer.size(), &read)) return false;
        if (read == 0) return true;
        if (ShouldFail(Op::WriteFile)) return false;
        if (!HasRoomToGrow(targetVolume, copied, copied + read)) return false;
        copied += read;
        BeforeFileSystemChange();
        BeforeDataChange(out);
        size_t written = 0;
        if (!WriteAll(out, buffer.data(), read, &written)) return false;
    }
}

void FlushFolder(const std::string& hostFolder) {
    int fd = open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SyncHostFileIfAsked(fd);  // best effort: the entry's own flush already succeeded
    close(fd);
}

BOOL CopyAcrossVolumes(const DevicePath& source, const DevicePath& target) {
    const FileId sourceId = IdOf(source.st);
    // Fail early, before copying, when the source could not be deleted.
    if (!WithDeleteAccess(sourceId, [] { return true; })) return FALSE;
    int in = open(source.host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) return FailWithErrno(errno);
    BeforeFileSystemChange();
    int out = open(target.host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (out < 0) {
        int error = errno;
        close(in);
        return FailWithErrno(error);
    }
    bool ok = CopyContents(in, out, target.volume) &&
              StoreAttributes(out, AttributesOf(source.host, source.st) & kSettableAttributeBits);
    if (ok) {
        const struct timespec times[2] = {source.st.st_atim, source.st.st_mtim};
        ok = futimens(out, times) == 0 || FailWithErrno(errno);
    }
    ok = ok && !ShouldFail(Op::FlushFileBuffers) && (SyncHostFileIfAsked(out) || FailWithErrno(errno));
    if (ok) AfterDataFlushed(out);
    ok = (close(out) == 0 || FailWithErrno(errno)) && ok;
    close(in);
    if (ok) {
        FlushFolder(target.parentHost);
        ok = WithDeleteAccess(sourceId, [&] { return Unlink(source.host); });
    }
    if (!ok) {
        DWORD error = GetLastError();
        Unlink(target.host);
        return Fail(error);
    }
    return TRUE;
}

bool IsInside(const std::string& hostPath, const std::string& folder) {
    return hostPath.size() > folder.size() && hostPath.compare(0, folder.size(), folder) == 0 &&
           hostPath[folder.size()] == '/';
}

}  // namespace
}  // namespace host

extern "C" BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    if (host::ShouldFail(host::Op::DeleteFileW)) return FALSE;
    if (host::DryVolumeActive()) return host::DryDeleteFile(lpFileName);
    host::DevicePath path;
    if (!host::ResolveDevicePath(lpFileName, &path)) return FALSE;
    if (host::RefusesFileWithTrailingSeparator(path)) return FALSE;
    if (!path.exists) return host::Fail(ERROR_FILE_NOT_FOUND);
    // Checked here and not left to the host: as root, Linux deletes
    // read-only files.
    if (path.depth == 0 || S_ISDIR(path.st.st_mode) || host::IsReadOnly(path.st)) {
        return host::Fail(ERROR_ACCESS_DENIED);
    }
    return host::DeleteWhenClosed(host::IdOf(path.st), path.host, [&] { return host::Unlink(path.host); });
}

extern "C" BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
    if (host::ShouldFail(host::Op::MoveFileW)) return FALSE;
    if (host::DryVolumeActive()) return host::DryMoveFile(lpExistingFileName, lpNewFileName);
    host::DevicePath source;
    host::DevicePath target;
    if (!host::ResolveDevicePath(lpExistingFileName, &source)) return FALSE;
    if (!source.exists) return host::Fail(ERROR_FILE_NOT_FOUND);
    if (!host::ResolveDevicePath(lpNewFileName, &target)) return FALSE;
    const bool isFolder = S_ISDIR(source.st.st_mode);
    // The root and the volumes themselves stay where they are.
    if (source.depth == 0 || (isFolder && source.depth == 1)) return host::Fail(ERROR_ACCESS_DENIED);
    std::string targetHost = target.parentHost + "/" + target.leafGiven;
    if (target.exists) {
        // The only existing target allowed is the source itself under a
        // new spelling: a change of case.
        bool caseChange = target.st.st_dev == source.st.st_dev &&
                          target.st.st_ino == source.st.st_ino && targetHost != target.host;
        if (!caseChange) return host::Fail(ERROR_ALREADY_EXISTS);
    }
    if (target.depth == 0) return host::Fail(ERROR_ALREADY_EXISTS);
    if (isFolder && (target.parentHost == source.host || host::IsInside(target.parentHost, source.host))) {
        return host::Fail(ERROR_ACCESS_DENIED);
    }
    if (source.volume == target.volume) {
        if (isFolder) return host::RenameNoReplace(source.host, targetHost, true);
        return host::WithDeleteAccess(host::IdOf(source.st), [&] {
            return host::RenameNoReplace(source.host, targetHost, false);
        });
    }
    if (isFolder) return host::Fail(ERROR_NOT_SAME_DEVICE);
    target.host = targetHost;
    return host::CopyAcrossVolumes(source, target);
}
