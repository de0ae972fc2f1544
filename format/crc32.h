// CRC-32 accumulator (reflected polynomial 0xEDB88320, as in zlib and PNG),
// one byte at a time through a constant 256-entry table.
#pragma once

#include <windows.h>

// Starts a run: the accumulator becomes 0xFFFFFFFF.
void Crc32Init(DWORD* crc);

// Folds `count` bytes into the accumulator; a count of 0 leaves it unchanged.
void Crc32Update(DWORD* crc, LPCVOID bytes, DWORD count);

// Ends a run: the accumulator becomes the checksum (its complement).
void Crc32Final(DWORD* crc);
