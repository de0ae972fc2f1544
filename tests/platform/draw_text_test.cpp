// DrawTextW: fonts by cell height, alignment, the opaque background box,
// clipping, and the off-screen band that replaces a status line.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "screen_test_support.h"

namespace {

using screen_test::InkBounds;
using screen_test::IsDark;
using screen_test::IsLight;
using screen_test::MakeFont;
using screen_test::ScreenTest;

constexpr COLORREF kWhite = RGB(255, 255, 255);

class DrawTextTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        large_ = MakeFont(30);
        small_ = MakeFont(14);
        ASSERT_NE(large_, nullptr);
        ASSERT_NE(small_, nullptr);
    }
    void TearDown() override {
        DeleteObject(large_);
        DeleteObject(small_);
        ScreenTest::TearDown();
    }

    // Counts pixels of `area` that are not `color`.
    int CountOther(HDC hdc, const RECT& area, COLORREF color) {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) count += GetPixel(hdc, x, y) != color;
        }
        return count;
    }

    // The status line the way the launcher replaces it: compose the band in
    // a memory context, then copy it to the screen in one step.
    void DrawBand(const wchar_t* text, COLORREF background) {
        HDC memory = CreateCompatibleDC(screen_);
        HBITMAP band = CreateCompatibleBitmap(screen_, 480, 30);
        HGDIOBJ oldFont = SelectObject(memory, large_);
        HGDIOBJ oldBitmap = SelectObject(memory, band);
        SetBkColor(memory, background);
        Fill(memory, RECT{0, 0, 480, 30}, background);
        RECT rect{0, 0, 480, 30};
        DrawTextW(memory, text, -1, &rect, DT_CENTER);
        ASSERT_TRUE(BitBlt(screen_, 0, 188, 480, 30, memory, 0, 0, SRCCOPY));
        SelectObject(memory, oldBitmap);
        SelectObject(memory, oldFont);
        DeleteObject(band);
        DeleteDC(memory);
    }

    std::vector<COLORREF> Row(int y0, int y1) {
        std::vector<COLORREF> pixels;
        for (int y = y0; y < y1; ++y) {
            for (int x = 0; x < 480; ++x) pixels.push_back(GetPixel(screen_, x, y));
        }
        return pixels;
    }

    HFONT large_ = nullptr;
    HFONT small_ = nullptr;
};

TEST_F(DrawTextTest, PositiveHeightIsTheCellHeight) {
    SIZE size{};
    SelectObject(screen_, large_);
    ASSERT_TRUE(GetTextExtentPoint32W(screen_, L"Preparing...", 12, &size));
    EXPECT_EQ(size.cy, 30);
    EXPECT_GT(size.cx, 100);
    SelectObject(screen_, small_);
    ASSERT_TRUE(GetTextExtentPoint32W(screen_, L"Preparing...", 12, &size));
    EXPECT_EQ(size.cy, 14);
    // A negative height is the em height: the cell comes out taller.
    HFONT em = MakeFont(-30);
    SelectObject(screen_, em);
    ASSERT_TRUE(GetTextExtentPoint32W(screen_, L"x", 1, &size));
    EXPECT_GT(size.cy, 30);
    SelectObject(screen_, small_);
    DeleteObject(em);
}

TEST_F(DrawTextTest, CentredCyrillicLineOnItsBackgroundBox) {
    FillScreen(kWhite);
    const COLORREF box = RGB(255, 250, 200);
    SelectObject(screen_, large_);
    SetBkColor(screen_, box);
    RECT rect{0, 50, 480, 80};
    EXPECT_EQ(DrawTextW(screen_, L"Версия ПО 6.01", -1, &rect, DT_CENTER), 30);

    RECT ink = InkBounds(screen_, RECT{0, 0, 480, 272}, IsDark);
    ASSERT_LT(ink.left, ink.right) << "no dark pixels";
    EXPECT_GE(ink.top, 50);
    EXPECT_LE(ink.bottom, 80);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 240.0, 3.0);
    EXPECT_GT(ink.right - ink.left, 150);

    // The box has the background colour over the line's extent and the
    // font's whole cell; beyond the line the rectangle is untouched.
    RECT boxArea = InkBounds(screen_, RECT{0, 0, 480, 272}, [](COLORREF c) { return c != kWhite; });
    EXPECT_EQ(boxArea.top, 50);
    EXPECT_EQ(boxArea.bottom, 80);
    EXPECT_LE(boxArea.left, ink.left);
    EXPECT_GE(boxArea.right, ink.right);
    EXPECT_LE(boxArea.right - ink.right, 4);
    EXPECT_LE(ink.left - boxArea.left, 4);
    EXPECT_EQ(GetPixel(screen_, 240, 50), box);
    EXPECT_EQ(GetPixel(screen_, 2, 60), kWhite);
}

