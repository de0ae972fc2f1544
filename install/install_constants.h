// Installed paths of the device's main application and its folders. The
// shell starts the application from the same path.
#pragma once

#include <windows.h>

constexpr const WCHAR* kInstalledExe = L"\\NandFlash\\Merrow\\Orvane3.exe";
constexpr const WCHAR* kInstalledImages = L"\\NandFlash\\Merrow\\Images";
constexpr const WCHAR* kInstalledFont = L"\\NandFlash\\Merrow\\Font";
// A new folder is unpacked beside the installed one, under its name with
// this suffix, and moved into its place.
constexpr const WCHAR* kTemporaryFolderSuffix = L"_";
