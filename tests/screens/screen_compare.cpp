// The comparison with the reference images.
#include "screen_compare.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "ink_bounds.h"
#include "screen_layout.h"

namespace screens {
namespace {

namespace fs = std::filesystem;

bool UpdateRequested() {
    const char* update = std::getenv("RUVEXA_UPDATE_SCREENS");
    return update && std::string(update) == "1";
}

}  // namespace

Box InkBounds(const Image& image, const Box& area, COLORREF background) {
    return testing_support::InkBounds(area, [&](LONG x, LONG y) { return image.At(x, y) != background; });
}

bool SameArea(const Image& a, const Image& b, const Box& area) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (a.At(x, y) != b.At(x, y)) return false;
        }
    }
    return true;
}

::testing::AssertionResult MatchesReference(const std::string& name, const Image& actual) {
    std::string referencePath = std::string(RUVEXA_SCREENS_REFERENCE_DIR) + "/" + name + ".png";
    std::string outputPath = std::string(RUVEXA_SCREENS_OUTPUT_DIR) + "/" + name + ".png";
    std::string errorPath = std::string(RUVEXA_SCREENS_OUTPUT_DIR) + "/" + name + "_err.png";
    testing_support::WritePng(outputPath, actual);
    std::error_code ignored;
    fs::remove(errorPath, ignored);

    if (!fs::exists(referencePath)) {
        if (UpdateRequested()) {
            testing_support::WritePng(referencePath, actual);
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
            marked.pixels[i] = RGB(255, 0, 255);
        }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    testing_support::WritePng(errorPath, marked);
    const COLORREF got = actual.At(firstX, firstY);
    const COLORREF want = reference.At(firstX, firstY);
    std::ostringstream report;
    report << name << ": " << differing << " pixels differ from " << referencePath << "; the first at (" << firstX
           << ", " << firstY << "): rgb(" << int(GetRValue(got)) << ", " << int(GetGValue(got)) << ", "
           << int(GetBValue(got)) << ") instead of rgb(" << int(GetRValue(want)) << ", " << int(GetGValue(want)) << ", "
           << int(GetBValue(want)) << "). Marked in "
           << errorPath << ". Text pixels depend on the installed DejaVu Sans Bold and FreeType: if only the"
           << " glyphs differ, compare those versions with CI's before adopting the new screen.";
    return ::testing::AssertionFailure() << report.str();
}

std::vector<Image> StatusStates(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    std::vector<Image> states;
    for (const auto& name : names) {
        Image frame = ReadPng(name);
        if (states.empty() || !SameArea(states.back(), frame, kStatusBand)) states.push_back(std::move(frame));
    }
    return states;
}

void ExpectCentredStatusLine(const Image& screen) {
    Box ink = InkBounds(screen, kStatusBand, kWhite);
    ASSERT_LT(ink.left, ink.right) << "the status band is empty";
    EXPECT_GT(ink.left, 0) << "the line runs off the screen";
    EXPECT_LE(std::abs(ink.left - (480 - ink.right)), 2) << "ink from x=" << ink.left << " to " << ink.right;
    EXPECT_LT(ink.top - kStatusBand.top, 8);
}

}  // namespace screens
