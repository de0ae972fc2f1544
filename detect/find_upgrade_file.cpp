// FindUpgradeFile: the first file that matches a package pattern.
#include <strsafe.h>
#include <wchar.h>

#include "log_line.h"
#include "upgrade_search.h"

int FindUpgradeFile(LPCWSTR pattern, LPWSTR out, size_t outCapacity, int retry) {
    WIN32_FIND_DATAW match;
    HANDLE search = FindFirstFileW(pattern, &match);
    if (search == INVALID_HANDLE_VALUE) return 0;

    LogLine(L"FindUpgradeFile(): found upgrade source=[%s], retry=[%d]", match.cFileName, retry);

    // The folder part runs up to and including the last separator; the first
    // character is never taken as one, so "\name" has no folder part.
    size_t folderLength = 0;
    for (size_t i = wcslen(pattern); i > 1; --i) {
        if (pattern[i - 1] == L'\\') {
            folderLength = i;
            break;
        }
    }

    WCHAR path[MAX_PATH] = {};
    bool fits = folderLength < MAX_PATH;
    if (fits) {
        wmemcpy(path, pattern, folderLength);
        fits = SUCCEEDED(StringCchCatW(path, MAX_PATH, match.cFileName)) &&
               (!out || wcslen(path) < outCapacity);
    }
    if (!fits) {
        // A shortened path would name another file: refuse the match.
        LogLine(L"FindUpgradeFile(): !!! Path too long, source=[%s], retry=[%d]", match.cFileName, retry);
        FindClose(search);
        return 0;
    }
    if (out) StringCchCopyW(out, outCapacity, path);
    FindClose(search);
    return 1;
}
