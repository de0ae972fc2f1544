// Decoding the screen PNGs and comparing them with reference images.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace screens {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    const Rgb& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Right and bottom exclusive, as the bands of shell/screen_layout.h.
using Box = RECT;

constexpr Rgb kWhite{255, 255, 255};

// Fails the test when the file is not an 8-bit RGB or RGBA PNG.
Image ReadPng(const std::string& path);
void WritePng(const std::string& path, const Image& image);

// The smallest box of pixels in `area` that are not `background`; right <=
// left when there are none.
Box InkBounds(const Image& image, const Box& area, Rgb background);
bool SameArea(const Image& a, const Image& b, const Box& area);

// Compares `actual` with reference/<name>.png pixel for pixel. The actual
// image is kept as output/<name>.png; on a mismatch output/<name>_err.png
// shows the differing pixels in magenta over it.
::testing::AssertionResult MatchesReference(const std::string& name, const Image& actual);

}  // namespace screens
