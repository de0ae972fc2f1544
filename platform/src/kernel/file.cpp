// CreateFileW and the file object behind its handles.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "attributes.h"
#include "dry_volume.h"
#include "error.h"
#include "file_object.h"
#include "fs_change.h"
#include "path.h"
#include "ruvexa_host.h"
#include "stream_device.h"
#include "share.h"
#include "unflushed_data.h"

namespace host {

FileObject::~FileObject() {
    if (fd_ >= 0) close(fd_);
    ReleaseOpen(shareToken_);
}

BOOL FileObject::Close() {
    ReleaseOpen(shareToken_);
    shareToken_ = 0;
    int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return FailWithErrno(errno);
    return TRUE;
}

std::shared_ptr<FileObject> LookupFile(HANDLE handle) {
    auto file = LookupHandleAs<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

namespace {

HANDLE FailOpen(DWORD code) {
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

// The descriptor may allow more than the handle does (a truncation needs
// write access even on a read handle); FileObject enforces the handle's.
int OpenFlags(DWORD access, bool truncates) {
    bool read = access & GENERIC_READ;
    bool write = (access & GENERIC_WRITE) || truncates;
    int flags = O_CLOEXEC | O_NOFOLLOW;
    if (read && write) return flags | O_RDWR;
    return flags | (write ? O_WRONLY : O_RDONLY);
}

// `st` is the descriptor's own status.
HANDLE Register(int fd, const struct stat& st, DWORD access, DWORD shareMode, const std::string& volume,
                uint64_t* token) {
    *token = RegisterOpen(FileId{st.st_dev, st.st_ino}, access, shareMode);
    if (*token == 0) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return RegisterHandle(std::make_shared<FileObject>(fd, access, *token, volume));
}

HANDLE OpenExisting(const DevicePath& path, DWORD access, DWORD shareMode, DWORD disposition,
                    DWORD attributes) {
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (S_ISDIR(path.st.st_mode)) return FailOpen(ERROR_ACCESS_DENIED);
    // Checked here and not left to the host: as root, Linux lets anyone
    // write a file whose write bits are clear.
    if (IsReadOnly(path.st) && ((access & GENERIC_WRITE) || truncates)) {
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    // Overwriting a hidden or system file must name that attribute again.
    // Read only then: the attributes cost a call of their own on every open.
    if (disposition == CREATE_ALWAYS &&
        (AttributesOf(path.host, path.st) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) & ~attributes) != 0) {
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    int fd = open(path.host.c_str(), OpenFlags(access, truncates));
    if (fd < 0) return FailOpen(errno == ELOOP ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    uint64_t token = 0;
    HANDLE handle = Register(fd, st, access, shareMode, path.volume, &token);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    if (truncates) {
        BeforeFileSystemChange();
        BeforeDataChange(fd);
        bool ok = ftruncate(fd, 0) == 0 || FailWithErrno(errno);
        // Overwriting gives the file the new attributes, as creating it would.
        if (ok && disposition == CREATE_ALWAYS) {
            ok = StoreAttributes(fd, (attributes & kSettableAttributeBits) | FILE_ATTRIBUTE_ARCHIVE);
        }
        if (!ok) {
            DWORD error = GetLastError();
            if (auto object = UnregisterHandle(handle)) object->Close();
            return FailOpen(error);
        }
    }
    SetLastError(disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS
                                                                             : ERROR_SUCCESS);
    return handle;
}

HANDLE CreateNew(const DevicePath& path, DWORD access, DWORD shareMode, DWORD attributes) {
    BeforeFileSystemChange();
    int fd = open(path.host.c_str(), OpenFlags(access, false) | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return FailOpen(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno));
    // A new file always carries the archive bit; a read-only one becomes
    // read-only now, while this handle keeps the access it asked for.
    struct stat st;
    const bool stored = (fstat(fd, &st) == 0 || FailWithErrno(errno)) &&
                        StoreAttributes(fd, (attributes & kSettableAttributeBits) | FILE_ATTRIBUTE_ARCHIVE, &st);
    if (!stored) {
        DWORD error = GetLastError();
        close(fd);
        unlink(path.host.c_str());
        return FailOpen(error);
    }
    uint64_t token = 0;
    HANDLE handle = Register(fd, st, access, shareMode, path.volume, &token);
    if (handle != INVALID_HANDLE_VALUE) SetLastError(ERROR_SUCCESS);
    return handle;
}

}  // namespace
}  // namespace host

extern "C" HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                     DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                                     HANDLE hTemplateFile) {
    (void)lpSecurityAttributes;
    (void)hTemplateFile;
    if (host::ShouldFail(host::Op::CreateFileW)) return INVALID_HANDLE_VALUE;
    // "AIP1:" and its kind name drivers, not files.
    if (host::IsStreamDeviceName(lpFileName)) return host::OpenStreamDevice(lpFileName);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
        (dwCreationDisposition == TRUNCATE_EXISTING && !(dwDesiredAccess & GENERIC_WRITE))) {
        return host::FailOpen(ERROR_INVALID_PARAMETER);
    }
    if (host::DryVolumeActive()) {
        return host::DryCreateFile(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                   dwFlagsAndAttributes);
    }
    host::DevicePath path;
    if (!host::ResolveDevicePath(lpFileName, &path)) return INVALID_HANDLE_VALUE;
    if (path.depth == 0) return host::FailOpen(ERROR_ACCESS_DENIED);
    const bool creates = dwCreationDisposition != OPEN_EXISTING && dwCreationDisposition != TRUNCATE_EXISTING;
    if (host::RefusesFileWithTrailingSeparator(path, creates)) return INVALID_HANDLE_VALUE;
    if (path.exists) {
        if (dwCreationDisposition == CREATE_NEW) return host::FailOpen(ERROR_FILE_EXISTS);
        return host::OpenExisting(path, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                  dwFlagsAndAttributes);
    }
    if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING) {
        return host::FailOpen(ERROR_FILE_NOT_FOUND);
    }
    return host::CreateNew(path, dwDesiredAccess, dwShareMode, dwFlagsAndAttributes);
}
