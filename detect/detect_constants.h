// Waits and retry counts of the upgrade search; its paths and patterns are
// in device_paths.h.
#pragma once

#include <windows.h>

#include "device_paths.h"

constexpr int kPackageSearchAttempts = 10;
constexpr int kSourceDirProbes = 20;
constexpr DWORD kSearchRetryDelayMs = 1000;
