// The upgrade log's own lines: what the device composes, the tool parses
// back, and lines that only look alike are not taken for them.
#include <gtest/gtest.h>

#include <string>

#include "upgrade_log_format.h"

namespace {

SYSTEMTIME Date(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME date = {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    date.wHour = hour;
    date.wMinute = minute;
    date.wSecond = second;
    return date;
}

// A composed line without its "\r\n", as the readers take it.
std::wstring WithoutLineEnd(const WCHAR* line) {
    std::wstring text = line;
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
    return text.substr(0, text.size() - 2);
}

TEST(UpgradeLogFormatTest, BootLineIsComposedAsTheLogShowsIt) {
    WCHAR line[2 * MAX_PATH];
    ASSERT_TRUE(ComposeUpgradeBootLine(line, 2 * MAX_PATH, Date(2026, 12, 8, 14, 33, 6), L"USB", L"OV3_UPGRADE_7.BIN"));
    EXPECT_EQ(std::wstring(line),
              L"=== Upgrade boot: date=[2026-12-08 14:33:06], source=[USB], package=[OV3_UPGRADE_7.BIN] ===\r\n");
    WCHAR small[20];
    EXPECT_FALSE(ComposeUpgradeBootLine(small, 20, Date(2026, 12, 8, 14, 33, 6), L"USB", L"OV3_UPGRADE_7.BIN"));
}

TEST(UpgradeLogFormatTest, BootLineIsParsedBack) {
    for (const WCHAR* package : {L"OV3_UPGRADE_7.BIN", L"none", L"OV3_UPGRADE_[2].BIN", L"OV3 ] ===.BIN"}) {
        WCHAR line[2 * MAX_PATH];
        ASSERT_TRUE(ComposeUpgradeBootLine(line, 2 * MAX_PATH, Date(2027, 1, 2, 3, 4, 5), L"rollback", package));
        UpgradeBootLine boot;
        ASSERT_TRUE(ParseUpgradeBootLine(WithoutLineEnd(line).c_str(), &boot)) << std::wstring(line).c_str();
        EXPECT_EQ(boot.date.wYear, 2027);
        EXPECT_EQ(boot.date.wMonth, 1);
        EXPECT_EQ(boot.date.wDay, 2);
        EXPECT_EQ(boot.date.wHour, 3);
        EXPECT_EQ(boot.date.wMinute, 4);
        EXPECT_EQ(boot.date.wSecond, 5);
        EXPECT_EQ(std::wstring(boot.source), L"rollback");
        EXPECT_EQ(std::wstring(boot.package), package);
    }
}

TEST(UpgradeLogFormatTest, LinesThatOnlyLookAlikeAreNoBootLine) {
    UpgradeBootLine boot;
    for (const WCHAR* line : {
             L"",
             L"=== Upgrade boot: date=[2026-12-08 14:33:26], source=[USB], package=[A.BIN] ==",
             L"=== Upgrade boot: date=[2026-12-08 14:33], source=[USB], package=[A.BIN] ===",
             L"=== Upgrade boot: date=[26-12-08 14:33:26], source=[USB], package=[A.BIN] ===",
             L"=== Upgrade boot: date=[2026-12-08 14:33:26], source=[USB] ===",
             L"=== Upgrade boot: date=[2026-12-08 14:33:26], source=[USB], package=[A.BIN] === more",
             L"=== Upgrade boot: date=[2026-12-08 14:33:26], source=[a source far too long], package=[A.BIN] ===",
             L"CheckUpgrade(): found upgrade flag, at=[1805]",
         }) {
        EXPECT_FALSE(ParseUpgradeBootLine(line, &boot)) << std::wstring(line).size();
    }
}

TEST(UpgradeLogFormatTest, ResultLineRoundTrips) {
    WCHAR line[64];
    ASSERT_TRUE(ComposeUpgradeResultLine(line, 64, L"Err40"));
    EXPECT_EQ(std::wstring(line), L"=== Upgrade result: code=[Err40] ===\r\n");
    WCHAR code[kUpgradeResultCodeCapacity];
    ASSERT_TRUE(ParseUpgradeResultLine(WithoutLineEnd(line).c_str(), code));
    EXPECT_EQ(std::wstring(code), L"Err40");
    EXPECT_FALSE(ParseUpgradeResultLine(L"=== Upgrade result: code=[Err40] ==", code));
    EXPECT_FALSE(ParseUpgradeResultLine(L"=== Upgrade result: code=[a code longer than sixteen] ===", code));
    EXPECT_FALSE(ParseUpgradeResultLine(L"=== Upgrade Complete ===", code));
}

TEST(UpgradeLogFormatTest, LogFullLineIsKnown) {
    EXPECT_TRUE(IsUpgradeLogFullLine(WithoutLineEnd(kUpgradeLogFullLine).c_str()));
    EXPECT_FALSE(IsUpgradeLogFullLine(L"=== Upgrade log full ==="));
}

}  // namespace
