// The files of an installed version as a delta sees them: a file's size and
// CRC-32, and its copy into a new folder, checked on the way.
#pragma once

#include <windows.h>

// The size and CRC-32 of the file at `path`; false when it cannot be opened
// or read (a missing file among them).
bool MeasureFile(LPCWSTR path, DWORD* size, DWORD* crc);

// True when the file at `path` is there with exactly this size and CRC-32.
bool FileMatches(LPCWSTR path, DWORD size, DWORD crc);

enum class CopyResult { kCopied, kMismatch, kWriteFailed };

// Copies `from` to the new file `to` (its folders created), with the
// source's times and attributes, flushed. kMismatch, with nothing left at
// `to`, when the source cannot be read or is not of this size and CRC-32.
CopyResult CopyCheckedFile(LPCWSTR from, LPCWSTR to, DWORD size, DWORD crc);
