// CRC-32 accumulator over the constant table of the reflected polynomial.
#include "crc32.h"

namespace {

struct Crc32Table {
    DWORD entries[256];
};

// T[n] is n shifted through eight rounds of the reflected polynomial
// 0xEDB88320; worked out by the compiler, so that no start-up work or
// writable state exists.
constexpr Crc32Table MakeCrc32Table() {
    Crc32Table table{};
    for (DWORD n = 0; n < 256; ++n) {
        DWORD value = n;
        for (int round = 0; round < 8; ++round) value = (value & 1u) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        table.entries[n] = value;
    }
    return table;
}

constexpr Crc32Table kCrc32Table = MakeCrc32Table();
static_assert(kCrc32Table.entries[1] == 0x77073096u && kCrc32Table.entries[255] == 0x2D02EF8Du,
              "the table of the reflected polynomial 0xEDB88320");

}  // namespace

void Crc32Init(DWORD* crc) { *crc = 0xFFFFFFFFu; }

void Crc32Update(DWORD* crc, LPCVOID bytes, DWORD count) {
    const BYTE* next = static_cast<const BYTE*>(bytes);
    DWORD value = *crc;
    for (DWORD i = 0; i < count; ++i) {
        value = kCrc32Table.entries[(value ^ next[i]) & 0xFFu] ^ (value >> 8);
    }
    *crc = value;
}

void Crc32Final(DWORD* crc) { *crc = ~*crc; }
