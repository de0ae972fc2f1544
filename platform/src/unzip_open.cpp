// HostUnzOpen: minizip's unzOpen for device paths, through a minizip file
// layer over the platform's own file functions.
#include <minizip/unzip.h>
#include <stdlib.h>
#include <windows.h>

#include <new>

namespace {

struct ArchiveStream {
    HANDLE file;
    bool failed;
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
    auto* stream = new (std::nothrow) ArchiveStream{file, false};
    if (!stream) CloseHandle(file);
    return stream;
}

uLong ZCALLBACK ReadArchive(voidpf, voidpf stream, void* buffer, uLong size) {
    DWORD read = 0;
    if (!ReadFile(StreamOf(stream)->file, buffer, static_cast<DWORD>(size), &read, nullptr)) {
        StreamOf(stream)->failed = true;
        return 0;
    }
    return read;
}

uLong ZCALLBACK WriteArchive(voidpf, voidpf stream, const void*, uLong) {
    StreamOf(stream)->failed = true;
    return 0;
}

ZPOS64_T ZCALLBACK TellArchive(voidpf, voidpf stream) {
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(StreamOf(stream)->file, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        StreamOf(stream)->failed = true;
        return static_cast<ZPOS64_T>(-1);
    }
    return (static_cast<ZPOS64_T>(static_cast<DWORD>(high)) << 32) | low;
}

long ZCALLBACK SeekArchive(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    DWORD method;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: method = FILE_BEGIN; break;
        case ZLIB_FILEFUNC_SEEK_CUR: method = FILE_CURRENT; break;
        case ZLIB_FILEFUNC_SEEK_END: method = FILE_END; break;
        default: return -1;
    }
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(StreamOf(stream)->file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high,
                               method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
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
