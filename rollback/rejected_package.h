// IsRejectedPackage: whether a found package is a release rolled back
// earlier, by its stored checksum alone.
#pragma once

#include <windows.h>

// TRUE when the stored checksum of `packageFile` (the last value of its
// tail) is named in Rejected.txt, as the rollback records it
// ("checksum=XXXXXXXX ..."); `checksum` then holds it. FALSE when there is
// no Rejected.txt, the package cannot be read, or its checksum is not named.
// Reads only; the package is not verified here.
BOOL IsRejectedPackage(LPCWSTR packageFile, DWORD* checksum);
