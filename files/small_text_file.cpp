// ReadSmallFile, WriteFlushedFile: small text files read and written whole.
#include "small_text_file.h"

#include <string.h>

BOOL ReadSmallFile(LPCWSTR path, char* text, DWORD capacity) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    DWORD length = 0;
    const BOOL read = ReadFile(file, text, capacity - 1, &length, NULL);
    CloseHandle(file);
    text[read ? length : 0] = '\0';
    return read;
}

BOOL WriteFlushedFile(LPCWSTR path, const char* text) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const DWORD length = static_cast<DWORD>(strlen(text));
    DWORD written = 0;
    const BOOL done = WriteFile(file, text, length, &written, NULL) && written == length && FlushFileBuffers(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return done;
}
