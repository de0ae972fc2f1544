// The device's own file names and paths as the tool prints and uses them on
// the host: taken from the program's constants, so that the tool and the
// device cannot disagree.
#pragma once

#include <windows.h>

#include <string>

#include "device_paths.h"
#include "package_sections.h"

namespace pack {

// The names the sections are written under, in the order of kPackageSections.
constexpr LPCWSTR kSectionFileNames[] = {kExeFileName, kImagesFileName, kFontsFileName};
static_assert(sizeof(kSectionFileNames) / sizeof(kSectionFileNames[0]) == kPackageSectionCount,
              "one file name per section");

// The folder the installation unpacks an archive into beside `installed`,
// named as the installation names it.
std::wstring TemporaryFolderOf(LPCWSTR installed);

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