TEST_F(DrawTextTest, MultiLineFormatsNeverCentreVertically) {
    FillScreen(kWhite);
    SelectObject(screen_, small_);
    RECT rect{10, 10, 480, 200};
    DrawTextW(screen_, L"Версия ПО 6.01", -1, &rect, DT_VCENTER);
    RECT ink = InkBounds(screen_, RECT{0, 0, 480, 272}, IsDark);
    ASSERT_LT(ink.left, ink.right);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.bottom, 24);
    EXPECT_NEAR(ink.left, 10, 2);

    // The same text as a single line is centred; the result is then the
    // offset of the text's bottom from the rectangle's top.
    FillScreen(kWhite);
    EXPECT_EQ(DrawTextW(screen_, L"Версия ПО 6.01", -1, &rect, DT_VCENTER | DT_SINGLELINE),
              (190 - 14) / 2 + 14);
    ink = InkBounds(screen_, RECT{0, 0, 480, 272}, IsDark);
    EXPECT_GT(ink.top, 90);
    EXPECT_LT(ink.bottom, 120);
}

TEST_F(DrawTextTest, LinesBreakAtNewlinesAndRightAlign) {
    FillScreen(kWhite);
    SelectObject(screen_, small_);
    RECT rect{0, 0, 300, 100};
    EXPECT_EQ(DrawTextW(screen_, L"Err0A\r\nUpgrade failed", -1, &rect, DT_RIGHT), 28);
    RECT first = InkBounds(screen_, RECT{0, 0, 480, 14}, IsDark);
    RECT second = InkBounds(screen_, RECT{0, 14, 480, 28}, IsDark);
    ASSERT_LT(first.left, first.right);
    ASSERT_LT(second.left, second.right);
    EXPECT_NEAR(first.right, 300, 3);
    EXPECT_NEAR(second.right, 300, 3);
    EXPECT_LT(second.left, first.left);
    EXPECT_EQ(CountOther(screen_, RECT{0, 28, 480, 272}, kWhite), 0);
}

TEST_F(DrawTextTest, WhiteTextOnADarkBackground) {
    const COLORREF dark = RGB(40, 40, 40);
    FillScreen(dark);
    SelectObject(screen_, large_);
    SetBkColor(screen_, dark);
    SetTextColor(screen_, kWhite);
    RECT rect{0, 188, 480, 218};
    DrawTextW(screen_, L"Upgrading...", -1, &rect, DT_CENTER);
    RECT ink = InkBounds(screen_, RECT{0, 0, 480, 272}, IsLight);
    ASSERT_LT(ink.left, ink.right);
    EXPECT_GE(ink.top, 188);
    EXPECT_LE(ink.bottom, 218);
    // Antialiased edges blend between the two colours, never beyond them.
    for (int y = ink.top; y < ink.bottom; ++y) {
        for (int x = ink.left; x < ink.right; ++x) {
            COLORREF c = GetPixel(screen_, x, y);
            ASSERT_GE(GetRValue(c), 40);
            ASSERT_EQ(GetRValue(c), GetBValue(c));
        }
    }
}

