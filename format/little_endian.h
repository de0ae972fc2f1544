// 4-byte little-endian values, byte by byte, so that the result is the same
// on any host: the package's head and tail, the key and signature files,
// the patch's head and records.
#pragma once

#include <windows.h>

inline DWORD LittleEndianAt(const BYTE* bytes) {
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
           static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
}

inline void PutLittleEndian(BYTE* at, DWORD value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}
