// Writing an upgrade package: the head, the three sections end to end and
// the tail, with the checksum computed by the program's own CRC-32.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "package_constants.h"

namespace pack {

// A package's length is a DWORD on the device, so a package stays below 4 GiB.
constexpr uint64_t kLargestPackageSize = 0xFFFFFFFFull;

struct SectionSource {
    std::string path;   // empty for an absent (empty) section
    uint64_t size = 0;  // the bytes expected from the file
};

// Writes the package to `packagePath` (an existing file is truncated), with
// the head's `signature`: a full package's or a delta package's.
// Fails when a section file does not deliver exactly its size, so that a
// file changed while it was read never yields a package with wrong sizes.
bool WritePackage(const SectionSource& exe, const SectionSource& images, const SectionSource& fonts,
                  const std::string& packagePath, DWORD* checksum, std::string* error,
                  DWORD signature = kPackageSignature);

}  // namespace pack
