// Fixed sizes and values of the upgrade package and of its extraction.
#pragma once

#include <windows.h>

// The head: signature then data_size, 4 bytes each, little-endian.
constexpr DWORD kPackageHeadSize = 8;
// The tail: exe_size, images_size, fonts_size, checksum.
constexpr DWORD kPackageTailSize = 16;
// Bytes of a package that are not section data.
constexpr DWORD kPackageFrameSize = kPackageHeadSize + kPackageTailSize;
// The exe section starts right after the head.
constexpr DWORD kExeSectionOffset = kPackageHeadSize;

// The signature as it stands in the file ("3-VO") and as a little-endian value.
constexpr BYTE kPackageSignatureBytes[4] = {0x33, 0x2D, 0x56, 0x4F};
constexpr DWORD kPackageSignature = 0x4F562D33;

// One heap buffer of this size carries a section from the package to its
// output file; no section is ever held in memory whole.
constexpr DWORD kTransferBufferSize = 1024 * 1024;
