// ReadSmallFile, FileHoldsText, WriteFlushedFile, AppendFlushedFile: small
// text files read and written whole, and a record file searched piece by
// piece and added to.
#include "small_text_file.h"

#include <string.h>

BOOL ReadSmallFile(LPCWSTR path, char* text, DWORD capacity, DWORD* length) {
    text[0] = '\0';
    if (length) *length = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    DWORD count = 0;
    const BOOL read = ReadFile(file, text, capacity - 1, &count, NULL);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!read) {
        SetLastError(error);
        return FALSE;
    }
    text[count] = '\0';
    if (length) *length = count;
    return TRUE;
}

BOOL FileHoldsText(LPCWSTR path, const char* needle) {
    const DWORD needleLength = static_cast<DWORD>(strlen(needle));
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    // Each piece starts with the last needleLength - 1 bytes of the one
    // before, so a needle across two pieces is found.
    char piece[1024];
    DWORD kept = 0;
    BOOL found = FALSE;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, piece + kept, sizeof(piece) - 1 - kept, &read, NULL) || read == 0) break;
        const DWORD length = kept + read;
        piece[length] = '\0';
        if (strstr(piece, needle) != NULL) {
            found = TRUE;
            break;
        }
        kept = length < needleLength ? length : needleLength - 1;
        memmove(piece, piece + length - kept, kept);
    }
    CloseHandle(file);
    return found;
}

namespace {

// `text` written to the file `disposition` opens (after what an opened
// file holds), then flushed;
// the failing call's error stays the last error.
BOOL PutFlushed(LPCWSTR path, const char* text, DWORD disposition) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const DWORD length = static_cast<DWORD>(strlen(text));
    DWORD written = 0;
    const bool atEnd = disposition != OPEN_ALWAYS || SetFilePointer(file, 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER;
    const BOOL done =
        atEnd && WriteFile(file, text, length, &written, NULL) && written == length && FlushFileBuffers(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return done;
}

}  // namespace

BOOL WriteFlushedFile(LPCWSTR path, const char* text) { return PutFlushed(path, text, CREATE_ALWAYS); }

BOOL AppendFlushedFile(LPCWSTR path, const char* text) { return PutFlushed(path, text, OPEN_ALWAYS); }
