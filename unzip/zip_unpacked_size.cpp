// ReadUnpackedSize, ReadEntryInPlace over minizip, the archive read through
// a window of the package file. An entry of 0xFFFFFFFF bytes or more (a
// Zip64 size) leaves the archive unread: the extractor takes sizes of 32
// bits only.
#include "zip_unpacked_size.h"

#include <set>
#include <string>

#include "disk_space.h"
#include "zip_entry_reader.h"
#include "zip_window.h"

namespace {

constexpr ZPOS64_T kLargestEntrySize = 0xFFFFFFFE;
// The entry is read in pieces of this size.
constexpr DWORD kEntryPieceSize = 4096;

// Every folder above an entry named `name` ("a/b/c.png" names "a" and
// "a/b"), and the entry itself when it is a folder, in one case.
void AddFolders(const std::string& name, std::set<std::string>* folders) {
    std::string folder;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '/' || c == '\\') {
            if (!folder.empty()) folders->insert(folder);
            folder += '\\';
        } else {
            folder += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
}

// The current entry's name, whatever its length, and its size once unpacked.
BOOL ReadCurrentEntry(unzFile archive, std::string* name, ZPOS64_T* size) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        info.size_filename == 0) {
        return FALSE;
    }
    name->resize(info.size_filename);
    if (unzGetCurrentFileInfo64(archive, &info, name->data(), info.size_filename, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return FALSE;
    }
    *size = info.uncompressed_size;
    return TRUE;
}

BOOL CountEntries(unzFile archive, UnpackedSize* result) {
    // minizip goes to no first entry in an archive without any.
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return FALSE;
    if (global.number_entry == 0) return TRUE;
    std::set<std::string> folders;
    std::string name;
    ZPOS64_T fileSize = 0;
    int status = unzGoToFirstFile(archive);
    for (; status == UNZ_OK; status = unzGoToNextFile(archive)) {
        if (!ReadCurrentEntry(archive, &name, &fileSize) || fileSize > kLargestEntrySize) return FALSE;
        AddFolders(name, &folders);
        const char last = name.back();
        if (last != '/' && last != '\\') {
            ++result->files;
            result->bytes += fileSize;
            result->allocated += AllocatedBytes(fileSize);
        }
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) return FALSE;
    result->folders = static_cast<DWORD>(folders.size());
    result->allocated += static_cast<ULONGLONG>(result->folders) * kAllocationUnit;
    return TRUE;
}

}  // namespace

BOOL ReadUnpackedSize(HANDLE file, DWORD offset, DWORD size, UnpackedSize* result) {
    *result = UnpackedSize{};
    ZipWindow window;
    unzFile archive = OpenZipWindow(file, offset, size, &window);
    if (!archive) return FALSE;
    const BOOL read = CountEntries(archive, result);
    unzClose(archive);
    if (!read) *result = UnpackedSize{};
    return read;
}

BOOL ReadEntryInPlace(HANDLE file, DWORD offset, DWORD size, const char* name, DWORD limit, std::string* data) {
    data->clear();
    ZipEntryReader entry;
    if (!entry.Open(file, offset, size, name) || entry.Size() > limit) return FALSE;
    char piece[kEntryPieceSize];
    int count = 0;
    while ((count = entry.Read(piece, kEntryPieceSize)) > 0) {
        // minizip stops at the size the archive records; the limit holds
        // whatever that says.
        if (data->size() + count > limit) {
            data->clear();
            return FALSE;
        }
        data->append(piece, static_cast<size_t>(count));
    }
    if (count < 0) data->clear();
    return count == 0;
}
