// The screen PNG and the numbered frames: written before the drawing call
// returns, decoded back to the same pixels, and only for a changed screen.
#include <windows.h>

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "display_backend.h"
#include "screen_test_support.h"

namespace {

namespace fs = std::filesystem;
using screen_test::ScreenTest;

struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Decodes an 8-bit RGB PNG; fails the test for anything else.
Decoded ReadPng(const std::string& path) {
    Decoded out;
    FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr) << path;
    if (!file) return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng cannot decode " << path;
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return Decoded{};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    EXPECT_EQ(png_get_bit_depth(png, info), 8);
    EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_RGB);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    std::vector<png_byte> row(png_get_rowbytes(png, info));
    for (int y = 0; y < out.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (int x = 0; x < out.width; ++x)
            out.pixels.push_back(RGB(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}

class ScreenPngTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        folder_ = fs::temp_directory_path() /
                  ("ruvexa-screen-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        host::SetScreenPng("");
        host::SetFramesFolder("");
        fs::remove_all(folder_);
        ScreenTest::TearDown();
    }

    std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

TEST_F(ScreenPngTest, ScreenFileDecodesToTheScreenPixels) {
    const std::string path = (folder_ / "screen.png").string();
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

    Decoded decoded = ReadPng(path);
    ASSERT_EQ(decoded.width, 480);
    ASSERT_EQ(decoded.height, 272);
    for (int y = 0; y < 272; ++y) {
        for (int x = 0; x < 480; ++x)
            ASSERT_EQ(decoded.At(x, y), GetPixel(screen_, x, y)) << x << "," << y;
    }
    // Only the screen file is left: the temporary one was renamed over it.
    EXPECT_EQ(Names(folder_), std::vector<std::string>{"screen.png"});
    DeleteObject(SelectObject(screen_, GetStockObject(SYSTEM_FONT)));
    DeleteObject(brush);
    DeleteObject(bitmap);
}

TEST_F(ScreenPngTest, EveryChangeIsOnDiskWhenTheCallReturns) {
    const std::string path = (folder_ / "screen.png").string();
    host::SetScreenPng(path);
    for (COLORREF color : {RGB(255, 0, 0), RGB(0, 128, 0), RGB(12, 34, 56)}) {
        FillScreen(color);
        EXPECT_EQ(ReadPng(path).At(200, 100), color);
    }
    // The final write at exit goes wherever it is asked to.
    const std::string last = (folder_ / "last.png").string();
    ASSERT_TRUE(host::WriteScreenPng(last));
    EXPECT_EQ(ReadPng(last).At(479, 271), RGB(12, 34, 56));
    EXPECT_FALSE(host::WriteScreenPng((folder_ / "missing" / "x.png").string()));
}

// A boot may end on another thread (a power cut, the switch-off) while the
// UI thread draws: the write at exit takes a whole presented frame.
TEST_F(ScreenPngTest, TheWriteAtExitFromAnotherThreadTakesAWholeFrame) {
    const std::string last = (folder_ / "last.png").string();
    FillScreen(RGB(0, 0, 255));
    std::thread ending([&] {
        for (int i = 0; i < 20; ++i) ASSERT_TRUE(host::WriteScreenPng(last));
    });
    for (int i = 0; i < 20; ++i) FillScreen(i % 2 ? RGB(255, 0, 0) : RGB(0, 0, 255));
    ending.join();
    const Decoded frame = ReadPng(last);
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), frame.At(0, 0)), 480 * 272);
}

TEST_F(ScreenPngTest, FramesAreNumberedAndWrittenOnlyOnChange) {
    FillScreen(RGB(0, 0, 0));
    const fs::path frames = folder_ / "frames" / "run";
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
