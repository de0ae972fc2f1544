// ReadUnpackedSize: the end-of-central-directory record is found from the
// archive's end (behind it only a comment of up to 65535 bytes), then each
// central directory entry gives a name and a size. A Zip64 archive is not
// read: the extractor takes sizes of 32 bits only.
#include "zip_unpacked_size.h"

#include <set>
#include <string>
#include <vector>

#include "disk_space.h"
#include "little_endian.h"

namespace {

constexpr DWORD kEndRecordSignature = 0x06054B50;
constexpr DWORD kEndRecordSize = 22;
constexpr DWORD kLongestComment = 0xFFFF;
constexpr DWORD kEntrySignature = 0x02014B50;
constexpr DWORD kEntryHeadSize = 46;
// A directory larger than this is not read whole; such an archive gets no
// estimate rather than a buffer the device cannot spare.
constexpr DWORD kLargestDirectory = 16 * 1024 * 1024;

DWORD Read32(const BYTE* p) { return LittleEndianAt(p); }
DWORD Read16(const BYTE* p) { return p[0] | static_cast<DWORD>(p[1]) << 8; }

BOOL ReadAt(HANDLE file, DWORD offset, BYTE* buffer, DWORD size) {
    DWORD read = 0;
    return SetFilePointer(file, static_cast<LONG>(offset), NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           ReadFile(file, buffer, size, &read, NULL) && read == size;
}

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

}  // namespace

BOOL ReadUnpackedSize(HANDLE file, DWORD offset, DWORD size, UnpackedSize* result) {
    *result = UnpackedSize{};
    if (size < kEndRecordSize) return FALSE;
    const DWORD tailSize = size < kEndRecordSize + kLongestComment ? size : kEndRecordSize + kLongestComment;
    std::vector<BYTE> tail(tailSize);
    if (!ReadAt(file, offset + size - tailSize, tail.data(), tailSize)) return FALSE;
    DWORD record = tailSize - kEndRecordSize + 1;
    do {
        --record;
    } while (record > 0 && Read32(&tail[record]) != kEndRecordSignature);
    if (Read32(&tail[record]) != kEndRecordSignature) return FALSE;
    const DWORD entries = Read16(&tail[record + 10]);
    const DWORD directorySize = Read32(&tail[record + 12]);
    const DWORD directoryOffset = Read32(&tail[record + 16]);
    const DWORD recordOffset = size - tailSize + record;
    if (directorySize > kLargestDirectory || directoryOffset > recordOffset ||
        directorySize > recordOffset - directoryOffset) {
        return FALSE;
    }
    std::vector<BYTE> directory(directorySize);
    if (directorySize && !ReadAt(file, offset + directoryOffset, directory.data(), directorySize)) return FALSE;

    std::set<std::string> folders;
    DWORD at = 0;
    for (DWORD i = 0; i < entries; ++i) {
        if (directorySize - at < kEntryHeadSize || Read32(&directory[at]) != kEntrySignature) return FALSE;
        const BYTE* head = &directory[at];
        const DWORD fileSize = Read32(head + 24);
        const DWORD nameSize = Read16(head + 28);
        const DWORD entrySize = kEntryHeadSize + nameSize + Read16(head + 30) + Read16(head + 32);
        if (fileSize == 0xFFFFFFFF || directorySize - at < entrySize || nameSize == 0) return FALSE;
        const std::string name(reinterpret_cast<const char*>(head + kEntryHeadSize), nameSize);
        AddFolders(name, &folders);
        const char last = name.back();
        if (last != '/' && last != '\\') {
            ++result->files;
            result->bytes += fileSize;
            result->allocated += AllocatedBytes(fileSize);
        }
        at += entrySize;
    }
    result->folders = static_cast<DWORD>(folders.size());
    result->allocated += static_cast<ULONGLONG>(result->folders) * kAllocationUnit;
    return TRUE;
}
