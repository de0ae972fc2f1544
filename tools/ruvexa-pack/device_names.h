// The device's own file names and paths as the tool prints and uses them on
// the host: taken from the program's constants, so that the tool and the
// device cannot disagree.
#pragma once

#include <windows.h>

#include <string>

#include "device_files.h"

namespace pack {

// The device's fixed names are plain ASCII: each unit becomes one byte.
std::string HostText(LPCWSTR deviceText);

// What the device's package pattern asks of a file name: the part before
// its "*" and the part after it.
std::string PackageNamePrefix();
std::string PackageNameSuffix();

// Whether the device's search finds a file of this name (the last part of
// `path`), matching without regard to case as its FAT file systems do.
bool HasPackageName(const std::string& path);
// Warns on standard error when the device's search would not find `path`.
void WarnUnlessPackageName(const std::string& path);

}  // namespace pack
