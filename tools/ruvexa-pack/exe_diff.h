// The executable patch of a delta package (format/delta_format.h), made on
// the host: a bsdiff-style difference found through the old file's suffix
// array (libdivsufsort), its records deflated as one zlib stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pack {

// A patch makes files of up to this size from old files of up to this size.
constexpr uint64_t kLargestPatchedFile = 0x7FFFFFFFull;

// The CRC-32 of `bytes`, by the program's own CRC-32.
uint32_t CrcOf(const std::vector<uint8_t>& bytes);

// The patch that makes `newBytes` from `oldBytes`.
bool MakeExePatch(const std::vector<uint8_t>& oldBytes, const std::vector<uint8_t>& newBytes,
                  std::vector<uint8_t>* patch, std::string* error);

}  // namespace pack
