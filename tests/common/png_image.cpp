#include "png_image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

namespace testing_support {

Image ReadPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    Image image;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        ADD_FAILURE() << "cannot decode " << path << ": " << png.message;
        return image;
    }
    EXPECT_EQ(png.format, static_cast<png_uint_32>(PNG_FORMAT_RGB)) << path << " is no 8-bit RGB PNG";
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path << ": " << png.message;
        png_image_free(&png);
        return image;
    }
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) image.pixels.push_back(RGB(bytes[i], bytes[i + 1], bytes[i + 2]));
    return image;
}

void WritePng(const std::string& path, const Image& image) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes;
    for (COLORREF pixel : image.pixels) {
        bytes.insert(bytes.end(), {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)});
    }
    if (!png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot write " << path << ": " << png.message;
    }
}

}  // namespace testing_support
