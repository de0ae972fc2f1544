// RemoveFolder: depth-first removal of a folder and everything in it.
#include <strsafe.h>
#include <windows.h>

#include "file_helpers.h"
#include "log_line.h"

namespace {

// What one level of the removal needs, kept on the heap: a device thread has
// a 64 KiB stack, and a tree as deep as the path limit allows would need
// several times that if every level kept these buffers on it.
struct FolderLevel {
    WCHAR pattern[MAX_PATH];
    WCHAR entryPath[MAX_PATH];
    // Wide enough for a folder and an entry name of the path limit each.
    WCHAR overlongPath[2 * MAX_PATH];
    WIN32_FIND_DATAW entry;
};

void LogFolderFailure(LPCWSTR folder) {
    LogLine(L"RemoveFolder(): !!! Failed to delete folder=[%s]", folder);
}

void LogFileFailure(LPCWSTR file) {
    LogLine(L"RemoveFolder(): !!! Failed to delete file=[%s]", file);
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
// its first entry in level->entry; INVALID_HANDLE_VALUE when there is none.
HANDLE FindFirstEntry(LPCWSTR folder, FolderLevel* level) {
    // A folder whose pattern exceeds the path limit cannot be enumerated; it
    // is handled like one with nothing in it.
    if (FAILED(StringCchPrintfW(level->pattern, MAX_PATH, L"%s\\*.*", folder))) return INVALID_HANDLE_VALUE;
    HANDLE search = FindFirstFileW(level->pattern, &level->entry);
    if (search != INVALID_HANDLE_VALUE && IsDotEntry(level->entry.cFileName) &&
        !FindNextEntry(search, &level->entry)) {
        FindClose(search);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

// An entry whose path exceeds the path limit cannot be named to the platform,
// so it is left where it is. Its line names it in full.
void ReportOverlongEntry(LPCWSTR folder, FolderLevel* level, bool isFolder) {
    // Only a folder argument beyond the path limit could still cut this
    // short; the line then shows as much as fits.
    StringCchPrintfW(level->overlongPath, 2 * MAX_PATH, L"%s\\%s", folder, level->entry.cFileName);
    if (isFolder) {
        LogFolderFailure(level->overlongPath);
    } else {
        LogFileFailure(level->overlongPath);
    }
}

void RemoveEntry(LPCWSTR folder, FolderLevel* level) {
    bool isFolder = (level->entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (FAILED(StringCchPrintfW(level->entryPath, MAX_PATH, L"%s\\%s", folder, level->entry.cFileName))) {
        ReportOverlongEntry(folder, level, isFolder);
        return;
    }
    if (isFolder) {
        // A subfolder without entries reports 0 even when it was removed, so
        // it gets a line too.
        if (RemoveFolder(level->entryPath) == 0) LogFolderFailure(level->entryPath);
    } else if (!DeleteFileW(level->entryPath)) {
        LogFileFailure(level->entryPath);
    }
}

int RemoveFolderWith(LPCWSTR folder, FolderLevel* level) {
    HANDLE search = FindFirstEntry(folder, level);
    if (search == INVALID_HANDLE_VALUE) {
        if (!RemoveDirectoryW(folder)) LogFolderFailure(folder);
        return 0;
    }
    // Entries go while the enumeration is still open; a failure is logged
    // and the next entry is taken all the same.
    do {
        RemoveEntry(folder, level);
    } while (FindNextEntry(search, &level->entry));
    FindClose(search);
    if (!RemoveDirectoryW(folder)) LogFolderFailure(folder);
    return 1;
}

}  // namespace

int RemoveFolder(LPCWSTR folder) {
    auto* level = static_cast<FolderLevel*>(LocalAlloc(LMEM_FIXED, sizeof(FolderLevel)));
    // Without its buffers the folder cannot be enumerated: it is handled like
    // one with nothing in it.
    if (!level) {
        if (!RemoveDirectoryW(folder)) LogFolderFailure(folder);
        return 0;
    }
    const int result = RemoveFolderWith(folder, level);
    LocalFree(level);
    return result;
}
