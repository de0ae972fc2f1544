// The dry volume inside the layer: while it is in use, the file functions
// hand their work on device paths to these, and the handle functions hand
// theirs on its handles to DryFile. Each returns what the Win32 function
// returns, with the last error set the same way.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace host {

// Cheap enough for every file call: one atomic read.
bool DryVolumeActive();

HANDLE DryCreateFile(LPCWSTR path, DWORD access, DWORD shareMode, DWORD disposition, DWORD attributes);
BOOL DryCreateDirectory(LPCWSTR path);
BOOL DryRemoveDirectory(LPCWSTR path);
BOOL DryDeleteFile(LPCWSTR path);
BOOL DryMoveFile(LPCWSTR from, LPCWSTR to);
DWORD DryGetFileAttributes(LPCWSTR path);
BOOL DrySetFileAttributes(LPCWSTR path, DWORD attributes);

// The entries of the folder `folderPath` ("" or "\" for the root) that may
// match `namePattern`: the one of that name when the pattern has no
// wildcard, else all of them; the caller matches and sorts. False, with the
// last error set, when the path is refused or names no folder.
bool DryFolderEntries(const std::wstring& folderPath, std::wstring_view namePattern,
                      std::vector<WIN32_FIND_DATAW>* entries);

}  // namespace host
