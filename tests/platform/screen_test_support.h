// Helpers for the drawing tests: a headless screen context and ink scans.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "ink_bounds.h"
#include "ruvexa_host.h"

namespace screen_test {

// A device context on the whole screen, headless, no PNG output.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::SetHeadless(true);
        host::SetScreenPng("");
        host::SetFramesFolder("");
        screen_ = GetDC(nullptr);
        ASSERT_NE(screen_, nullptr);
    }
    void TearDown() override {
        if (screen_) ReleaseDC(nullptr, screen_);
    }

    void Fill(HDC hdc, const RECT& rect, COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        ASSERT_TRUE(FillRect(hdc, &rect, brush));
        ASSERT_TRUE(DeleteObject(brush));
    }
    void FillScreen(COLORREF color) { Fill(screen_, RECT{0, 0, 480, 272}, color); }

    HDC screen_ = nullptr;
};

// The smallest rectangle holding every pixel of `area` that `isInk` accepts;
// empty (right <= left) when there is none.
template <class Predicate>
RECT InkBounds(HDC hdc, const RECT& area, Predicate isInk) {
    return testing_support::InkBounds(area, [&](LONG x, LONG y) { return isInk(GetPixel(hdc, x, y)); });
}

inline bool IsDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128; }
inline bool IsLight(COLORREF c) { return !IsDark(c); }

inline HFONT MakeFont(LONG height) {
    LOGFONTW description{};
    description.lfHeight = height;
    description.lfWeight = FW_BOLD;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = CLEARTYPE_QUALITY;
    return CreateFontIndirectW(&description);
}

}  // namespace screen_test
