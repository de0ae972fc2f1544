// EnsureFolder: a folder and its missing parents, created from the top down.
#include <strsafe.h>
#include <wchar.h>
#include <wctype.h>
#include <windows.h>

#include "unzipper.h"

namespace {

// Trailing separators go, except a first unit, which stands for the root.
size_t WithoutTrailingSeparators(const WCHAR* folder, size_t length) {
    while (length > 1 && folder[length - 1] == L'\\') --length;
    return length;
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool EnsureFolder(LPCWSTR path) {
    if (!path || !path[0]) return false;
    if (wcscmp(path, L"\\") == 0) return true;

    WCHAR folder[kPathCapacity];
    if (FAILED(StringCchCopyW(folder, kPathCapacity, path))) return false;
    size_t length = wcslen(folder);
    while (length > 1 && iswspace(folder[length - 1])) --length;
    length = WithoutTrailingSeparators(folder, length);
    folder[length] = L'\0';

    DWORD attributes = GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES) return IsFolder(attributes);
    // A name without any separator has no parent to create it in.
    if (!wcschr(folder, L'\\')) return true;

    // Each level ends before one of the separators; one loop instead of a
    // recursion per level keeps the stack small however deep the path is.
    for (size_t end = 1; end <= length; ++end) {
        if (end < length && folder[end] != L'\\') continue;
        size_t levelLength = WithoutTrailingSeparators(folder, end);
        // A doubled separator repeats the level before it; the root exists.
        if (levelLength < end || levelLength == 1) continue;
        if (!wmemchr(folder, L'\\', levelLength)) continue;

        const WCHAR saved = folder[levelLength];
        folder[levelLength] = L'\0';
        bool isFolder;
        if (end == length) {
            isFolder = CreateDirectoryW(folder, nullptr) != FALSE;
        } else {
            DWORD levelAttributes = GetFileAttributesW(folder);
            isFolder = levelAttributes != INVALID_FILE_ATTRIBUTES ? IsFolder(levelAttributes)
                                                                  : CreateDirectoryW(folder, nullptr) != FALSE;
        }
        folder[levelLength] = saved;
        if (!isFolder) return false;
    }
    return true;
}