TEST_F(DrawTextTest, TextIsClippedToItsRectangle) {
    FillScreen(kWhite);
    SelectObject(screen_, large_);
    SetBkColor(screen_, RGB(0, 0, 255));
    RECT rect{200, 100, 260, 115};
    DrawTextW(screen_, L"Upgrade complete. Rebooting...", -1, &rect, DT_CENTER);
    EXPECT_GT(CountOther(screen_, rect, kWhite), 0);
    int outside =
        CountOther(screen_, RECT{0, 0, 480, 272}, kWhite) - CountOther(screen_, rect, kWhite);
    EXPECT_EQ(outside, 0);
}

TEST_F(DrawTextTest, CalcRectMeasuresWithoutDrawing) {
    FillScreen(kWhite);
    SelectObject(screen_, large_);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(screen_, L"UI APP UPGRADE", 14, &size));
    RECT rect{5, 7, 6, 8};
    EXPECT_EQ(DrawTextW(screen_, L"UI APP UPGRADE", -1, &rect, DT_CALCRECT | DT_SINGLELINE), 30);
    EXPECT_EQ(rect.right - rect.left, size.cx);
    EXPECT_EQ(rect.bottom - rect.top, 30);
    EXPECT_EQ(CountOther(screen_, RECT{0, 0, 480, 272}, kWhite), 0);
}

TEST_F(DrawTextTest, WordBreakWrapsAtSpacesWithinTheWidth) {
    SelectObject(screen_, small_);
    const wchar_t* text = L"The upgrade package could not be found on the storage card";
    RECT oneLine{0, 0, 480, 0};
    ASSERT_EQ(DrawTextW(screen_, text, -1, &oneLine, DT_CALCRECT), 14);
    RECT wrapped{0, 0, 150, 0};
    int height = DrawTextW(screen_, text, -1, &wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(height, 3 * 14);
    EXPECT_EQ(height % 14, 0);
    EXPECT_LE(wrapped.right, 150);
    EXPECT_GT(wrapped.right, 75);
    // No word is lost: only the spaces at the breaks go.
    EXPECT_GE(wrapped.right * height / 14, oneLine.right - 10 * 4);

    // A word longer than the width stays whole on its own line.
    RECT narrow{0, 0, 20, 0};
    EXPECT_EQ(DrawTextW(screen_, L"Rebooting... now", -1, &narrow, DT_CALCRECT | DT_WORDBREAK), 28);
    EXPECT_GT(narrow.right, 20);
}

TEST_F(DrawTextTest, AmpersandsArePrefixesUnlessNoPrefix) {
    SelectObject(screen_, small_);
    RECT plain{0, 0, 480, 0}, prefixed{0, 0, 480, 0}, literal{0, 0, 480, 0}, doubled{0, 0, 480, 0};
    DrawTextW(screen_, L"Exit", -1, &plain, DT_CALCRECT);
    DrawTextW(screen_, L"E&xit", -1, &prefixed, DT_CALCRECT);
    DrawTextW(screen_, L"E&xit", -1, &literal, DT_CALCRECT | DT_NOPREFIX);
    DrawTextW(screen_, L"E&&xit", -1, &doubled, DT_CALCRECT);
    EXPECT_EQ(prefixed.right, plain.right);
    EXPECT_GT(literal.right, plain.right);
    EXPECT_EQ(doubled.right, literal.right);
}

TEST_F(DrawTextTest, ShortStatusAfterALongOneLeavesNoTrace) {
    FillScreen(kWhite);
    DrawBand(L"Short", kWhite);
    std::vector<COLORREF> shortAlone = Row(188, 218);

    FillScreen(kWhite);
    DrawBand(L"Upgrade complete. Rebooting...", kWhite);
    std::vector<COLORREF> longOne = Row(188, 218);
    DrawBand(L"Short", kWhite);
    EXPECT_NE(longOne, shortAlone);
    EXPECT_EQ(Row(188, 218), shortAlone);
    EXPECT_EQ(CountOther(screen_, RECT{0, 0, 480, 188}, kWhite), 0);
    EXPECT_EQ(CountOther(screen_, RECT{0, 218, 480, 272}, kWhite), 0);
}

}  // namespace
