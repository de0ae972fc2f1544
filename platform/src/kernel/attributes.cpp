// GetFileAttributesW, SetFileAttributesW, and the host representation of
// attributes shared with the file and find functions.
#include "attributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "dry_volume.h"
#include "error.h"
#include "fs_change.h"
#include "path.h"
#include "ruvexa_host.h"

namespace host {
namespace {

constexpr char kAttributeName[] = "user.DOSATTRIB";
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// tmpfs on older kernels and some other host file systems keep no user
// extended attributes; there the extra bits are simply not remembered.
bool IsUnsupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP; }

mode_t ModeWithReadOnly(mode_t mode, bool readOnly) {
    mode &= 07777;
    if (readOnly) return mode & ~kWriteBits;
    return (mode & kWriteBits) ? mode : mode | S_IWUSR;
}

// Stored as Samba's text form, "0x" and hexadecimal digits.
std::string EncodeExtraBits(DWORD bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(bits));
    return text;
}

DWORD DecodeExtraBits(const char* text, ssize_t length) {
    if (length <= 2 || length >= 16 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return 0;
    }
    std::string value(text + 2, static_cast<size_t>(length - 2));
    return static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 16)) & kExtraAttributeBits;
}

template <class SetMode, class SetXattr, class RemoveXattr>
bool Store(DWORD attributes, mode_t currentMode, SetMode setMode, SetXattr setXattr,
           RemoveXattr removeXattr) {
    mode_t mode = ModeWithReadOnly(currentMode, attributes & FILE_ATTRIBUTE_READONLY);
    if (mode != (currentMode & 07777) && setMode(mode) != 0) return FailWithErrno(errno);
    DWORD extra = attributes & kExtraAttributeBits;
    if (extra != 0) {
        std::string value = EncodeExtraBits(extra);
        if (setXattr(value) != 0 && !IsUnsupported(errno)) return FailWithErrno(errno);
    } else if (removeXattr() != 0 && errno != ENODATA && !IsUnsupported(errno)) {
        return FailWithErrno(errno);
    }
    return TRUE;
}

}  // namespace

bool IsReadOnly(const struct stat& st) { return (st.st_mode & kWriteBits) == 0; }

DWORD AttributesOf(const std::string& hostPath, const struct stat& st) {
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnly(st)) attributes |= FILE_ATTRIBUTE_READONLY;
    char text[16];
    ssize_t length = lgetxattr(hostPath.c_str(), kAttributeName, text, sizeof text);
    if (length > 0) attributes |= DecodeExtraBits(text, length);
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

bool StoreAttributes(int fd, DWORD attributes, const struct stat* known) {
    struct stat st;
    if (!known && fstat(fd, &st) != 0) return FailWithErrno(errno);
    return Store(
        attributes, (known ? *known : st).st_mode, [fd](mode_t mode) { return fchmod(fd, mode); },
        [fd](const std::string& value) {
            return fsetxattr(fd, kAttributeName, value.data(), value.size(), 0);
        },
        [fd] { return fremovexattr(fd, kAttributeName); });
}

bool StoreAttributesAt(const std::string& hostPath, DWORD attributes, const struct stat* known) {
    struct stat st;
    if (!known && lstat(hostPath.c_str(), &st) != 0) return FailWithErrno(errno);
    const char* path = hostPath.c_str();
    return Store(
        attributes, (known ? *known : st).st_mode, [path](mode_t mode) { return chmod(path, mode); },
        [path](const std::string& value) {
            return lsetxattr(path, kAttributeName, value.data(), value.size(), 0);
        },
        [path] { return lremovexattr(path, kAttributeName); });
}

}  // namespace host

extern "C" DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
    if (host::ShouldFail(host::Op::GetFileAttributesW)) return INVALID_FILE_ATTRIBUTES;
    if (host::DryVolumeActive()) return host::DryGetFileAttributes(lpFileName);
    host::DevicePath path;
    if (!host::ResolveDevicePath(lpFileName, &path)) return INVALID_FILE_ATTRIBUTES;
    if (host::RefusesFileWithTrailingSeparator(path)) return INVALID_FILE_ATTRIBUTES;
    if (!path.exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return host::AttributesOf(path.host, path.st);
}

extern "C" BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
    if (host::ShouldFail(host::Op::SetFileAttributesW)) return FALSE;
    if (host::DryVolumeActive()) return host::DrySetFileAttributes(lpFileName, dwFileAttributes);
    host::DevicePath path;
    if (!host::ResolveDevicePath(lpFileName, &path)) return FALSE;
    if (!path.exists) return host::Fail(ERROR_FILE_NOT_FOUND);
    if (path.depth == 0) return host::Fail(ERROR_ACCESS_DENIED);
    // Bits the device does not keep (directory, normal, the high word a zip
    // archive fills with the host's own mode bits) are dropped, as the device drops them;
    // FILE_ATTRIBUTE_NORMAL alone therefore clears every bit.
    host::BeforeFileSystemChange();
    return host::StoreAttributesAt(path.host, dwFileAttributes & host::kSettableAttributeBits, &path.st);
}
