// Decoding of the device-independent bitmaps inside .bmp and .ico resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace host {

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    std::vector<uint8_t> alpha;    // 0 transparent ... 255 opaque, per pixel
};

// A .bmp file: uncompressed 24 or 32 bits per pixel, bottom-up or top-down.
// False for anything else, including a file too short for what its header
// claims.
bool DecodeBmpFile(const uint8_t* bytes, size_t size, DecodedImage* image);

// The first 24 or 32-bit image of an .ico file, with its transparency (the
// alpha channel, or the AND mask for 24 bits).
bool DecodeIcoFile(const uint8_t* bytes, size_t size, DecodedImage* image);

}  // namespace host
