// The screen PNG and the numbered frames: written before the drawing call
// returns, decoded back to the same pixels, and only for a changed screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "display_backend.h"
#include "png_image.h"
#include "screen_test_support.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using screen_test::ScreenTest;
using testing_support::ReadPng;

class ScreenPngTest : public ScreenTest {
protected:
    void TearDown() override {
        host::SetScreenPng("");
        host::SetFramesFolder("");
        ScreenTest::TearDown();
    }

    std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing_support::TempFolder folder_{"ruvexa-screen-"};
};

TEST_F(ScreenPngTest, ScreenFileDecodesToTheScreenPixels) {
    const std::string path = folder_.Path("screen.png");
    host::SetScreenPng(path);
    std::vector<uint32_t> picture(480 * 272);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    HBITMAP bitmap = host::CreateBitmapFromPixels(480, 272, picture.data());
    HBRUSH brush = CreatePatternBrush(bitmap);
    RECT all{0, 0, 480, 272};
    ASSERT_TRUE(FillRect(screen_, &all, brush));
    SelectObject(screen_, screen_test::MakeFont(30));
    RECT title{0, 50, 480, 80};
    DrawTextW(screen_, L"UI APP UPGRADE", -1, &title, DT_CENTER | DT_VCENTER);

    const testing_support::Image decoded = ReadPng(path);
    ASSERT_EQ(decoded.width, 480);
    ASSERT_EQ(decoded.height, 272);
    for (int y = 0; y < 272; ++y) {
        for (int x = 0; x < 480; ++x)
            ASSERT_EQ(decoded.At(x, y), GetPixel(screen_, x, y)) << x << "," << y;
    }
    // Only the screen file is left: the temporary one was renamed over it.
    EXPECT_EQ(Names(folder_.Root()), std::vector<std::string>{"screen.png"});
    DeleteObject(SelectObject(screen_, GetStockObject(SYSTEM_FONT)));
    DeleteObject(brush);
    DeleteObject(bitmap);
}

TEST_F(ScreenPngTest, EveryChangeIsOnDiskWhenTheCallReturns) {
    const std::string path = folder_.Path("screen.png");
    host::SetScreenPng(path);
    for (COLORREF color : {RGB(255, 0, 0), RGB(0, 128, 0), RGB(12, 34, 56)}) {
        FillScreen(color);
        EXPECT_EQ(ReadPng(path).At(200, 100), color);
    }
    // The final write at exit goes wherever it is asked to.
    const std::string last = folder_.Path("last.png");
    ASSERT_TRUE(host::WriteScreenPng(last));
    EXPECT_EQ(ReadPng(last).At(479, 271), RGB(12, 34, 56));
    EXPECT_FALSE(host::WriteScreenPng(folder_.Path("missing/x.png")));
}

// A boot may end on another thread (a power cut, the switch-off) while the
// UI thread draws: the write at exit takes a whole presented frame.
TEST_F(ScreenPngTest, TheWriteAtExitFromAnotherThreadTakesAWholeFrame) {
    const std::string last = folder_.Path("last.png");
    FillScreen(RGB(0, 0, 255));
    std::thread ending([&] {
        for (int i = 0; i < 20; ++i) ASSERT_TRUE(host::WriteScreenPng(last));
    });
    for (int i = 0; i < 20; ++i) FillScreen(i % 2 ? RGB(255, 0, 0) : RGB(0, 0, 255));
    ending.join();
    const testing_support::Image frame = ReadPng(last);
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), frame.At(0, 0)), 480 * 272);
}

TEST_F(ScreenPngTest, FramesAreNumberedAndWrittenOnlyOnChange) {
    FillScreen(RGB(0, 0, 0));
    const fs::path frames = folder_.Path("frames/run");
    host::SetFramesFolder(frames.string());

    FillScreen(RGB(255, 0, 0));
    FillScreen(RGB(255, 0, 0));  // no change: no frame
    Fill(screen_, RECT{0, 0, 10, 10}, RGB(255, 0, 0));
    // Drawing off screen is not a frame either.
    HDC memory = CreateCompatibleDC(screen_);
    HBITMAP band = CreateCompatibleBitmap(screen_, 480, 30);
    HGDIOBJ previous = SelectObject(memory, band);
    Fill(memory, RECT{0, 0, 480, 30}, RGB(0, 0, 255));
    EXPECT_EQ(Names(frames), std::vector<std::string>{"0001.png"});

    ASSERT_TRUE(BitBlt(screen_, 0, 188, 480, 30, memory, 0, 0, SRCCOPY));
    FillScreen(RGB(255, 255, 255));
    EXPECT_EQ(Names(frames), (std::vector<std::string>{"0001.png", "0002.png", "0003.png"}));
    EXPECT_EQ(ReadPng((frames / "0001.png").string()).At(0, 200), RGB(255, 0, 0));
    EXPECT_EQ(ReadPng((frames / "0002.png").string()).At(0, 200), RGB(0, 0, 255));
    EXPECT_EQ(ReadPng((frames / "0002.png").string()).At(0, 187), RGB(255, 0, 0));
    EXPECT_EQ(ReadPng((frames / "0003.png").string()).At(0, 200), RGB(255, 255, 255));

    SelectObject(memory, previous);
    DeleteObject(band);
    DeleteDC(memory);
}

}  // namespace
