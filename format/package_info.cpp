// Little-endian decoding and encoding of a package's head and tail.
#include "package_info.h"

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

void EncodePackageHead(const PackageInfo& info, BYTE (&head)[kPackageHeadSize]) {
    PutLittleEndian(head, info.signature);
    PutLittleEndian(head + 4, info.data_size);
}

void EncodePackageTail(const PackageInfo& info, BYTE (&tail)[kPackageTailSize]) {
    PutLittleEndian(tail, info.exe_size);
    PutLittleEndian(tail + 4, info.images_size);
    PutLittleEndian(tail + 8, info.fonts_size);
    PutLittleEndian(tail + 12, info.checksum);
}
