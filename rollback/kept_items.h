// The three items an upgrade replaces and a rollback brings back: where each
// is installed, and where an upgrade with rollback on keeps the old one
// (previous_version.h), with the marker of a keeping in progress.
#pragma once

#include <windows.h>

// What an upgrade with rollback on keeps of the old version.
enum PreviousItem { kItemExe, kItemImages, kItemFont, kItemCount };

// Installed paths of the device's main application and its folders. The
// shell starts the application from the same path.
constexpr const WCHAR* kInstalledExe = L"\\NandFlash\\Merrow\\Orvane3.exe";
constexpr const WCHAR* kInstalledImages = L"\\NandFlash\\Merrow\\Images";
constexpr const WCHAR* kInstalledFont = L"\\NandFlash\\Merrow\\Font";

constexpr const WCHAR* kPreviousExe = L"\\NandFlash\\Merrow\\Previous\\Orvane3.exe";
constexpr const WCHAR* kPreviousImages = L"\\NandFlash\\Merrow\\Previous\\Images";
constexpr const WCHAR* kPreviousFont = L"\\NandFlash\\Merrow\\Previous\\Font";
constexpr const WCHAR* kPreviousMark = L"\\NandFlash\\Merrow\\Previous.mark";
// Both in PreviousItem's order: the exe, the images, the font.
constexpr const WCHAR* kInstalledItems[] = {kInstalledExe, kInstalledImages, kInstalledFont};
constexpr const WCHAR* kPreviousItems[] = {kPreviousExe, kPreviousImages, kPreviousFont};
