// Pixel surfaces and the screen's framebuffer.
#include "framebuffer.h"

#include <algorithm>

namespace host {

PixelRect PixelRect::Intersect(const PixelRect& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
}

Surface::Surface(int width, int height, bool monochrome)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      monochrome_(monochrome),
      pixels_(static_cast<size_t>(width_) * height_, 0) {}

uint32_t Surface::Quantize(uint32_t pixel) {
    // Nearest of black and white by the sum of the components.
    unsigned sum = ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
    return sum >= 3 * 128 ? 0xFFFFFF : 0x000000;
}

void Surface::Fill(const PixelRect& area, uint32_t pixel) {
    PixelRect r = area.Intersect(Bounds());
    if (r.Empty()) return;
    ForgetTextsUnder(r);
    if (monochrome_) pixel = Quantize(pixel);
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = &pixels_[static_cast<size_t>(y) * width_];
        std::fill(row + r.left, row + r.right, pixel);
    }
}

void Surface::FillPattern(const PixelRect& area, const Surface& pattern, int originX, int originY) {
    PixelRect r = area.Intersect(Bounds());
    if (r.Empty() || pattern.Width() == 0 || pattern.Height() == 0) return;
    ForgetTextsUnder(r);
    auto wrap = [](int value, int size) { return ((value % size) + size) % size; };
    for (int y = r.top; y < r.bottom; ++y) {
        int py = wrap(y - originY, pattern.Height());
        for (int x = r.left; x < r.right; ++x) {
            Put(x, y, pattern.At(wrap(x - originX, pattern.Width()), py));
        }
    }
}

void Surface::BlendMask(int x, int y, const uint8_t* mask, int maskWidth, int maskHeight,
                        uint32_t pixel, const PixelRect& clip) {
    PixelRect r =
        PixelRect{x, y, x + maskWidth, y + maskHeight}.Intersect(clip).Intersect(Bounds());
    if (r.Empty()) return;
    const unsigned fr = (pixel >> 16) & 0xFF, fg = (pixel >> 8) & 0xFF, fb = pixel & 0xFF;
    for (int py = r.top; py < r.bottom; ++py) {
        const uint8_t* maskRow = mask + static_cast<size_t>(py - y) * maskWidth;
        for (int px = r.left; px < r.right; ++px) {
            unsigned a = maskRow[px - x];
            if (a == 0) continue;
            if (a == 255) {
                Put(px, py, pixel);
                continue;
            }
            uint32_t under = At(px, py);
            auto mix = [a](unsigned front, unsigned back) {
                return (front * a + back * (255 - a) + 127) / 255;
            };
            uint32_t out = (mix(fr, (under >> 16) & 0xFF) << 16) |
                           (mix(fg, (under >> 8) & 0xFF) << 8) | mix(fb, under & 0xFF);
            Put(px, py, out);
        }
    }
}

const std::shared_ptr<Surface>& ScreenSurface() {
    static const std::shared_ptr<Surface> screen =
        std::make_shared<Surface>(kScreenWidth, kScreenHeight);
    return screen;
}

}  // namespace host
