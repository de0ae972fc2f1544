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
// A delta package ("3-VD") carries only what changed against the installed
// version; a launcher that knows only "3-VO" refuses it before writing
// anything.
constexpr BYTE kDeltaPackageSignatureBytes[4] = {0x33, 0x2D, 0x56, 0x44};
constexpr DWORD kDeltaPackageSignature = 0x44562D33;

// One heap buffer of this size carries a section from the package to its
// output file; no section is ever held in memory whole.
constexpr DWORD kSectionBufferSize = 1024 * 1024;

// Signed packages: the trusted key file and the signature file, in both
// its formats, are described in docs/formats.md ("Keys", "Signatures").
constexpr BYTE kPublicKeyMagic[4] = {'R', 'V', 'P', 'K'};
constexpr BYTE kSignatureMagic[4] = {'R', 'V', 'S', 'G'};
constexpr DWORD kSignatureFormatVersion = 1;
constexpr DWORD kVersionedSignatureFormat = 2;
constexpr DWORD kKeyIdSize = 8;
constexpr DWORD kPublicKeySize = 32;
constexpr DWORD kSignatureSize = 64;
constexpr DWORD kSecurityVersionSize = 4;
constexpr DWORD kSignatureFileHeadSize = 8;  // magic and version
constexpr DWORD kPublicKeyFileSize = kSignatureFileHeadSize + kKeyIdSize + kPublicKeySize;
constexpr DWORD kSignatureFileSize = kSignatureFileHeadSize + kKeyIdSize + kSignatureSize;
constexpr DWORD kVersionedSignatureFileSize = kSignatureFileSize + kSecurityVersionSize;
constexpr DWORD kSignedPrefixSize = kSignatureFileHeadSize + kSecurityVersionSize;

// A trusted key file may hold several key files one after another (as
// `cat a.pub b.pub` makes them); a signature by any of them is accepted.
constexpr DWORD kMaxTrustedKeys = 8;
constexpr DWORD kMaxTrustedKeyFileSize = kMaxTrustedKeys * kPublicKeyFileSize;

// A signature file of format 3 also carries, inside what is signed, the keys
// a device trusts after installing the package (a key rotation) and the
// device models the package is for. After the security version: the number
// of next keys (1 byte), the number of models (1 byte), each next key as a
// whole key file (48 bytes), each model as its length (1 byte) and that many
// printable ASCII characters; then the signature. Its signature covers the
// magic, the format version, the security version and those counts, keys and
// models, followed by every byte of the package.
constexpr DWORD kSignedContentFormat = 3;
constexpr DWORD kMaxNextKeys = 4;
constexpr DWORD kMaxModels = 8;
constexpr DWORD kMaxModelLength = 31;
constexpr DWORD kSignedContentCountsSize = 2;
constexpr DWORD kMaxSignedContentSize =
    kSignedContentCountsSize + kMaxNextKeys * kPublicKeyFileSize + kMaxModels * (1 + kMaxModelLength);
constexpr DWORD kMaxSignatureFileSize = kVersionedSignatureFileSize + kMaxSignedContentSize;
