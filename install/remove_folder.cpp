// RemoveFolder: depth-first removal of a folder and everything in it.
#include <strsafe.h>
#include <windows.h>

#include "file_helpers.h"

namespace {

void LogFolderFailure(LPCWSTR folder) {
    NKDbgPrintfW(L"RemoveFolder(): !!! Failed to delete folder=[%s], at=[%ld]\r\n", folder, GetTickCount());
}

void LogFileFailure(LPCWSTR file) {
    NKDbgPrintfW(L"RemoveFolder(): !!! Failed to delete file=[%s], at=[%ld]\r\n", file, GetTickCount());
}

bool IsDotEntry(LPCWSTR name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Some file systems report "." and ".."; they are neither removed nor counted.
BOOL FindNextEntry(HANDLE search, WIN32_FIND_DATAW* entry) {
    while (FindNextFileW(search, entry)) {
        if (!IsDotEntry(entry->cFileName)) return TRUE;
    }
    return FALSE;
}

// Opens an enumeration of everything directly inside `folder`, positioned on
// its first entry; INVALID_HANDLE_VALUE when there is none.
HANDLE FindFirstEntry(LPCWSTR folder, WIN32_FIND_DATAW* entry) {
    WCHAR pattern[MAX_PATH];
    // A folder whose pattern exceeds the path limit cannot be enumerated; it
    // is handled like one with nothing in it.
    if (FAILED(StringCchPrintfW(pattern, MAX_PATH, L"%s\\*.*", folder))) return INVALID_HANDLE_VALUE;
    HANDLE search = FindFirstFileW(pattern, entry);
    if (search != INVALID_HANDLE_VALUE && IsDotEntry(entry->cFileName) && !FindNextEntry(search, entry)) {
        FindClose(search);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

// An entry whose path exceeds the path limit cannot be named to the platform,
// so it is left where it is. Its line names it in full, composed in a buffer
// wide enough for a folder and an entry name of the path limit each.
void ReportOverlongEntry(LPCWSTR folder, LPCWSTR name, bool isFolder) {
    WCHAR fullPath[2 * MAX_PATH];
    // Only a folder argument beyond the path limit could still cut this
    // short; the line then shows as much as fits.
    StringCchPrintfW(fullPath, 2 * MAX_PATH, L"%s\\%s", folder, name);
    if (isFolder) {
        LogFolderFailure(fullPath);
    } else {
        LogFileFailure(fullPath);
    }
}

void RemoveEntry(LPCWSTR folder, const WIN32_FIND_DATAW& entry) {
    bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    WCHAR path[MAX_PATH];
    if (FAILED(StringCchPrintfW(path, MAX_PATH, L"%s\\%s", folder, entry.cFileName))) {
        ReportOverlongEntry(folder, entry.cFileName, isFolder);
        return;
    }
    if (isFolder) {
        // A subfolder without entries reports 0 even when it was removed, so
        // it gets a line too.
        if (RemoveFolder(path) == 0) LogFolderFailure(path);
    } else if (!DeleteFileW(path)) {
        LogFileFailure(path);
    }
}

}  // namespace

int RemoveFolder(LPCWSTR folder) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstEntry(folder, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        if (!RemoveDirectoryW(folder)) LogFolderFailure(folder);
        return 0;
    }
    // Entries go while the enumeration is still open; a failure is logged
    // and the next entry is taken all the same.
    do {
        RemoveEntry(folder, entry);
    } while (FindNextEntry(search, &entry));
    FindClose(search);
    if (!RemoveDirectoryW(folder)) LogFolderFailure(folder);
    return 1;
}
