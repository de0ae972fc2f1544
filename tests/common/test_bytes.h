// Bytes for tests: repeatable data that does not compress, the 32-bit
// little-endian words of package heads and tails, and zlib's CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testing_support {

// `size` bytes of repeatable pseudo-random data: the same for the same seed.
std::string RandomBytes(size_t size, unsigned seed);

// Four bytes, least significant first.
std::string LittleEndian(uint32_t value);

// The word at `offset`, and the word written over the four bytes there.
uint32_t LittleEndianAt(const std::string& bytes, size_t offset);
void PutLittleEndian(std::string* bytes, size_t offset, uint32_t value);

// CRC-32 of the bytes as zlib computes it, not the code under test.
uint32_t ReferenceCrc32(const std::string& bytes);

// The bytes as one zlib stream (header and all), at the best compression.
std::string ZlibStream(const std::string& bytes);

}  // namespace testing_support
