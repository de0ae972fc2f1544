// HostUnzOpen: minizip's unzOpen for device paths, through a minizip file
// layer over the platform's own file functions.
#include <minizip/unzip.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <new>

namespace {

// minizip reads header fields a byte or a few at a time; the device's stdio
// layer buffers them, and so does this one. The archive is opened for
// reading and shared for reading only, so what the window holds stays true.
constexpr DWORD kReadWindowSize = 4096;
constexpr ZPOS64_T kUnknownPosition = ~ZPOS64_T{0};

struct ArchiveStream {
    HANDLE file;
    bool failed;
    ZPOS64_T position;        // where minizip reads next
    ZPOS64_T filePointer;     // the handle's own position
    ZPOS64_T windowStart;     // the file offset of window[0]
    DWORD windowLength;
    BYTE window[kReadWindowSize];
};

ArchiveStream* StreamOf(voidpf stream) { return static_cast<ArchiveStream*>(stream); }

voidpf ZCALLBACK OpenArchive(voidpf, const void* filename, int mode) {
    // The extractor only reads archives.
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    WCHAR path[MAX_PATH];
    size_t converted = 0;
    if (mbstowcs_s(&converted, path, MAX_PATH, static_cast<const char*>(filename), MAX_PATH) != 0) {
        return nullptr;
    }
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    auto* stream = new (std::nothrow) ArchiveStream{file, false, 0, 0, 0, 0, {}};
    if (!stream) CloseHandle(file);
    return stream;
}

// Moves the handle to `offset` unless it is there already.
bool PlaceFilePointer(ArchiveStream* stream, ZPOS64_T offset) {
    if (stream->filePointer == offset) return true;
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(stream->file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
    stream->filePointer = offset;
    return true;
}

// Reads at the stream's position into `buffer`; false when the platform
// fails, with `read` 0 at the end of the file.
bool ReadAtPosition(ArchiveStream* stream, void* buffer, DWORD size, DWORD* read) {
    *read = 0;
    if (!PlaceFilePointer(stream, stream->position)) return false;
    if (!ReadFile(stream->file, buffer, size, read, nullptr)) {
        // Where a failed read leaves the handle is not known: the next one seeks.
        stream->filePointer = kUnknownPosition;
        return false;
    }
    stream->filePointer += *read;
    return true;
}

uLong ZCALLBACK ReadArchive(voidpf, voidpf opaque, void* buffer, uLong size) {
    ArchiveStream* stream = StreamOf(opaque);
    BYTE* out = static_cast<BYTE*>(buffer);
    uLong copied = 0;
    while (copied < size) {
        const ZPOS64_T windowEnd = stream->windowStart + stream->windowLength;
        if (stream->position >= stream->windowStart && stream->position < windowEnd) {
            const DWORD offset = static_cast<DWORD>(stream->position - stream->windowStart);
            const DWORD count = static_cast<DWORD>(std::min<ZPOS64_T>(size - copied, stream->windowLength - offset));
            memcpy(out + copied, stream->window + offset, count);
            copied += count;
            stream->position += count;
            continue;
        }
        DWORD read = 0;
        const uLong rest = size - copied;
        // A read as large as the window goes straight to the caller.
        if (rest >= kReadWindowSize) {
            if (!ReadAtPosition(stream, out + copied, static_cast<DWORD>(rest), &read)) break;
            copied += read;
            stream->position += read;
            return copied;
        }
        stream->windowLength = 0;
        if (!ReadAtPosition(stream, stream->window, kReadWindowSize, &read)) break;
        stream->windowStart = stream->position;
        stream->windowLength = read;
        if (read == 0) return copied;
    }
    if (copied < size) stream->failed = true;
    return copied;
}

uLong ZCALLBACK WriteArchive(voidpf, voidpf stream, const void*, uLong) {
    StreamOf(stream)->failed = true;
    return 0;
}

ZPOS64_T ZCALLBACK TellArchive(voidpf, voidpf stream) { return StreamOf(stream)->position; }

long ZCALLBACK SeekArchive(voidpf, voidpf opaque, ZPOS64_T offset, int origin) {
    ArchiveStream* stream = StreamOf(opaque);
    // Seeks from the start or from here only move the position; the handle
    // follows when data must be read there.
    ZPOS64_T target;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: target = offset; break;
        case ZLIB_FILEFUNC_SEEK_CUR: target = stream->position + offset; break;
        case ZLIB_FILEFUNC_SEEK_END: {
            LONG high = static_cast<LONG>(offset >> 32);
            SetLastError(NO_ERROR);
            DWORD low = SetFilePointer(stream->file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_END);
            if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
            stream->filePointer = (static_cast<ZPOS64_T>(static_cast<DWORD>(high)) << 32) | low;
            stream->position = stream->filePointer;
            return 0;
        }
        default: return -1;
    }
    // As the platform refuses a seek before the start of the file.
    if (static_cast<int64_t>(target) < 0) return -1;
    stream->position = target;
    return 0;
}

int ZCALLBACK CloseArchive(voidpf, voidpf stream) {
    BOOL closed = CloseHandle(StreamOf(stream)->file);
    delete StreamOf(stream);
    return closed ? 0 : -1;
}

int ZCALLBACK ArchiveError(voidpf, voidpf stream) { return StreamOf(stream)->failed ? 1 : 0; }

}  // namespace

extern "C" unzFile HostUnzOpen(const char* devicePath) {
    if (!devicePath) return nullptr;
    zlib_filefunc64_def access{};
    access.zopen64_file = OpenArchive;
    access.zread_file = ReadArchive;
    access.zwrite_file = WriteArchive;
    access.ztell64_file = TellArchive;
    access.zseek64_file = SeekArchive;
    access.zclose_file = CloseArchive;
    access.zerror_file = ArchiveError;
    access.opaque = nullptr;
    return unzOpen2_64(devicePath, &access);
}
