// ReadUnpackedSize, ReadEntryInPlace: the end-of-central-directory record is found from the
// archive's end (behind it only a comment of up to 65535 bytes), then each
// central directory entry gives a name and a size. A Zip64 archive is not
// read: the extractor takes sizes of 32 bits only.
#include "zip_unpacked_size.h"

#include <zlib.h>

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
constexpr DWORD kLocalSignature = 0x04034B50;
constexpr DWORD kLocalHeadSize = 30;
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

// The archive's central directory, read whole: `entries` entries.
BOOL ReadDirectory(HANDLE file, DWORD offset, DWORD size, std::vector<BYTE>* directory, DWORD* entries) {
    if (size < kEndRecordSize) return FALSE;
    const DWORD tailSize = size < kEndRecordSize + kLongestComment ? size : kEndRecordSize + kLongestComment;
    std::vector<BYTE> tail(tailSize);
    if (!ReadAt(file, offset + size - tailSize, tail.data(), tailSize)) return FALSE;
    DWORD record = tailSize - kEndRecordSize + 1;
    do {
        --record;
    } while (record > 0 && Read32(&tail[record]) != kEndRecordSignature);
    if (Read32(&tail[record]) != kEndRecordSignature) return FALSE;
    *entries = Read16(&tail[record + 10]);
    const DWORD directorySize = Read32(&tail[record + 12]);
    const DWORD directoryOffset = Read32(&tail[record + 16]);
    const DWORD recordOffset = size - tailSize + record;
    if (directorySize > kLargestDirectory || directoryOffset > recordOffset ||
        directorySize > recordOffset - directoryOffset) {
        return FALSE;
    }
    directory->resize(directorySize);
    return directorySize == 0 || ReadAt(file, offset + directoryOffset, directory->data(), directorySize);
}

// Calls `visit` with each entry's head in the directory and its name; FALSE
// when an entry does not hold together or `visit` says so.
template <typename Visit>
BOOL VisitEntries(const std::vector<BYTE>& directory, DWORD entries, Visit visit) {
    const DWORD directorySize = static_cast<DWORD>(directory.size());
    DWORD at = 0;
    for (DWORD i = 0; i < entries; ++i) {
        if (directorySize - at < kEntryHeadSize || Read32(&directory[at]) != kEntrySignature) return FALSE;
        const BYTE* head = &directory[at];
        const DWORD nameSize = Read16(head + 28);
        const DWORD entrySize = kEntryHeadSize + nameSize + Read16(head + 30) + Read16(head + 32);
        if (directorySize - at < entrySize || nameSize == 0) return FALSE;
        if (!visit(head, std::string(reinterpret_cast<const char*>(head + kEntryHeadSize), nameSize))) return FALSE;
        at += entrySize;
    }
    return TRUE;
}

}  // namespace

BOOL ReadUnpackedSize(HANDLE file, DWORD offset, DWORD size, UnpackedSize* result) {
    *result = UnpackedSize{};
    std::vector<BYTE> directory;
    DWORD entries = 0;
    if (!ReadDirectory(file, offset, size, &directory, &entries)) return FALSE;
    std::set<std::string> folders;
    const BOOL read = VisitEntries(directory, entries, [&](const BYTE* head, const std::string& name) {
        const DWORD fileSize = Read32(head + 24);
        if (fileSize == 0xFFFFFFFF) return false;
        AddFolders(name, &folders);
        const char last = name.back();
        if (last != '/' && last != '\\') {
            ++result->files;
            result->bytes += fileSize;
            result->allocated += AllocatedBytes(fileSize);
        }
        return true;
    });
    if (!read) return FALSE;
    result->folders = static_cast<DWORD>(folders.size());
    result->allocated += static_cast<ULONGLONG>(result->folders) * kAllocationUnit;
    return TRUE;
}

BOOL ReadEntryInPlace(HANDLE file, DWORD offset, DWORD size, const char* name, DWORD limit, std::string* data) {
    data->clear();
    std::vector<BYTE> directory;
    DWORD entries = 0;
    if (!ReadDirectory(file, offset, size, &directory, &entries)) return FALSE;
    const BYTE* found = nullptr;
    VisitEntries(directory, entries, [&](const BYTE* head, const std::string& entryName) {
        if (entryName == name) found = head;
        return !found;
    });
    if (!found) return FALSE;
    const DWORD method = Read16(found + 10);
    const DWORD packedSize = Read32(found + 20);
    const DWORD fileSize = Read32(found + 24);
    const DWORD localOffset = Read32(found + 42);
    BYTE local[kLocalHeadSize];
    if ((method != 0 && method != Z_DEFLATED) || fileSize > limit || localOffset > size ||
        size - localOffset < kLocalHeadSize || !ReadAt(file, offset + localOffset, local, kLocalHeadSize) ||
        Read32(local) != kLocalSignature) {
        return FALSE;
    }
    const DWORD dataOffset = localOffset + kLocalHeadSize + Read16(local + 26) + Read16(local + 28);
    if (dataOffset > size || size - dataOffset < packedSize) return FALSE;
    std::vector<BYTE> packed(packedSize);
    if (packedSize && !ReadAt(file, offset + dataOffset, packed.data(), packedSize)) return FALSE;
    if (method == 0) {
        if (packedSize != fileSize) return FALSE;
        data->assign(packed.begin(), packed.end());
        return TRUE;
    }
    data->resize(fileSize);
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return FALSE;
    stream.next_in = packed.data();
    stream.avail_in = packedSize;
    stream.next_out = reinterpret_cast<Bytef*>(data->data());
    stream.avail_out = fileSize;
    const int status = fileSize ? inflate(&stream, Z_FINISH) : Z_STREAM_END;
    const bool whole = (status == Z_STREAM_END || fileSize == 0) && stream.total_out == fileSize;
    inflateEnd(&stream);
    return whole;
}
