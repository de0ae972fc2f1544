// Screens as PNG files: decoded to pixels and written back through libpng's
// simplified API.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Fails the test unless the file is an 8-bit RGB PNG, as the layer writes.
Image ReadPng(const std::string& path);
// Parents are created; fails the test when the file cannot be written.
void WritePng(const std::string& path, const Image& image);

}  // namespace testing_support
