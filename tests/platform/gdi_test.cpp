// Brushes, bitmaps, memory contexts, bit-block copy and GetPixel on the
// screen framebuffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "display_backend.h"
#include "screen_test_support.h"

namespace {

using screen_test::ScreenTest;

class GdiTest : public ScreenTest {};

// A picture where every pixel differs from its neighbours.
std::vector<uint32_t> Picture(int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] = (static_cast<uint32_t>(x & 0xFF) << 16) |
                                                         (static_cast<uint32_t>(y & 0xFF) << 8) |
                                                         ((x + y) & 0xFF);
        }
    }
    return pixels;
}

COLORREF PictureColor(const std::vector<uint32_t>& pixels, int width, int x, int y) {
    uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

TEST_F(GdiTest, SolidBrushFillsTheRectangleAndNothingElse) {
    FillScreen(RGB(255, 255, 255));
    Fill(screen_, RECT{10, 20, 30, 40}, RGB(200, 16, 32));
    EXPECT_EQ(GetPixel(screen_, 10, 20), RGB(200, 16, 32));
    EXPECT_EQ(GetPixel(screen_, 29, 39), RGB(200, 16, 32));
    EXPECT_EQ(GetPixel(screen_, 9, 20), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen_, 30, 39), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen_, 29, 40), RGB(255, 255, 255));

    // Rectangles reaching off the screen are clipped; pixels off it are invalid.
    Fill(screen_, RECT{-50, -50, 5, 5}, RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(screen_, 0, 0), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(screen_, 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen_, -1, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(screen_, 480, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(screen_, 0, 272), CLR_INVALID);

    RECT all{0, 0, 480, 272};
    EXPECT_FALSE(FillRect(screen_, &all, reinterpret_cast<HBRUSH>(0x7777777)));
    EXPECT_FALSE(FillRect(reinterpret_cast<HDC>(0x1234), &all, GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetPixel(screen_, 200, 200), RGB(255, 255, 255));
}

TEST_F(GdiTest, PatternBrushPaintsTheImageAlignedWithTheWindow) {
    std::vector<uint32_t> pixels = Picture(480, 272);
    HBITMAP picture = host::CreateBitmapFromPixels(480, 272, pixels.data());
    ASSERT_NE(picture, nullptr);
    HBRUSH brush = CreatePatternBrush(picture);
    ASSERT_NE(brush, nullptr);
    // The brush keeps its own copy of the image.
    ASSERT_TRUE(DeleteObject(picture));

    FillScreen(RGB(0, 0, 0));
    RECT part{100, 90, 300, 176};
    ASSERT_TRUE(FillRect(screen_, &part, brush));
    for (POINT p : {POINT{100, 90}, POINT{299, 175}, POINT{213, 131}}) {
        EXPECT_EQ(GetPixel(screen_, p.x, p.y), PictureColor(pixels, 480, p.x, p.y))
            << p.x << "," << p.y;
    }
    EXPECT_EQ(GetPixel(screen_, 99, 90), RGB(0, 0, 0));

    RECT all{0, 0, 480, 272};
    ASSERT_TRUE(FillRect(screen_, &all, brush));
    for (int y = 0; y < 272; y += 7) {
        for (int x = 0; x < 480; x += 5) {
            ASSERT_EQ(GetPixel(screen_, x, y), PictureColor(pixels, 480, x, y)) << x << "," << y;
        }
    }
    EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(GdiTest, SmallPatternTilesFromTheOrigin) {
    std::vector<uint32_t> pixels = Picture(4, 3);
    HBITMAP tile = host::CreateBitmapFromPixels(4, 3, pixels.data());
    HBRUSH brush = CreatePatternBrush(tile);
    RECT area{5, 5, 50, 40};
    ASSERT_TRUE(FillRect(screen_, &area, brush));
    for (int y = 5; y < 40; ++y) {
        for (int x = 5; x < 50; ++x)
            ASSERT_EQ(GetPixel(screen_, x, y), PictureColor(pixels, 4, x % 4, y % 3));
    }
    DeleteObject(brush);
    DeleteObject(tile);
}

TEST_F(GdiTest, MemoryBandBlitCopiesExactlyTheBand) {
    FillScreen(RGB(0, 0, 255));
    HDC memory = CreateCompatibleDC(screen_);
    ASSERT_NE(memory, nullptr);
    HBITMAP band = CreateCompatibleBitmap(screen_, 480, 30);
    ASSERT_NE(band, nullptr);
    HGDIOBJ previous = SelectObject(memory, band);
    ASSERT_NE(previous, nullptr);
    // A fresh compatible bitmap is black; the band's pixels stay off screen
    // until the copy.
    EXPECT_EQ(GetPixel(memory, 479, 29), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(memory, 480, 0), CLR_INVALID);
    Fill(memory, RECT{0, 0, 480, 30}, RGB(0, 255, 0));
    Fill(memory, RECT{0, 0, 1, 1}, RGB(9, 9, 9));
    EXPECT_EQ(GetPixel(screen_, 0, 188), RGB(0, 0, 255));

    ASSERT_TRUE(BitBlt(screen_, 0, 188, 480, 30, memory, 0, 0, SRCCOPY));
    for (int x = 0; x < 480; x += 17) {
        EXPECT_EQ(GetPixel(screen_, x, 187), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(screen_, x, 218), RGB(0, 0, 255));
        for (int y = 188; y < 218; ++y) {
            if (x == 0 && y == 188) continue;
            ASSERT_EQ(GetPixel(screen_, x, y), RGB(0, 255, 0)) << x << "," << y;
        }
    }
    EXPECT_EQ(GetPixel(screen_, 0, 188), RGB(9, 9, 9));
    EXPECT_EQ(GetPixel(screen_, 479, 217), RGB(0, 255, 0));

    EXPECT_EQ(SelectObject(memory, previous), band);
    EXPECT_TRUE(DeleteObject(band));
    EXPECT_TRUE(DeleteDC(memory));
}

TEST_F(GdiTest, BlitClipsToBothContextsAndRejectsOtherOperations) {
    FillScreen(RGB(10, 20, 30));
    HDC memory = CreateCompatibleDC(screen_);
    HBITMAP block = CreateCompatibleBitmap(screen_, 20, 20);
    HGDIOBJ previous = SelectObject(memory, block);
    Fill(memory, RECT{0, 0, 20, 20}, RGB(250, 0, 0));

    // A copy hanging off the bottom-right corner, and one reading past the
    // source's edge: only the overlapping pixels move.
    ASSERT_TRUE(BitBlt(screen_, 470, 262, 40, 40, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(screen_, 479, 271), RGB(250, 0, 0));
    EXPECT_EQ(GetPixel(screen_, 469, 271), RGB(10, 20, 30));
    ASSERT_TRUE(BitBlt(screen_, 0, 0, 40, 40, memory, 10, 10, SRCCOPY));
    EXPECT_EQ(GetPixel(screen_, 9, 9), RGB(250, 0, 0));
    EXPECT_EQ(GetPixel(screen_, 10, 10), RGB(10, 20, 30));
    EXPECT_EQ(GetPixel(screen_, 0, 10), RGB(10, 20, 30));

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(BitBlt(screen_, 100, 100, 20, 20, memory, 0, 0, 0x00EE0086 /* SRCPAINT */));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(GetPixel(screen_, 100, 100), RGB(10, 20, 30));

    SelectObject(memory, previous);
    DeleteObject(block);
    DeleteDC(memory);
}

TEST_F(GdiTest, ScreenToScreenCopyHandlesOverlap) {
    FillScreen(RGB(0, 0, 0));
    for (int x = 0; x < 10; ++x) Fill(screen_, RECT{x, 0, x + 1, 1}, RGB(x * 20, 0, 0));
    ASSERT_TRUE(BitBlt(screen_, 3, 0, 10, 1, screen_, 0, 0, SRCCOPY));
    for (int x = 0; x < 10; ++x) EXPECT_EQ(GetPixel(screen_, x + 3, 0), RGB(x * 20, 0, 0)) << x;
}

TEST_F(GdiTest, SelectionRulesForBitmapsAndFonts) {
    HDC first = CreateCompatibleDC(screen_);
    HDC second = CreateCompatibleDC(screen_);
    HBITMAP bitmap = CreateCompatibleBitmap(screen_, 8, 8);
    HGDIOBJ initial = SelectObject(first, bitmap);
    ASSERT_NE(initial, nullptr);
    EXPECT_EQ(GetObjectType(initial), static_cast<DWORD>(OBJ_BITMAP));

    // A bitmap lives in one context at a time and cannot be deleted there.
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(first, initial), bitmap);
    EXPECT_NE(SelectObject(second, bitmap), nullptr);
    // The screen context takes no bitmap.
    EXPECT_EQ(SelectObject(screen_, bitmap), nullptr);

    HFONT font = screen_test::MakeFont(30);
    ASSERT_NE(font, nullptr);
    HGDIOBJ systemFont = SelectObject(first, font);
    EXPECT_EQ(GetObjectType(systemFont), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(SelectObject(first, systemFont), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));

    EXPECT_TRUE(DeleteDC(second));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_FALSE(DeleteDC(first));
}

TEST_F(GdiTest, BitmapCompatibleWithAFreshMemoryContextIsMonochrome) {
    HDC memory = CreateCompatibleDC(screen_);
    HBITMAP mono = CreateCompatibleBitmap(memory, 10, 10);
    HBITMAP color = CreateCompatibleBitmap(screen_, 10, 10);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(mono, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmBitsPixel, 1);
    EXPECT_EQ(info.bmWidth, 10);
    ASSERT_EQ(GetObjectW(color, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmBitsPixel, 24);

    // Drawn colours collapse to black or white, as on the device.
    HGDIOBJ previous = SelectObject(memory, mono);
    Fill(memory, RECT{0, 0, 5, 10}, RGB(200, 40, 40));
    Fill(memory, RECT{5, 0, 10, 10}, RGB(230, 230, 200));
    EXPECT_EQ(GetPixel(memory, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(memory, 9, 9), RGB(255, 255, 255));
    SelectObject(memory, previous);
    DeleteObject(mono);
    DeleteObject(color);
    DeleteDC(memory);
}

TEST_F(GdiTest, ContextDefaultsAndAttributeSetters) {
    EXPECT_EQ(GetTextColor(screen_), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(screen_), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(screen_), OPAQUE);
    EXPECT_EQ(SetBkColor(screen_, RGB(1, 2, 3)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkColor(screen_, RGB(4, 5, 6)), RGB(1, 2, 3));
    EXPECT_EQ(SetTextColor(screen_, RGB(255, 255, 255)), RGB(0, 0, 0));
    EXPECT_EQ(SetBkMode(screen_, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(screen_, OPAQUE), TRANSPARENT);

    // A new context starts from the defaults again.
    HDC other = GetDC(nullptr);
    EXPECT_EQ(GetBkColor(other), RGB(255, 255, 255));
    EXPECT_EQ(GetTextColor(other), RGB(0, 0, 0));
    EXPECT_EQ(ReleaseDC(nullptr, other), 1);

    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    RECT corner{0, 0, 2, 2};
    ASSERT_TRUE(FillRect(screen_, &corner, GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetPixel(screen_, 1, 1), RGB(0, 0, 0));
}

// Contexts of windows draw at the client area's place and no further.
class WindowDcTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = L"GdiTestWindow";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
    }
    void TearDown() override {
        host::ResetWindowManager();
        ScreenTest::TearDown();
    }
    HWND Create(DWORD style, int x, int y, int width, int height) {
        return CreateWindowExW(0, L"GdiTestWindow", L"Test", style, x, y, width, height, nullptr,
                               nullptr, nullptr, nullptr);
    }
};

TEST_F(WindowDcTest, WindowContextIsPlacedAndClippedToTheWindow) {
    FillScreen(RGB(255, 255, 255));
    HWND window = Create(WS_POPUP, 100, 50, 200, 100);
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    Fill(dc, RECT{-20, -20, 1000, 1000}, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen_, 100, 50), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen_, 299, 149), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen_, 99, 50), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen_, 300, 149), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(screen_, 100, 150), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 200, 0), CLR_INVALID);

    // A pattern starts at the window's corner, not the screen's.
    std::vector<uint32_t> pixels = Picture(4, 3);
    HBITMAP tile = host::CreateBitmapFromPixels(4, 3, pixels.data());
    HBRUSH brush = CreatePatternBrush(tile);
    RECT area{1, 1, 9, 7};
    ASSERT_TRUE(FillRect(dc, &area, brush));
    EXPECT_EQ(GetPixel(screen_, 101, 51), PictureColor(pixels, 4, 1, 1));
    EXPECT_EQ(GetPixel(screen_, 104, 53), PictureColor(pixels, 4, 0, 0));
    DeleteObject(brush);
    DeleteObject(tile);
    EXPECT_EQ(ReleaseDC(window, dc), 1);
}

// A caption, where the window manager draws one, takes the top of the
// window: the client area is what is left below it.
TEST_F(WindowDcTest, ContextStartsAtTheClientArea) {
    FillScreen(RGB(255, 255, 255));
    HWND window = Create(WS_POPUP | WS_CAPTION, 40, 30, 200, 120);
    ASSERT_NE(window, nullptr);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    ASSERT_EQ(client.right, 200);
    int clientTop = 30 + 120 - client.bottom;
    HDC dc = GetDC(window);
    Fill(dc, RECT{0, 0, 1, 1}, RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(screen_, 40, clientTop), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(screen_, 40, clientTop - 1), RGB(255, 255, 255));
    ReleaseDC(window, dc);

    DestroyWindow(window);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
