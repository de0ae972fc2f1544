// PathKeys: 64-bit keys of a delta's file paths as the device's file system
// tells them apart (without regard to case, "\" and "/" the same, a name's
// trailing dots and spaces dropped), alone or with a file's size and CRC-32,
// gathered on the heap and compared sorted.
// Distinct paths that shared a key would be taken for one; with 64 bits
// that does not happen by chance.
#pragma once

#include <windows.h>

// The key of `path` (separators already "\"); with `size` and `crc` when
// `withContent`, so that two files agree only when all three do.
ULONGLONG PathKey(LPCWSTR path, bool withContent, DWORD size = 0, DWORD crc = 0);

class PathKeys {
public:
    PathKeys() = default;
    ~PathKeys();
    PathKeys(const PathKeys&) = delete;
    PathKeys& operator=(const PathKeys&) = delete;

    // False when the heap has no room for one more.
    bool Add(ULONGLONG key);
    // Sorts the keys; true when one stands twice.
    bool SortAndFindRepeated();
    // Both sorted: true when they hold the same keys as often.
    bool SameAs(const PathKeys& other) const;
    // Both sorted: true when a key stands in both.
    bool Meets(const PathKeys& other) const;

private:
    ULONGLONG* keys_ = nullptr;
    DWORD count_ = 0;
    DWORD capacity_ = 0;
};
