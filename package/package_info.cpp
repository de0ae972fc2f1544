// Little-endian decoding of a package's head and tail.
#include "package_info.h"

namespace {

DWORD LittleEndianAt(const BYTE* bytes) {
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
           static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
}

}  // namespace

void DecodePackageHead(const BYTE (&head)[kPackageHeadSize], PackageInfo* info) {
    info->signature = LittleEndianAt(head);
    info->data_size = LittleEndianAt(head + 4);
}

void DecodePackageTail(const BYTE (&tail)[kPackageTailSize], PackageInfo* info) {
    info->exe_size = LittleEndianAt(tail);
    info->images_size = LittleEndianAt(tail + 4);
    info->fonts_size = LittleEndianAt(tail + 8);
    info->checksum = LittleEndianAt(tail + 12);
}
