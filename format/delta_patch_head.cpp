// DecodePatchHead, EncodePatchHead: magic, version, then four values, all
// little-endian.
#include "delta_patch_head.h"

#include <string.h>

#include "little_endian.h"

bool DecodePatchHead(const BYTE (&bytes)[kPatchHeadSize], PatchHead* head) {
    if (memcmp(bytes, kPatchMagic, sizeof(kPatchMagic)) != 0 || LittleEndianAt(bytes + 4) != kPatchVersion) {
        return false;
    }
    *head = {LittleEndianAt(bytes + 8), LittleEndianAt(bytes + 12), LittleEndianAt(bytes + 16),
             LittleEndianAt(bytes + 20)};
    return true;
}

void EncodePatchHead(const PatchHead& head, BYTE (&bytes)[kPatchHeadSize]) {
    memcpy(bytes, kPatchMagic, sizeof(kPatchMagic));
    PutLittleEndian(bytes + 4, kPatchVersion);
    PutLittleEndian(bytes + 8, head.oldSize);
    PutLittleEndian(bytes + 12, head.oldCrc);
    PutLittleEndian(bytes + 16, head.newSize);
    PutLittleEndian(bytes + 20, head.newCrc);
}
