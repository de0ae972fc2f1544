// PackageInfo: the head and tail values of an upgrade package, their
// decoding from the bytes as read and their encoding as written.
#pragma once

#include <windows.h>

#include "little_endian.h"
#include "package_constants.h"

// Six values in file order: the head (signature, data_size) then the tail.
struct PackageInfo {
    DWORD signature;
    DWORD data_size;
    DWORD exe_size;
    DWORD images_size;
    DWORD fonts_size;
    DWORD checksum;
};

// A delta package: its sections are installed against the installed version.
inline bool IsDeltaPackage(const PackageInfo& info) { return info.signature == kDeltaPackageSignature; }

// Decoded byte by byte as little-endian, so the result is the same on any
// host; bytes a short read did not deliver must be zero in the buffer.
void DecodePackageHead(const BYTE (&head)[kPackageHeadSize], PackageInfo* info);
void DecodePackageTail(const BYTE (&tail)[kPackageTailSize], PackageInfo* info);

// The bytes the values stand as in a package; decoding them gives the
// values back.
void EncodePackageHead(const PackageInfo& info, BYTE (&head)[kPackageHeadSize]);
void EncodePackageTail(const PackageInfo& info, BYTE (&tail)[kPackageTailSize]);
