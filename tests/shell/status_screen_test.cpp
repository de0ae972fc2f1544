// The status screen's drawing rules on the window: the text colour on a dark
// background, the status band replaced as a whole, skipped version lines,
// and the error line made of code, space and message.
#include "shell_test_support.h"
#include "status_screen.h"

namespace {

using shell_test::Capture;
using shell_test::SamePixels;
using shell_test::InkBounds;
using shell_test::kStatusArea;
using shell_test::ShellTest;
using shell_test::Snapshot;

using testing_support::AcrossScreen;

constexpr RECT kVersionArea1 = AcrossScreen(kVersionBand1);
constexpr RECT kVersionArea2 = AcrossScreen(kVersionBand2);
constexpr RECT kVersionArea3 = AcrossScreen(kVersionBand3);

class StatusScreenTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(KillTimer(g_hWnd, IDT_INITIALIZE));
    }
    // Repaints the window with its background picture.
    void Erase() {
        ASSERT_TRUE(InvalidateRect(g_hWnd, NULL, TRUE));
        ASSERT_TRUE(UpdateWindow(g_hWnd));
    }
};

struct InkCount {
    int white = 0;
    int black = 0;
    int background = 0;
    int darkerThanBackground = 0;
    int other = 0;
};

InkCount CountInk(const Snapshot& shot, COLORREF background) {
    InkCount count;
    for (COLORREF pixel : shot.pixels) {
        if (pixel == background) {
            ++count.background;
        } else if (pixel == RGB(255, 255, 255)) {
            ++count.white;
        } else if (pixel == RGB(0, 0, 0)) {
            ++count.black;
        } else {
            ++count.other;
        }
        if (GetRValue(pixel) < GetRValue(background) || GetGValue(pixel) < GetGValue(background) ||
            GetBValue(pixel) < GetBValue(background)) {
            ++count.darkerThanBackground;
        }
    }
    return count;
}

TEST_F(StatusScreenTest, TheShippedBackgroundIsWhiteAndTextIsBlack) {
    EXPECT_EQ(g_bkColor, RGB(255, 255, 255));
    DrawStatusText(L"Finding upgrade file...");
    InkCount ink = CountInk(Capture(kStatusArea), g_bkColor);
    EXPECT_GT(ink.black, 0);
    EXPECT_GT(ink.background, 0);
}

TEST_F(StatusScreenTest, OnADarkBackgroundEveryTextIsWhite) {
    g_bkColor = RGB(158, 158, 158);  // every component below 159
    DrawStatusText(L"Upgrading...");
    DrawVersionText(L"Версия ПО 6.01", NULL, NULL);
    DrawTitleText(L"UI APP UPGRADE");

    for (const RECT& area : {kStatusArea, kVersionArea1, kTitleBand}) {
        Snapshot shot = Capture(area);
        RECT ink = InkBounds(shot, RGB(255, 255, 255));  // anything but white
        InkCount count = CountInk(shot, g_bkColor);
        EXPECT_GT(count.white, 0) << "no white ink in band at y=" << area.top;
        EXPECT_EQ(count.black, 0) << "black ink in band at y=" << area.top;
        EXPECT_LT(ink.left, ink.right) << "no background box in band at y=" << area.top;
    }
    // In the status band, everything is background or lighter.
    EXPECT_EQ(CountInk(Capture(kStatusArea), g_bkColor).darkerThanBackground, 0);
}

TEST_F(StatusScreenTest, ABackgroundWithOneLightComponentKeepsTheTextBlack) {
    g_bkColor = RGB(159, 0, 0);
    DrawStatusText(L"Upgrading...");
    InkCount count = CountInk(Capture(kStatusArea), g_bkColor);
    EXPECT_GT(count.black, 0);
    EXPECT_EQ(count.white, 0);
    EXPECT_GT(count.background, 0);
}

TEST_F(StatusScreenTest, AShortStatusAfterALongOneLeavesNoTrace) {
    Snapshot shortAlone = (DrawStatusText(L"Upgrading..."), Capture(kStatusArea));
    Erase();
    DrawStatusText(L"Upgrade complete. Rebooting...");
    Snapshot longText = Capture(kStatusArea);
    DrawStatusText(L"Upgrading...");
    Snapshot shortAfterLong = Capture(kStatusArea);

    RECT longInk = InkBounds(longText, g_bkColor);
    RECT shortInk = InkBounds(shortAfterLong, g_bkColor);
    ASSERT_LT(longInk.left, shortInk.left) << "the long text must reach beyond the short one";
    EXPECT_TRUE(SamePixels(shortAfterLong, shortAlone));
}

TEST_F(StatusScreenTest, TheStatusBandIsAPlainStripeOfTheBackgroundColour) {
    g_bkColor = RGB(40, 60, 90);
    DrawStatusText(L"");
    Snapshot band = Capture(kStatusArea);
    EXPECT_EQ(CountInk(band, g_bkColor).background, 480 * 30);
    // Nothing outside the band changed.
    const std::vector<COLORREF> white(480, RGB(255, 255, 255));
    EXPECT_EQ(Capture({0, kStatusArea.top - 1, 480, kStatusArea.top}).pixels, white);
    EXPECT_EQ(Capture({0, kStatusArea.bottom, 480, kStatusArea.bottom + 1}).pixels, white);
}

TEST_F(StatusScreenTest, ANullVersionTextIsSkipped) {
    Snapshot emptyLine2 = Capture(kVersionArea2);
    DrawVersionText(L"Версия ПО 6.01", NULL, L"Версия адаптации 2.07");

    EXPECT_TRUE(SamePixels(Capture(kVersionArea2), emptyLine2));
    for (const RECT& area : {kVersionArea1, kVersionArea3}) {
        RECT ink = InkBounds(Capture(area), g_bkColor);
        ASSERT_LT(ink.left, ink.right);
        EXPECT_GE(ink.left, 10) << "version lines start at x=10";
        EXPECT_LT(ink.left, 14);
    }
}

TEST_F(StatusScreenTest, TheErrorLineIsTheCodeASpaceAndTheMessage) {
    DrawErrorText(L"Err0A", L"Preparation failed");
    Snapshot error = Capture(kStatusArea);
    EXPECT_TRUE(SamePixels(error, (DrawStatusText(L"Err0A Preparation failed"), Capture(kStatusArea))));

    // A code and message beyond the 99 characters of the line are cut short.
    std::wstring longMessage(150, L'x');
    DrawErrorText(L"Err0A", longMessage.c_str());
    Snapshot cut = Capture(kStatusArea);
    std::wstring kept = L"Err0A " + std::wstring(93, L'x');
    EXPECT_TRUE(SamePixels(cut, (DrawStatusText(kept.c_str()), Capture(kStatusArea))));
}

}  // namespace
