// Test-only package builder over zlib's CRC-32.
#include "package_builder.h"

#include <zlib.h>

#include <random>

namespace package_testing {

std::string LittleEndian(DWORD value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

DWORD ReferenceCrc32(const std::string& bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    return static_cast<DWORD>(crc);
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string BuildPackage(const PackageContents& contents) {
    DWORD exeSize = static_cast<DWORD>(contents.exe.size());
    DWORD imagesSize = static_cast<DWORD>(contents.images.size());
    DWORD fontsSize = static_cast<DWORD>(contents.fonts.size());

    std::string covered = contents.signature ? LittleEndian(*contents.signature) : std::string("3-VO");
    covered += LittleEndian(contents.dataSize.value_or(exeSize + imagesSize + fontsSize));
    covered += contents.exe + contents.images + contents.fonts;

    std::string package = covered;
    package += LittleEndian(contents.exeSize.value_or(exeSize));
    package += LittleEndian(contents.imagesSize.value_or(imagesSize));
    package += LittleEndian(contents.fontsSize.value_or(fontsSize));
    package += LittleEndian(contents.checksum.value_or(ReferenceCrc32(covered)));
    return package;
}

}  // namespace package_testing
