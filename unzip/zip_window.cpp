// ZipWindow: each of minizip's I/O callbacks is a read or a seek of the
// window; offsets are the window's own, reads stop at its end, and writing
// is refused.
//
// minizip 1.1 takes an end record it finds at a file's first byte for no
// archive at all, so it could not open an empty archive. The window
// therefore shows one zero byte ahead of the archive: minizip counts it as a
// byte before the archive (as ahead of a self-extracting one) and adds it to
// every offset the archive records.
#include "zip_window.h"

#include <string.h>

namespace {

ZipWindow* WindowOf(voidpf stream) { return static_cast<ZipWindow*>(stream); }

// The archive's bytes from `at`, read from the file into `buffer`.
DWORD ReadFromFile(ZipWindow* w, DWORD at, void* buffer, DWORD count) {
    const ULONGLONG start = static_cast<ULONGLONG>(w->offset) + at;
    LONG high = static_cast<LONG>(start >> 32);
    DWORD read = 0;
    if ((SetFilePointer(w->file, static_cast<LONG>(start & 0xFFFFFFFF), &high, FILE_BEGIN) ==
             INVALID_SET_FILE_POINTER &&
         GetLastError() != NO_ERROR) ||
        !ReadFile(w->file, buffer, count, &read, NULL)) {
        w->failed = true;
        return 0;
    }
    return read;
}

voidpf ZCALLBACK Open(voidpf opaque, const void*, int mode) {
    return (mode & ZLIB_FILEFUNC_MODE_WRITE) ? NULL : opaque;
}

// Up to `count` of the archive's bytes from where minizip stands, served
// from the read-ahead buffer unless the piece is large.
DWORD ReadArchive(ZipWindow* w, BYTE* out, DWORD count) {
    const DWORD at = w->position - kZipWindowLead;
    const DWORD left = at < w->size ? w->size - at : 0;
    if (count > left) count = left;
    if (count >= kZipWindowReadAhead) return ReadFromFile(w, at, out, count);
    if (at < w->bufferStart || at - w->bufferStart > w->bufferSize ||
        count > w->bufferSize - (at - w->bufferStart)) {
        w->bufferStart = at;
        w->bufferSize = ReadFromFile(w, at, w->buffer, left < kZipWindowReadAhead ? left : kZipWindowReadAhead);
        if (count > w->bufferSize) count = w->bufferSize;
    }
    memcpy(out, w->buffer + (at - w->bufferStart), count);
    return count;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
    ZipWindow* w = WindowOf(stream);
    BYTE* out = static_cast<BYTE*>(buffer);
    DWORD count = static_cast<DWORD>(size);
    DWORD done = 0;
    if (w->position < kZipWindowLead && count > 0) {
        out[done++] = 0;
        --count;
        ++w->position;
    }
    const DWORD read = ReadArchive(w, out + done, count);
    w->position += read;
    // minizip reads only what a well-formed archive holds, and takes a short
    // read for zeros unless the error callback reports it: a record cut off
    // by the archive's end must not pass for an empty one.
    if (read < count) w->failed = true;
    return done + read;
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) { return WindowOf(stream)->position; }

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    ZipWindow* w = WindowOf(stream);
    const ULONGLONG base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0
                           : origin == ZLIB_FILEFUNC_SEEK_CUR ? w->position
                                                              : kZipWindowLead + w->size;
    const ULONGLONG target = base + offset;
    // A place past the window's end holds no part of the archive: an offset
    // that points there is refused at once.
    if (target > kZipWindowLead + w->size) return -1;
    w->position = static_cast<DWORD>(target);
    return 0;
}

int ZCALLBACK Close(voidpf, voidpf) { return 0; }

int ZCALLBACK Error(voidpf, voidpf stream) { return WindowOf(stream)->failed ? 1 : 0; }

}  // namespace

unzFile OpenZipWindow(HANDLE file, DWORD offset, DWORD size, ZipWindow* window) {
    window->file = file;
    window->offset = offset;
    window->size = size;
    window->position = 0;
    window->failed = false;
    window->bufferStart = 0;
    window->bufferSize = 0;
    zlib_filefunc64_def functions = {};
    functions.zopen64_file = Open;
    functions.zread_file = Read;
    functions.zwrite_file = Write;
    functions.ztell64_file = Tell;
    functions.zseek64_file = Seek;
    functions.zclose_file = Close;
    functions.zerror_file = Error;
    functions.opaque = window;
    return unzOpen2_64("", &functions);
}
