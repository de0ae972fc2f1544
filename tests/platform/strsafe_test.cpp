// Bounded wide-string functions: results, truncation and buffer limits.
#include <gtest/gtest.h>
#include <strsafe.h>

#include <string>

namespace {

constexpr WCHAR kGuard = L'\x2A5A';

// A buffer of `size` units followed by guard units that must stay intact.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t size) : size(size), units(size + 4, kGuard) {}
    LPWSTR data() { return units.data(); }
    bool GuardIntact() const { return units.substr(size) == std::wstring(4, kGuard); }
    size_t size;
    std::wstring units;
};

}  // namespace

TEST(StringCch, CopyAndCatTruncateAndTerminate) {
    GuardedBuffer buffer(8);
    EXPECT_EQ(StringCchCopyW(buffer.data(), 8, L"1234567"), S_OK);
    EXPECT_STREQ(buffer.data(), L"1234567");
    EXPECT_EQ(StringCchCopyW(buffer.data(), 8, L"123456789"), STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buffer.data(), L"1234567");

    EXPECT_EQ(StringCchCopyW(buffer.data(), 8, L"abc"), S_OK);
    EXPECT_EQ(StringCchCatW(buffer.data(), 8, L"defg"), S_OK);
    EXPECT_STREQ(buffer.data(), L"abcdefg");
    EXPECT_EQ(StringCchCatW(buffer.data(), 8, L"h"), STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buffer.data(), L"abcdefg");
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(StringCch, CatRefusesAnUnterminatedDestination) {
    GuardedBuffer buffer(4);
    std::wmemset(buffer.data(), L'x', 4);
    EXPECT_EQ(StringCchCatW(buffer.data(), 4, L"y"), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(buffer.units.substr(0, 4), L"xxxx");
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(StringCch, PrintfFitsExactlyOrTruncates) {
    GuardedBuffer buffer(MAX_PATH);
    std::wstring name(MAX_PATH - 1 - 3, L'n');
    EXPECT_EQ(StringCchPrintfW(buffer.data(), MAX_PATH, L"%s\\%s", L"\\A", name.c_str()), S_OK);
    EXPECT_EQ(std::wcslen(buffer.data()), static_cast<size_t>(MAX_PATH - 1));
    EXPECT_TRUE(buffer.GuardIntact());

    std::wstring longer = name + L"n";
    EXPECT_EQ(StringCchPrintfW(buffer.data(), MAX_PATH, L"%s\\%s", L"\\A", longer.c_str()),
              STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::wstring(buffer.data()), (L"\\A\\" + longer).substr(0, MAX_PATH - 1));
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(StringCch, RejectsUnusableSizes) {
    GuardedBuffer buffer(4);
    EXPECT_EQ(StringCchCopyW(buffer.data(), 0, L"a"), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(buffer.data()[0], kGuard);
    size_t tooLarge = static_cast<size_t>(STRSAFE_MAX_CCH) + 1;
    EXPECT_EQ(StringCchCopyW(buffer.data(), tooLarge, L"a"), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(StringCchPrintfW(buffer.data(), 0, L"%d", 1), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(StringCchCatW(buffer.data(), tooLarge, L"a"), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(StringCch, LengthStopsAtItsLimit) {
    size_t length = 99;
    EXPECT_EQ(StringCchLengthW(L"abc", 4, &length), S_OK);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(StringCchLengthW(L"abc", 3, &length), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(StringCchLengthW(nullptr, 4, &length), STRSAFE_E_INVALID_PARAMETER);
}
