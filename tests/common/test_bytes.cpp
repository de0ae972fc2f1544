#include "test_bytes.h"

#include <zlib.h>

#include <random>

namespace testing_support {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string LittleEndian(uint32_t value) {
    std::string bytes(4, '\0');
    PutLittleEndian(&bytes, 0, value);
    return bytes;
}

uint32_t LittleEndianAt(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    return value;
}

void PutLittleEndian(std::string* bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes->at(offset + i) = static_cast<char>(value >> (8 * i));
}

uint32_t ReferenceCrc32(const std::string& bytes) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string ZlibStream(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
              bytes.size(), Z_BEST_COMPRESSION);
    return packed.substr(0, size);
}

}  // namespace testing_support
