// Test-only builder of upgrade packages: the three sections laid out between
// head and tail with a correct CRC-32, and knobs that put wrong values into
// the head or tail. The checksum comes from zlib, not from the code under
// test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "test_bytes.h"

namespace package_testing {

using testing_support::LittleEndian;
using testing_support::RandomBytes;
using testing_support::ReferenceCrc32;

// The empty initialisers keep -Wmissing-field-initializers quiet where a
// designated initialiser leaves fields out.
struct PackageContents {
    std::string exe{};
    std::string images{};
    std::string fonts{};

    // Values written instead of the correct ones; the checksum still covers
    // the head as written unless it is overridden too.
    std::optional<DWORD> signature{};
    std::optional<DWORD> dataSize{};
    std::optional<DWORD> exeSize{};
    std::optional<DWORD> imagesSize{};
    std::optional<DWORD> fontsSize{};
    std::optional<DWORD> checksum{};
};

std::string BuildPackage(const PackageContents& contents);

}  // namespace package_testing
