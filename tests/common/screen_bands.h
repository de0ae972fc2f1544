// The screen bands of shell/screen_layout.h as the screen tests look at them.
#pragma once

#include <windows.h>

#include "screen_layout.h"

namespace testing_support {

using ::kScreenWidth;

// A band across the whole width of the screen, so that ink left of the band
// shows too.
constexpr RECT AcrossScreen(const RECT& band) { return {0, band.top, kScreenWidth, band.bottom}; }

}  // namespace testing_support
