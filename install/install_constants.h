// Installed paths of the device's main application and its folders (the
// items a rollback brings back, kept_items.h), and the installation's
// temporary names beside them.
#pragma once

#include <windows.h>

#include "kept_items.h"

// A new folder is unpacked beside the installed one, under its name with
// this suffix, and moved into its place.
constexpr const WCHAR* kTemporaryFolderSuffix = L"_";
// A delta's patched executable is written here, then moved into place.
constexpr const WCHAR* kTemporaryExe = L"\\NandFlash\\Merrow\\Orvane3.exe_";
