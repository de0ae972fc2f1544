// FileExists: a find-first probe of one file or folder path.
#include "file_helpers.h"

int FileExists(LPCWSTR path) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path, &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FindClose(search);
    return 1;
}
