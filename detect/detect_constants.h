// Fixed patterns, waits and retry counts of the upgrade search.
#pragma once

#include <windows.h>

#include "device_paths.h"

// A root folder whose name begins with "Hard Disk" is a USB disk.
constexpr const WCHAR* kUsbDiskPattern = L"\\Hard Disk*\\";

constexpr int kPackageSearchAttempts = 10;
constexpr int kSourceDirProbes = 20;
constexpr DWORD kSearchRetryDelayMs = 1000;
