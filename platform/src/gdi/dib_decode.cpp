// Decoding of .bmp and .ico resources: uncompressed 24 and 32-bit bitmaps,
// every offset and size checked against the bytes actually present.
#include "dib_decode.h"

#include <cstdlib>

namespace host {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
// Far beyond any resource of a 480 x 272 device; keeps a corrupt header from
// asking for gigabytes.
constexpr int kMaxDimension = 8192;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

size_t RowBytes(int width, int bitsPerPixel) {
    return ((static_cast<size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

// `info` points at a BITMAPINFOHEADER; the pixel rows start at `bits`.
// `rows` is the number of colour rows (an icon's header counts its mask too).
bool DecodeRows(const uint8_t* info, const uint8_t* bits, const uint8_t* end, int rows,
                bool hasMask, DecodedImage* image) {
    int32_t width = static_cast<int32_t>(U32(info + 4));
    uint16_t planes = U16(info + 12);
    uint16_t bitsPerPixel = U16(info + 14);
    uint32_t compression = U32(info + 16);
    if (planes != 1 || width <= 0 || width > kMaxDimension || rows == 0 ||
        std::abs(rows) > kMaxDimension) {
        return false;
    }
    bool supported = (bitsPerPixel == 24 && compression == kBiRgb) ||
                     (bitsPerPixel == 32 && (compression == kBiRgb || compression == kBiBitfields));
    if (!supported) return false;
    bool topDown = rows < 0;
    int height = std::abs(rows);
    size_t stride = RowBytes(width, bitsPerPixel);
    size_t maskStride = RowBytes(width, 1);
    size_t needed = stride * height + (hasMask ? maskStride * height : 0);
    if (bits > end || static_cast<size_t>(end - bits) < needed) return false;

    image->width = width;
    image->height = height;
    image->pixels.assign(static_cast<size_t>(width) * height, 0);
    image->alpha.assign(static_cast<size_t>(width) * height, 255);
    const uint8_t* mask = bits + stride * height;
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        int sourceRow = topDown ? y : height - 1 - y;
        const uint8_t* row = bits + stride * sourceRow;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = row + x * (bitsPerPixel / 8);
            size_t index = static_cast<size_t>(y) * width + x;
            image->pixels[index] = (static_cast<uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
            if (bitsPerPixel == 32 && hasMask) {
                image->alpha[index] = p[3];
                anyAlpha = anyAlpha || p[3] != 0;
            }
            if (hasMask && bitsPerPixel == 24) {
                bool transparent = (mask[maskStride * sourceRow + x / 8] >> (7 - x % 8)) & 1;
                image->alpha[index] = transparent ? 0 : 255;
            }
        }
    }
    // A 32-bit icon whose alpha is all zero predates alpha: its mask decides.
    if (hasMask && bitsPerPixel == 32 && !anyAlpha) {
        for (int y = 0; y < height; ++y) {
            int sourceRow = topDown ? y : height - 1 - y;
            for (int x = 0; x < width; ++x) {
                bool transparent = (mask[maskStride * sourceRow + x / 8] >> (7 - x % 8)) & 1;
                image->alpha[static_cast<size_t>(y) * width + x] = transparent ? 0 : 255;
            }
        }
    }
    return true;
}

}  // namespace

bool DecodeBmpFile(const uint8_t* bytes, size_t size, DecodedImage* image) {
    if (!bytes || size < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const uint8_t* info = bytes + kFileHeaderSize;
    uint32_t infoSize = U32(info);
    uint32_t pixelOffset = U32(bytes + 10);
    if (infoSize < kInfoHeaderSize || pixelOffset < kFileHeaderSize + infoSize || pixelOffset > size) return false;
    int32_t rows = static_cast<int32_t>(U32(info + 8));
    return DecodeRows(info, bytes + pixelOffset, bytes + size, rows, false, image);
}

bool DecodeIcoFile(const uint8_t* bytes, size_t size, DecodedImage* image) {
    if (!bytes || size < 6 || U16(bytes) != 0 || U16(bytes + 2) != 1) return false;
    size_t count = U16(bytes + 4);
    for (size_t i = 0; i < count; ++i) {
        size_t entry = 6 + 16 * i;
        if (entry + 16 > size) return false;
        uint32_t length = U32(bytes + entry + 8);
        uint32_t offset = U32(bytes + entry + 12);
        if (offset > size || length > size - offset || length < kInfoHeaderSize) continue;
        const uint8_t* info = bytes + offset;
        uint32_t infoSize = U32(info);
        if (infoSize < kInfoHeaderSize || infoSize > length) continue;  // PNG-compressed entries
        // The header's height counts the colour rows and the mask rows.
        int32_t rows = static_cast<int32_t>(U32(info + 8)) / 2;
        if (DecodeRows(info, info + infoSize, info + length, rows, true, image)) return true;
    }
    return false;
}

}  // namespace host
