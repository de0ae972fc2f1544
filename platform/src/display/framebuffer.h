// Pixel surfaces: the 480 x 272 screen owned by the layer and the bitmaps
// that memory device contexts draw on, with the few raster operations the
// drawing calls are built from. Every operation clips to the surface and to
// the rectangle it is given.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 272;

// Pixels are 0x00RRGGBB. COLORREF is 0x00BBGGRR; the two helpers convert.
inline uint32_t PixelFromColor(COLORREF color) {
    return (static_cast<uint32_t>(GetRValue(color)) << 16) |
           (static_cast<uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}
inline COLORREF ColorFromPixel(uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// A rectangle in surface pixels, right and bottom exclusive.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    PixelRect Intersect(const PixelRect& other) const;
    PixelRect Offset(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
};

class Surface {
public:
    // A monochrome surface stands for the 1-bit bitmaps that GDI makes
    // compatible with a fresh memory context: every pixel written to it
    // becomes black or white.
    Surface(int width, int height, bool monochrome = false);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Monochrome() const { return monochrome_; }
    PixelRect Bounds() const { return {0, 0, width_, height_}; }
    const std::vector<uint32_t>& Pixels() const { return pixels_; }

    uint32_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    void Put(int x, int y, uint32_t pixel) {
        pixels_[static_cast<size_t>(y) * width_ + x] = monochrome_ ? Quantize(pixel) : pixel;
    }

    void Fill(const PixelRect& area, uint32_t pixel);
    // Tiles `pattern` so that its top-left pixel lands on (originX, originY).
    void FillPattern(const PixelRect& area, const Surface& pattern, int originX, int originY);
    // Blends `pixel` over the surface with coverage `alpha` (0..255) from a
    // row-major mask of maskWidth x maskHeight placed at (x, y).
    void BlendMask(int x, int y, const uint8_t* mask, int maskWidth, int maskHeight, uint32_t pixel,
                   const PixelRect& clip);

    static uint32_t Quantize(uint32_t pixel);

    // The texts drawn on the surface that no later drawing covered, so that
    // the host can say in words what the screen shows. A text counts as
    // covered as soon as anything is painted over part of its rectangle.
    struct DrawnText {
        PixelRect area;
        std::wstring text;
        unsigned long long order;  // later drawings have higher numbers
    };
    void NoteText(const PixelRect& area, std::wstring text);
    void ForgetTextsUnder(const PixelRect& area);
    // A block copy carries the source's texts along: `area` is in this
    // surface's pixels, and (x + shiftX, y + shiftY) is its source pixel.
    void CopyTextsFrom(const Surface& source, const PixelRect& area, int shiftX, int shiftY);
    // The most recently drawn text still shown; empty when there is none.
    std::wstring LatestText() const;

private:
    int width_;
    int height_;
    bool monochrome_;
    std::vector<uint32_t> pixels_;
    std::vector<DrawnText> texts_;
};

// The screen; black until the first window paints it.
const std::shared_ptr<Surface>& ScreenSurface();

// Called after a drawing call changed the screen: shows it in the window and
// writes the PNG outputs before the call returns.
void PresentScreen();

}  // namespace host
