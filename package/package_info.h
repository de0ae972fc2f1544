// PackageInfo: the head and tail values of an upgrade package, and their
// decoding from the bytes as read.
#pragma once

#include <windows.h>

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

// Decoded byte by byte as little-endian, so the result is the same on any
// host; bytes a short read did not deliver must be zero in the buffer.
void DecodePackageHead(const BYTE (&head)[kPackageHeadSize], PackageInfo* info);
void DecodePackageTail(const BYTE (&tail)[kPackageTailSize], PackageInfo* info);
