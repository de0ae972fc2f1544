// PNG decoding and encoding through libpng's simplified API, and the
// comparison with the reference images.
#include "screen_compare.h"

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "screen_bands.h"

namespace screens {
namespace {

namespace fs = std::filesystem;

bool UpdateRequested() {
    const char* update = std::getenv("RUVEXA_UPDATE_SCREENS");
    return update && std::string(update) == "1";
}

}  // namespace

Image ReadPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    Image image;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        ADD_FAILURE() << "cannot decode " << path << ": " << png.message;
        return image;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path << ": " << png.message;
        png_image_free(&png);
        return image;
    }
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) image.pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
    return image;
}

void WritePng(const std::string& path, const Image& image) {
    fs::create_directories(fs::path(path).parent_path());
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes;
    for (const Rgb& pixel : image.pixels) bytes.insert(bytes.end(), {pixel.r, pixel.g, pixel.b});
    if (!png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot write " << path << ": " << png.message;
    }
}

Box InkBounds(const Image& image, const Box& area, Rgb background) {
    return testing_support::InkBounds(area, [&](LONG x, LONG y) { return !(image.At(x, y) == background); });
}

bool SameArea(const Image& a, const Image& b, const Box& area) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (!(a.At(x, y) == b.At(x, y))) return false;
        }
    }
    return true;
}

::testing::AssertionResult MatchesReference(const std::string& name, const Image& actual) {
    std::string referencePath = std::string(RUVEXA_SCREENS_REFERENCE_DIR) + "/" + name + ".png";
    std::string outputPath = std::string(RUVEXA_SCREENS_OUTPUT_DIR) + "/" + name + ".png";
    std::string errorPath = std::string(RUVEXA_SCREENS_OUTPUT_DIR) + "/" + name + "_err.png";
    WritePng(outputPath, actual);
    std::error_code ignored;
    fs::remove(errorPath, ignored);

    if (!fs::exists(referencePath)) {
        if (UpdateRequested()) {
            WritePng(referencePath, actual);
            return ::testing::AssertionSuccess() << "wrote the reference " << referencePath;
        }
        return ::testing::AssertionFailure() << "no reference image " << referencePath << " (the screen is in "
                                             << outputPath << "; run with RUVEXA_UPDATE_SCREENS=1 to adopt it)";
    }
    Image reference = ReadPng(referencePath);
    if (reference.width != actual.width || reference.height != actual.height) {
        return ::testing::AssertionFailure() << "the screen is " << actual.width << " x " << actual.height
                                             << ", the reference " << referencePath << " " << reference.width
                                             << " x " << reference.height;
    }
    Image marked = actual;
    int differing = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            size_t i = static_cast<size_t>(y) * actual.width + x;
            if (actual.pixels[i] == reference.pixels[i]) continue;
            if (differing++ == 0) {
                firstX = x;
                firstY = y;
            }
            marked.pixels[i] = {255, 0, 255};
        }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    WritePng(errorPath, marked);
    const Rgb& got = actual.At(firstX, firstY);
    const Rgb& want = reference.At(firstX, firstY);
    std::ostringstream report;
    report << name << ": " << differing << " pixels differ from " << referencePath << "; the first at (" << firstX
           << ", " << firstY << "): rgb(" << int(got.r) << ", " << int(got.g) << ", " << int(got.b)
           << ") instead of rgb(" << int(want.r) << ", " << int(want.g) << ", " << int(want.b) << "). Marked in "
           << errorPath << ". Text pixels depend on the installed DejaVu Sans Bold and FreeType: if only the"
           << " glyphs differ, compare those versions with CI's before adopting the new screen.";
    return ::testing::AssertionFailure() << report.str();
}

}  // namespace screens
