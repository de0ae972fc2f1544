// GetFileTime, SetFileTime, and the conversions between host times and
// FILETIME values.
#include "filetime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>

#include "dry_file.h"
#include "error.h"
#include "file_object.h"
#include "fs_change.h"
#include "ruvexa_host.h"

namespace host {
namespace {

struct timespec FromStatxTimestamp(const struct statx_timestamp& stamp) {
    struct timespec time {};
    time.tv_sec = stamp.tv_sec;
    time.tv_nsec = stamp.tv_nsec;
    return time;
}

// Where a creation time given to SetFileTime is kept: Linux cannot set a
// file's birth time. Eight bytes, the FILETIME value, little-endian.
constexpr char kCreationTimeAttribute[] = "user.ruvexa.creation";

// The device's FAT volumes keep creation times in 10 ms steps, write times
// in 2-second steps and access times as dates only (local midnight); the
// host's finer times are reported as the device would hold them.
void AsFatKeepsThem(EntryTimes* times) {
    const uint64_t kTenMilliseconds = kUnitsPerSecond / 100;
    const uint64_t kTwoSeconds = 2 * kUnitsPerSecond;
    uint64_t creation = FileTimeValue(times->creation);
    times->creation = FileTimeFromValue(creation - creation % kTenMilliseconds);
    uint64_t write = FileTimeValue(times->lastWrite);
    times->lastWrite = FileTimeFromValue(write - write % kTwoSeconds);
    const time_t accessSeconds = static_cast<time_t>(FileTimeValue(times->lastAccess) / kUnitsPerSecond) -
                                 static_cast<time_t>(kSecondsFrom1601To1970);
    struct tm parts {};
    if (!localtime_r(&accessSeconds, &parts)) return;
    const int64_t bias = static_cast<int64_t>(parts.tm_gmtoff) * kUnitsPerSecond;
    const int64_t local = static_cast<int64_t>(FileTimeValue(times->lastAccess)) + bias;
    times->lastAccess = FileTimeFromValue(static_cast<uint64_t>(local - local % kUnitsPerDay - bias));
}

// The times as the device keeps them, with the creation time read from the
// attribute (`size` bytes of it, or a failed read) in place of the host's.
void WithStoredCreation(const unsigned char* bytes, ssize_t size, EntryTimes* times) {
    if (size == 8) {
        uint64_t value = 0;
        for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
        if (value != 0) times->creation = FileTimeFromValue(value);
    }
    AsFatKeepsThem(times);
}

bool TimesOfStatx(int dirFd, const char* path, int flags, EntryTimes* times) {
    struct statx info {};
    if (statx(dirFd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return FailWithErrno(errno);
    }
    struct timespec modified = FromStatxTimestamp(info.stx_mtime);
    times->lastWrite = FileTimeFromTimespec(modified);
    times->lastAccess = FileTimeFromTimespec(FromStatxTimestamp(info.stx_atime));
    times->creation = (info.stx_mask & STATX_BTIME)
                          ? FileTimeFromTimespec(FromStatxTimestamp(info.stx_btime))
                          : times->lastWrite;
    return true;
}

}  // namespace

uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FileTimeFromValue(uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

FILETIME FileTimeFromTimespec(const struct timespec& time) {
    int64_t seconds = static_cast<int64_t>(time.tv_sec) + kSecondsFrom1601To1970;
    if (seconds < 0) return FileTimeFromValue(0);
    return FileTimeFromValue(static_cast<uint64_t>(seconds) * kUnitsPerSecond +
                             static_cast<uint64_t>(time.tv_nsec) / 100);
}

struct timespec TimespecFromFileTime(const FILETIME& time) {
    uint64_t value = FileTimeValue(time);
    struct timespec result {};
    result.tv_sec = static_cast<time_t>(static_cast<int64_t>(value / kUnitsPerSecond) -
                                        kSecondsFrom1601To1970);
    result.tv_nsec = static_cast<long>(value % kUnitsPerSecond) * 100;
    return result;
}

bool TimesOfDescriptor(int fd, EntryTimes* times) {
    if (!TimesOfStatx(fd, "", AT_EMPTY_PATH, times)) return false;
    unsigned char stored[8];
    WithStoredCreation(stored, fgetxattr(fd, kCreationTimeAttribute, stored, sizeof stored), times);
    return true;
}

bool TimesOfPath(const std::string& hostPath, EntryTimes* times) {
    if (!TimesOfStatx(AT_FDCWD, hostPath.c_str(), AT_SYMLINK_NOFOLLOW, times)) return false;
    unsigned char stored[8];
    WithStoredCreation(stored, lgetxattr(hostPath.c_str(), kCreationTimeAttribute, stored, sizeof stored), times);
    return true;
}

bool StoreCreationTime(int fd, const FILETIME& creation) {
    unsigned char bytes[8];
    uint64_t value = FileTimeValue(creation);
    for (unsigned char& byte : bytes) {
        byte = static_cast<unsigned char>(value);
        value >>= 8;
    }
    if (fsetxattr(fd, kCreationTimeAttribute, bytes, sizeof bytes, 0) == 0) return true;
    // A host file system without user extended attributes keeps the birth
    // time it gave the file; the call still succeeds, as on a volume that
    // has no creation times.
    return errno == ENOTSUP || FailWithErrno(errno);
}

}  // namespace host

extern "C" BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime,
                                   LPFILETIME lpLastAccessTime, LPFILETIME lpLastWriteTime) {
    if (host::ShouldFail(host::Op::GetFileTime)) return FALSE;
    if (auto dry = host::LookupDryFile(hFile)) return dry->GetTimes(lpCreationTime, lpLastAccessTime, lpLastWriteTime);
    auto file = host::LookupFile(hFile);
    if (!file) return FALSE;
    if (!file->CanRead()) return host::Fail(ERROR_ACCESS_DENIED);
    host::EntryTimes times;
    if (!host::TimesOfDescriptor(file->Descriptor(), &times)) return FALSE;
    if (lpCreationTime) *lpCreationTime = times.creation;
    if (lpLastAccessTime) *lpLastAccessTime = times.lastAccess;
    if (lpLastWriteTime) *lpLastWriteTime = times.lastWrite;
    return TRUE;
}

// A zero FILETIME, like a null pointer, leaves that time unchanged. The
// creation time is kept in an extended attribute where the host allows one.
extern "C" BOOL WINAPI SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime,
                                   const FILETIME* lpLastAccessTime,
                                   const FILETIME* lpLastWriteTime) {
    if (host::ShouldFail(host::Op::SetFileTime)) return FALSE;
    if (auto dry = host::LookupDryFile(hFile)) return dry->SetTimes(lpCreationTime, lpLastAccessTime, lpLastWriteTime);
    auto file = host::LookupFile(hFile);
    if (!file) return FALSE;
    if (!file->CanWrite()) return host::Fail(ERROR_ACCESS_DENIED);
    auto given = [](const FILETIME* time) { return time && host::FileTimeValue(*time) != 0; };
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    if (given(lpLastAccessTime)) times[0] = host::TimespecFromFileTime(*lpLastAccessTime);
    if (given(lpLastWriteTime)) times[1] = host::TimespecFromFileTime(*lpLastWriteTime);
    if (!given(lpCreationTime) && !given(lpLastAccessTime) && !given(lpLastWriteTime)) return TRUE;
    host::BeforeFileSystemChange();
    if (given(lpCreationTime) && !host::StoreCreationTime(file->Descriptor(), *lpCreationTime)) return FALSE;
    if (futimens(file->Descriptor(), times) != 0) return host::FailWithErrno(errno);
    return TRUE;
}
