// Where the ink is in an area of pixels, whatever holds them: the screen, a
// snapshot of it, or a decoded PNG.
#pragma once

#include <windows.h>

#include <algorithm>

namespace testing_support {

// The smallest rectangle of `area` whose pixels are ink (`isInk(x, y)`);
// right <= left when there are none.
template <typename IsInk>
RECT InkBounds(const RECT& area, IsInk isInk) {
    RECT ink{area.right, area.bottom, area.left, area.top};
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            if (isInk(x, y)) {
                ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                       std::max(ink.bottom, y + 1)};
            }
        }
    }
    return ink;
}

}  // namespace testing_support
