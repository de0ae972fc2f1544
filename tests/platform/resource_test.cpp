// Strings, icons and bitmaps from the program's resource table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ruvexa_host.h"
#include "ruvexa_resources.h"

namespace {

// A 24-bit uncompressed .bmp of `width` x `height` (rows padded to 4 bytes);
// pixel(x, y) gives 0x00RRGGBB with y counted from the top.
template <class PixelAt>
std::vector<uint8_t> MakeBmp(int width, int height, bool topDown, PixelAt pixel) {
    int stride = (width * 3 + 3) / 4 * 4;
    uint32_t imageSize = static_cast<uint32_t>(stride * height);
    std::vector<uint8_t> bytes(54 + imageSize, 0);
    auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(topDown ? -height : height));
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, imageSize);
    for (int y = 0; y < height; ++y) {
        int row = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            uint32_t rgb = pixel(x, y);
            size_t at = 54 + static_cast<size_t>(row) * stride + x * 3;
            bytes[at] = rgb & 0xFF;
            bytes[at + 1] = (rgb >> 8) & 0xFF;
            bytes[at + 2] = (rgb >> 16) & 0xFF;
        }
    }
    return bytes;
}

uint32_t Pattern(int x, int y) { return (static_cast<uint32_t>(x * 40) << 16) | (y * 60 << 8) | 0x21; }

const host::StringResource kStrings[] = {{1, L"Ruvexa"}, {2, L"RUVEXA"}};

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        bottomUp_ = MakeBmp(5, 3, false, Pattern);
        topDown_ = MakeBmp(5, 3, true, Pattern);
        truncated_ = bottomUp_;
        truncated_.resize(truncated_.size() - 10);
        bitmaps_ = {{129, bottomUp_.data(), bottomUp_.size()},
                    {130, topDown_.data(), topDown_.size()},
                    {131, truncated_.data(), truncated_.size()}};
        icons_ = {{101, icon_, sizeof icon_}};
        table_ = host::ResourceTable{kStrings, 2, bitmaps_.data(), bitmaps_.size(), icons_.data(), icons_.size(),
                                     nullptr, 0, nullptr, 0, nullptr, 0};
        host::SetResourceTable(&table_);
    }
    void TearDown() override { host::SetResourceTable(nullptr); }

    // Every pixel of a loaded bitmap, read back through a memory context.
    static std::vector<uint32_t> PixelsOf(HBITMAP bitmap, int width, int height) {
        HDC memory = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                COLORREF c = GetPixel(memory, x, y);
                pixels.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
            }
        }
        SelectObject(memory, previous);
        DeleteDC(memory);
        return pixels;
    }

    std::vector<uint8_t> bottomUp_, topDown_, truncated_;
    const unsigned char icon_[6] = {0, 0, 1, 0, 0, 0};
    std::vector<host::FileResource> bitmaps_, icons_;
    host::ResourceTable table_{};
};

}  // namespace

TEST_F(ResourceTest, LoadStringCopiesTruncatesAndTerminates) {
    WCHAR buffer[100];
    EXPECT_EQ(LoadStringW(nullptr, 2, buffer, 100), 6);
    EXPECT_EQ(std::wstring(buffer), L"RUVEXA");

    WCHAR small[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(LoadStringW(nullptr, 1, small, 4), 3);
    EXPECT_EQ(std::wstring(small), L"Ruv");

    const WCHAR* inPlace = nullptr;
    EXPECT_EQ(LoadStringW(nullptr, 1, reinterpret_cast<LPWSTR>(&inPlace), 0), 6);
    EXPECT_EQ(std::wstring(inPlace, 6), L"Ruvexa");

    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadStringW(nullptr, 3, buffer, 100), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(buffer[0], L'\0');
}

TEST_F(ResourceTest, LoadIconKnowsOnlyTheTablesIcons) {
    EXPECT_NE(LoadIconW(nullptr, MAKEINTRESOURCEW(101)), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(102)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadIconW(nullptr, L"named"), nullptr);
}

TEST_F(ResourceTest, LoadBitmapDecodesBottomUpAndTopDownRowsAlike) {
    std::vector<uint32_t> expected;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) expected.push_back(Pattern(x, y));
    }
    HBITMAP bottomUp = LoadBitmapW(nullptr, MAKEINTRESOURCEW(129));
    HBITMAP topDown = LoadBitmapW(nullptr, MAKEINTRESOURCEW(130));
    ASSERT_NE(bottomUp, nullptr);
    ASSERT_NE(topDown, nullptr);
    EXPECT_EQ(PixelsOf(bottomUp, 5, 3), expected);
    EXPECT_EQ(PixelsOf(topDown, 5, 3), expected);
    BITMAP info{};
    ASSERT_NE(GetObjectW(bottomUp, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 5);
    EXPECT_EQ(info.bmHeight, 3);
    DeleteObject(bottomUp);
    DeleteObject(topDown);
}

TEST_F(ResourceTest, LoadBitmapRefusesAFileShorterThanItsHeaderClaims) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(131)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(132)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}
