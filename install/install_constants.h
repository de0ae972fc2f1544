// Names of the installation; its paths are in device_paths.h.
#pragma once

#include <windows.h>

#include "device_paths.h"

// A new folder is unpacked beside the installed one, under its name with
// this suffix, and moved into its place.
constexpr const WCHAR* kTemporaryFolderSuffix = L"_";
