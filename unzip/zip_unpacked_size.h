// ZipUnpackedSize: what an archive takes once unpacked, read from its
// central directory alone, without inflating anything. The archive may lie
// inside a larger file (a package's section), so that the room an upgrade
// needs is known before any section is written out.
#pragma once

#include <windows.h>

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
