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
// A delta's patched executable is written here, then moved into place.
constexpr const WCHAR* kTemporaryExe = L"\\NandFlash\\Merrow\\Orvane3.exe_";
// With rollback on, the replaced version is kept under these names, and
// the marker of a keeping in progress (previous_version.h).
constexpr const WCHAR* kPreviousExe = L"\\NandFlash\\Merrow\\Previous\\Orvane3.exe";
constexpr const WCHAR* kPreviousImages = L"\\NandFlash\\Merrow\\Previous\\Images";
constexpr const WCHAR* kPreviousFont = L"\\NandFlash\\Merrow\\Previous\\Font";
constexpr const WCHAR* kPreviousMark = L"\\NandFlash\\Merrow\\Previous.mark";
// Both in PreviousItem's order: the exe, the images, the font.
constexpr const WCHAR* kInstalledItems[] = {kInstalledExe, kInstalledImages, kInstalledFont};
constexpr const WCHAR* kPreviousItems[] = {kPreviousExe, kPreviousImages, kPreviousFont};
