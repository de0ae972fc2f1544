// VolumeOfPath, AllocatedFileBytes, AllocatedFolderBytes, VolumeFreeBytes.
#include "disk_space.h"

#include <strsafe.h>
#include <wctype.h>

#include <memory>

namespace {

// Root folders that are volumes of their own; everything else lies on the
// object store, "\".
constexpr const WCHAR* kVolumeRoots[] = {L"NandFlash", L"Storage Card"};
constexpr WCHAR kUsbDiskPrefix[] = L"Hard Disk";

// The first `length` characters of both match, in any case.
bool SameStart(LPCWSTR a, LPCWSTR b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (towupper(a[i]) != towupper(b[i])) return false;
    }
    return true;
}

bool IsVolumeName(LPCWSTR name, size_t length) {
    for (LPCWSTR root : kVolumeRoots) {
        if (wcslen(root) == length && SameStart(root, name, length)) return true;
    }
    const size_t prefix = wcslen(kUsbDiskPrefix);
    return length >= prefix && SameStart(kUsbDiskPrefix, name, prefix);
}

bool IsDotEntry(LPCWSTR name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// One level of the count, on the heap: a device thread's stack is small.
struct CountLevel {
    WCHAR pattern[MAX_PATH];
    WCHAR entryPath[MAX_PATH];
    WIN32_FIND_DATAW entry;
};

bool IsAbsence(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

BOOL CountFolder(LPCWSTR folder, ULONGLONG* bytes) {
    *bytes += kAllocationUnit;
    std::unique_ptr<CountLevel> level(new CountLevel);
    if (FAILED(StringCchPrintfW(level->pattern, MAX_PATH, L"%s\\*.*", folder))) return FALSE;
    HANDLE search = FindFirstFileW(level->pattern, &level->entry);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_NO_MORE_FILES || IsAbsence(error);
    }
    BOOL counted = TRUE;
    do {
        if (IsDotEntry(level->entry.cFileName)) continue;
        if (level->entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            counted = SUCCEEDED(StringCchPrintfW(level->entryPath, MAX_PATH, L"%s\\%s", folder,
                                                 level->entry.cFileName)) &&
                      CountFolder(level->entryPath, bytes);
        } else {
            *bytes += AllocatedBytes((static_cast<ULONGLONG>(level->entry.nFileSizeHigh) << 32) |
                                     level->entry.nFileSizeLow);
        }
    } while (counted && FindNextFileW(search, &level->entry));
    if (counted && GetLastError() != ERROR_NO_MORE_FILES) counted = FALSE;
    FindClose(search);
    return counted;
}

}  // namespace

BOOL VolumeOfPath(LPCWSTR path, WCHAR* volume, DWORD capacity) {
    LPCWSTR name = path[0] == L'\\' ? path + 1 : path;
    LPCWSTR end = wcschr(name, L'\\');
    // A volume's own root folder lies on it as well.
    const size_t length = end ? static_cast<size_t>(end - name) : wcslen(name);
    if (length == 0 || !IsVolumeName(name, length)) return SUCCEEDED(StringCchCopyW(volume, capacity, L"\\"));
    if (length + 2 > capacity) return FALSE;
    volume[0] = L'\\';
    wmemcpy(volume + 1, name, length);
    volume[length + 1] = L'\0';
    return TRUE;
}

BOOL OnSameVolume(LPCWSTR first, LPCWSTR second) {
    WCHAR a[MAX_PATH], b[MAX_PATH];
    return VolumeOfPath(first, a, MAX_PATH) && VolumeOfPath(second, b, MAX_PATH) && wcslen(a) == wcslen(b) &&
           SameStart(a, b, wcslen(a));
}

BOOL AllocatedFileBytes(LPCWSTR path, ULONGLONG* bytes) {
    *bytes = 0;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path, &entry);
    if (search == INVALID_HANDLE_VALUE) return IsAbsence(GetLastError());
    FindClose(search);
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *bytes = AllocatedBytes((static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
    }
    return TRUE;
}

BOOL AllocatedFolderBytes(LPCWSTR folder, ULONGLONG* bytes) {
    *bytes = 0;
    const DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) return IsAbsence(GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return TRUE;
    return CountFolder(folder, bytes);
}

BOOL VolumeFreeBytes(LPCWSTR volume, ULONGLONG* freeBytes) {
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(volume, &available, NULL, NULL)) return FALSE;
    *freeBytes = available.QuadPart;
    return TRUE;
}
