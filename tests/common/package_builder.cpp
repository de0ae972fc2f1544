// Test-only package builder over zlib's CRC-32.
#include "package_builder.h"

namespace package_testing {

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
