// File times on the host: FILETIME counts 100 ns units since 1601-01-01 UTC.
#pragma once

#include <sys/stat.h>
#include <time.h>
#include <windows.h>

#include <cstdint>
#include <string>

namespace host {

constexpr int64_t kUnitsPerMillisecond = 10'000;
constexpr int64_t kUnitsPerSecond = 10'000'000;
constexpr int64_t kUnitsPerDay = kUnitsPerSecond * 86'400;
// The host's clock counts seconds from 1970.
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

struct EntryTimes {
    FILETIME creation;
    FILETIME lastAccess;
    FILETIME lastWrite;
};

FILETIME FileTimeFromTimespec(const struct timespec& time);
struct timespec TimespecFromFileTime(const FILETIME& time);
uint64_t FileTimeValue(const FILETIME& time);
FILETIME FileTimeFromValue(uint64_t value);

// Times of an open file or of a path, in the steps the device's FAT keeps.
// Creation is the time SetFileTime stored, else the host's birth time where
// the file system records one, else the modification time.
bool TimesOfDescriptor(int fd, EntryTimes* times);
bool TimesOfPath(const std::string& hostPath, EntryTimes* times);

// Keeps a creation time for the file; false with the last error set when
// the host refuses it for another reason than lacking extended attributes.
bool StoreCreationTime(int fd, const FILETIME& creation);

}  // namespace host
