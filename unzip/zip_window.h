// ZipWindow: minizip's file functions over an archive that occupies `size`
// bytes of an open file from `offset`, so that an archive lying inside a
// larger file (a package's section) is read where it lies.
#pragma once

#include <minizip/unzip.h>
#include <windows.h>

// minizip reads headers a field at a time; reads are served from a buffer
// of this many bytes read ahead from the file.
constexpr DWORD kZipWindowReadAhead = 4096;
// Zero bytes minizip sees ahead of the archive (zip_window.cpp says why).
constexpr DWORD kZipWindowLead = 1;

struct ZipWindow {
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD offset = 0;    // where the archive starts in the file
    DWORD size = 0;      // its length; nothing past it is read
    DWORD position = 0;  // as minizip counts it: the lead, then the archive
    bool failed = false;  // a read failed or ended at the archive's end
    BYTE buffer[kZipWindowReadAhead];
    DWORD bufferStart = 0;  // the buffer holds the archive's [bufferStart, bufferStart + bufferSize)
    DWORD bufferSize = 0;
};

// The archive in `size` bytes of `file` from `offset`, opened for reading
// through `window`, which must outlive it (until unzClose); the file stays
// the caller's. Null when no archive is found there.
unzFile OpenZipWindow(HANDLE file, DWORD offset, DWORD size, ZipWindow* window);
