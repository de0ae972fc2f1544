// The three items an upgrade replaces and a rollback brings back, in one
// order: where each is installed and where an upgrade with rollback on keeps
// the old one (previous_version.h). The paths themselves are in
// device_paths.h.
#pragma once

#include <windows.h>

#include "device_paths.h"

// What an upgrade with rollback on keeps of the old version.
enum PreviousItem { kItemExe, kItemImages, kItemFont, kItemCount };

// Both in PreviousItem's order: the exe, the images, the font.
constexpr const WCHAR* kInstalledItems[] = {kInstalledExe, kInstalledImages, kInstalledFont};
constexpr const WCHAR* kPreviousItems[] = {kPreviousExe, kPreviousImages, kPreviousFont};
