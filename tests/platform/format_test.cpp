// The device's wide printf, through StringCchPrintfW and NKDbgPrintfW.
#include <gtest/gtest.h>

#include <algorithm>
#include <strsafe.h>

#include <string>

#include "test_support.h"

namespace {

std::wstring Printed(LPCWSTR format, ...) {
    WCHAR buffer[512];
    va_list args;
    va_start(args, format);
    HRESULT result = StringCchVPrintfW(buffer, 512, format, args);
    va_end(args);
    EXPECT_EQ(result, S_OK);
    return buffer;
}

}  // namespace

TEST(Format, StringsAndCharactersAreWide) {
    EXPECT_EQ(Printed(L"folder=[%s]", L"\\NandFlash\\Merrow"), L"folder=[\\NandFlash\\Merrow]");
    EXPECT_EQ(Printed(L"[%s]", static_cast<LPCWSTR>(nullptr)), L"[(null)]");
    EXPECT_EQ(Printed(L"%c%c", L'Ж', L'x'), L"Жx");
    EXPECT_EQ(Printed(L"%hs|%S", "narrow", "other"), L"narrow|other");
    EXPECT_EQ(Printed(L"[%5s][%-5s][%.2s]", L"ab", L"ab", L"abcdef"), L"[   ab][ab   ][ab]");
}

TEST(Format, LongIsThirtyTwoBits) {
    EXPECT_EQ(Printed(L"%ld", 0xFFFFFFFFu), L"-1");
    EXPECT_EQ(Printed(L"%lu", 0xFFFFFFFFu), L"4294967295");
    EXPECT_EQ(Printed(L"%lX", 0xABCDu), L"ABCD");
    EXPECT_EQ(Printed(L"%lx", 0xABCDu), L"abcd");
    // Two 32-bit values in a row: each l reads exactly one of them.
    EXPECT_EQ(Printed(L"%ld %ld", 7, -8), L"7 -8");
    EXPECT_EQ(Printed(L"%lld", -5000000000LL), L"-5000000000");
}

TEST(Format, FlagsWidthAndPrecision) {
    EXPECT_EQ(Printed(L"%08lX", 0x1Fu), L"0000001F");
    EXPECT_EQ(Printed(L"%5d|%-5d|%05d", 42, 42, -42), L"   42|42   |-0042");
    EXPECT_EQ(Printed(L"%d %i %u", -17, 3, 3000000000u), L"-17 3 3000000000");
    EXPECT_EQ(Printed(L"%.3d|%+d|%#x|%*d", 7, 5, 255, 4, 9), L"007|+5|0xff|   9");
    EXPECT_EQ(Printed(L"100%% %d", 1), L"100% 1");
}

TEST(Format, FloatingPointTakesItsArgument) {
    EXPECT_EQ(Printed(L"%f|%.2f|%8.1f|%d", 1.5, 2.0 / 3, -0.25, 7), L"1.500000|0.67|    -0.2|7");
    EXPECT_EQ(Printed(L"%e %E %s", 12345.678, 0.5, L"after"), L"1.234568e+04 5.000000E-01 after");
}

TEST(Format, UnknownConversionsStandAsWritten) {
    EXPECT_EQ(Printed(L"a %q b %d", 3), L"a %q b 3");
    EXPECT_EQ(Printed(L"ends with %"), L"ends with %");
}

TEST(DebugOutput, WritesUtf8ByteForByte) {
    testing_support::LogCapture log;
    NKDbgPrintfW(L"Folder=[%s], at=[%ld]\r\n", L"\\NandFlash\\Папка", 0xFFFFFFFFu);
    NKDbgPrintfW(L"%08lX %lX %d %c %% %s\r\n\r\n", 0xBEEFu, 0x1A2Bu, -3, L'Ю',
                 static_cast<LPCWSTR>(nullptr));
    EXPECT_EQ(log.Text(),
              "Folder=[\\NandFlash\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0], at=[-1]\r\n"
              "0000BEEF 1A2B -3 \xD0\xAE % (null)\r\n\r\n");
}

TEST(DebugOutput, LongTextIsWrittenWholeAndWarnedOncePerCallSite) {
    testing_support::LogCapture log;
    const std::wstring name(130, L'n');
    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) NKDbgPrintfW(L"Name=[%s]\r\n", name.c_str());
    NKDbgPrintfW(L"short\r\n");
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log.Text(), "Name=[" + std::string(130, 'n') + "]\r\n" + "Name=[" + std::string(130, 'n') + "]\r\n" +
                              "short\r\n");
    EXPECT_EQ(warnings.rfind("ruvexa-host: warning: a debug text of 139 characters; the device may cut it at 127: "
                             "Name=[nnn",
                             0),
              0u)
        << warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1);
}

TEST(DebugOutput, AddsNothingAndKeepsTheLastError) {
    testing_support::LogCapture log;
    SetLastError(ERROR_DISK_FULL);
    NKDbgPrintfW(L"no line end");
    NKDbgPrintfW(L"");
    EXPECT_EQ(log.Text(), "no line end");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
}
