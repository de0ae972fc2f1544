// Names of the installation; its paths are in device_paths.h, the items it
// replaces in kept_items.h.
#pragma once

#include <windows.h>

#include "device_paths.h"
#include "kept_items.h"

// A new folder is unpacked beside the installed one, under its name with
// this suffix, and moved into its place.
constexpr const WCHAR* kTemporaryFolderSuffix = L"_";
