// ZipEntryReader: the data of one named entry of a zip archive, read in
// pieces, without unpacking it to a file.
#pragma once

#include <minizip/unzip.h>
#include <windows.h>

#include "zip_window.h"

class ZipEntryReader {
public:
    ZipEntryReader() = default;
    ~ZipEntryReader();
    ZipEntryReader(const ZipEntryReader&) = delete;
    ZipEntryReader& operator=(const ZipEntryReader&) = delete;

    // Opens the archive at `zipPath` and its entry stored as `entryName`
    // (compared exactly); false when either is missing or unreadable.
    bool Open(LPCWSTR zipPath, const char* entryName);
    // The same for the archive that occupies `size` bytes of `file` from
    // `offset` (a package's section); the file stays the caller's and must
    // stay open while the entry is read.
    bool Open(HANDLE file, DWORD offset, DWORD size, const char* entryName);
    // The entry's size once unpacked, as its archive records it; 0 before
    // an entry is open.
    ULONGLONG Size() const { return size_; }
    // Up to `size` bytes of the entry's data: the count read, 0 at its end,
    // negative when the data cannot be read (or fails its CRC-32 at the end).
    int Read(void* buffer, DWORD size);

private:
    void Release();
    bool OpenEntry(const char* entryName);

    unzFile archive_ = nullptr;
    bool entryOpen_ = false;
    bool ended_ = false;  // the whole entry was read and its CRC-32 held
    ULONGLONG size_ = 0;
    ZipWindow window_;  // what the archive is read through when opened in a file
};
