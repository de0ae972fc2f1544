// Comparing the screen PNGs with reference images.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "png_image.h"

namespace screens {

using testing_support::Image;
using testing_support::ReadPng;

// Right and bottom exclusive, as the bands of shell/screen_layout.h.
using Box = RECT;

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The smallest box of pixels in `area` that are not `background`; right <=
// left when there are none.
Box InkBounds(const Image& image, const Box& area, COLORREF background);
bool SameArea(const Image& a, const Image& b, const Box& area);

// Of the frames in `folder` (--frames), in order, the first of every new
// content of the status band.
std::vector<Image> StatusStates(const std::string& folder);

// The status line is whole on the screen and centred (two pixels allowed for
// the glyphs' side bearings and rounding) near the top of its band.
void ExpectCentredStatusLine(const Image& screen);

// Compares `actual` with reference/<name>.png pixel for pixel. The actual
// image is kept as output/<name>.png; on a mismatch output/<name>_err.png
// shows the differing pixels in magenta over it.
::testing::AssertionResult MatchesReference(const std::string& name, const Image& actual);

}  // namespace screens
