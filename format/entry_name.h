// The test that keeps an archive's entry names inside the output folder.
#pragma once

#include <windows.h>

// True when `name` (separators already "\") stays below the folder it is
// joined to: no leading "\", no drive or stream (":"), and no component that
// climbs out, which is ".." or, since Windows file systems drop trailing
// dots and spaces, any other component of only dots and spaces with two or
// more dots.
bool IsSafeEntryName(LPCWSTR name);

// Removes every "." component of `name` (separators already "\"), which
// names the folder it stands in: "./Icons/./a.png" is "Icons\a.png", and
// "./" is the empty name of the output folder itself. Tools that archive
// "." store such names.
void DropCurrentFolderComponents(WCHAR* name);
