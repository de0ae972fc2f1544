// ZipUnpackedSize: what an archive takes once unpacked, read from its
// central directory alone, without inflating anything. The archive may lie
// inside a larger file (a package's section), so that the room an upgrade
// needs is known before any section is written out.
#pragma once

#include <windows.h>

#include <string>

struct UnpackedSize {
    DWORD files;
    DWORD folders;        // every folder an entry's path names, once
    ULONGLONG bytes;      // the files' sizes
    ULONGLONG allocated;  // each file in whole allocation units, a unit per folder
};

// Reads the archive that occupies `size` bytes of `file` from `offset`
// (its offsets counted from there). FALSE when no central directory is
// found there or it does not hold together; nothing is logged.
BOOL ReadUnpackedSize(HANDLE file, DWORD offset, DWORD size, UnpackedSize* result);

// The data of the archive's entry stored as `name` (compared exactly), read
// and inflated in place into `data`, at most `limit` bytes. FALSE when the
// archive has no such entry or it cannot be read whole within the limit.
BOOL ReadEntryInPlace(HANDLE file, DWORD offset, DWORD size, const char* name, DWORD limit, std::string* data);
