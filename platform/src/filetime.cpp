// GetFileTime, SetFileTime, and the conversions between host times and
// FILETIME values.
#include "filetime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "error.h"
#include "file_object.h"
#include "fs_change.h"
#include "ruvexa_host.h"

namespace host {
namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

struct timespec FromStatxTimestamp(const struct statx_timestamp& stamp) {
    struct timespec time {};
    time.tv_sec = stamp.tv_sec;
    time.tv_nsec = stamp.tv_nsec;
    return time;
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
    return TimesOfStatx(fd, "", AT_EMPTY_PATH, times);
}

bool TimesOfPath(const std::string& hostPath, EntryTimes* times) {
    return TimesOfStatx(AT_FDCWD, hostPath.c_str(), AT_SYMLINK_NOFOLLOW, times);
}

}  // namespace host

extern "C" BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime,
                                   LPFILETIME lpLastAccessTime, LPFILETIME lpLastWriteTime) {
    if (host::ShouldFail(host::Op::GetFileTime)) return FALSE;
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

// A Linux host cannot set a file's birth time: a creation time given here is
// accepted and dropped, and GetFileTime goes on reporting the birth time.
extern "C" BOOL WINAPI SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime,
                                   const FILETIME* lpLastAccessTime,
                                   const FILETIME* lpLastWriteTime) {
    (void)lpCreationTime;
    if (host::ShouldFail(host::Op::SetFileTime)) return FALSE;
    auto file = host::LookupFile(hFile);
    if (!file) return FALSE;
    if (!file->CanWrite()) return host::Fail(ERROR_ACCESS_DENIED);
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    if (lpLastAccessTime) times[0] = host::TimespecFromFileTime(*lpLastAccessTime);
    if (lpLastWriteTime) times[1] = host::TimespecFromFileTime(*lpLastWriteTime);
    if (!lpLastAccessTime && !lpLastWriteTime) return TRUE;
    host::BeforeFileSystemChange();
    if (futimens(file->Descriptor(), times) != 0) return host::FailWithErrno(errno);
    return TRUE;
}
