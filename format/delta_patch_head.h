// The head of a delta's executable patch (delta_format.h): the old and the
// new file's size and CRC-32, read by the device and written by ruvexa-pack.
#pragma once

#include <windows.h>

#include "delta_format.h"

struct PatchHead {
    DWORD oldSize;
    DWORD oldCrc;
    DWORD newSize;
    DWORD newCrc;
};

// False when the bytes are not the head of a patch of this version.
bool DecodePatchHead(const BYTE (&bytes)[kPatchHeadSize], PatchHead* head);
void EncodePatchHead(const PatchHead& head, BYTE (&bytes)[kPatchHeadSize]);
