// ZipEntryReader over minizip: the archive is opened by name, as the
// extractor opens it, or through a window of an open file, and the entry's
// data is inflated as it is read.
#include "zip_entry_reader.h"

#include <stdlib.h>

#include "unzip_constants.h"

ZipEntryReader::~ZipEntryReader() { Release(); }

void ZipEntryReader::Release() {
    if (!archive_) return;
    if (entryOpen_) unzCloseCurrentFile(archive_);
    unzClose(archive_);
    archive_ = nullptr;
    entryOpen_ = false;
    size_ = 0;
}

bool ZipEntryReader::Open(LPCWSTR zipPath, const char* entryName) {
    Release();
    char narrowPath[kNarrowPathCapacity];
    size_t converted = 0;
    if (!zipPath || wcstombs_s(&converted, narrowPath, kNarrowPathCapacity, zipPath, kNarrowPathCapacity) != 0) {
        return false;
    }
    archive_ = unzOpen(narrowPath);
    return OpenEntry(entryName);
}

bool ZipEntryReader::Open(HANDLE file, DWORD offset, DWORD size, const char* entryName) {
    Release();
    archive_ = OpenZipWindow(file, offset, size, &window_);
    return OpenEntry(entryName);
}

bool ZipEntryReader::OpenEntry(const char* entryName) {
    if (!archive_) return false;
    unz_file_info64 info;
    // Case-sensitive: the entry is the tool's, written under this exact name.
    if (unzLocateFile(archive_, entryName, 1) != UNZ_OK ||
        unzGetCurrentFileInfo64(archive_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(archive_) != UNZ_OK) {
        Release();
        return false;
    }
    entryOpen_ = true;
    ended_ = false;
    size_ = info.uncompressed_size;
    return true;
}

int ZipEntryReader::Read(void* buffer, DWORD size) {
    if (!entryOpen_) return ended_ ? 0 : -1;
    const int count = unzReadCurrentFile(archive_, buffer, size);
    if (count != 0) return count < 0 ? -1 : count;
    // At the end: closing the entry checks its CRC-32.
    entryOpen_ = false;
    ended_ = true;
    return unzCloseCurrentFile(archive_) == UNZ_OK ? 0 : -1;
}
