// The screen bands of shell/screen_layout.h as the screen tests look at
// them, and the ink found in an area.
#pragma once

#include <windows.h>

#include <algorithm>

#include "screen_layout.h"

namespace testing_support {

constexpr LONG kScreenWidth = 480;

// A band across the whole width of the screen, so that ink left of the band
// shows too.
constexpr RECT AcrossScreen(const RECT& band) { return {0, band.top, kScreenWidth, band.bottom}; }

// The smallest rectangle of `area` whose pixels are ink (`isInk(x, y)`);
// right <= left when there are none.
template <typename IsInk>
RECT InkBounds(const RECT& area, IsInk isInk) {
    RECT ink{area.right, area.bottom, area.left, area.top};
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            if (isInk(x, y)) {
                ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1), std::max(ink.bottom, y + 1)};
            }
        }
    }
    return ink;
}

}  // namespace testing_support
