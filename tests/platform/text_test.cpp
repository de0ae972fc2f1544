// UTF-8 conversions of host names and log text; the last error per thread.
#include <gtest/gtest.h>

#include <thread>

#include "ruvexa_host.h"

TEST(Text, RoundTripsCyrillicAndAstralCharacters) {
    std::wstring wide = L"Версия 1.0 \U0001F600 end";
    std::string utf8 = host::WideToUtf8(wide);
    EXPECT_EQ(utf8, "Версия 1.0 \xF0\x9F\x98\x80 end");
    EXPECT_EQ(host::Utf8ToWide(utf8), wide);
}

TEST(Text, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(host::Utf8ToWide("a\xFF" "b\xC3"), L"a\xFFFD" L"b\xFFFD");
    EXPECT_EQ(host::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xEF\xBF\xBD");
}

TEST(LastError, IsKeptPerThread) {
    SetLastError(ERROR_DISK_FULL);
    std::thread other([] {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
        SetLastError(ERROR_ACCESS_DENIED);
    });
    other.join();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
}

TEST(FailureHook, FailsOnlyTheChosenCall) {
    host::FailCall(host::Op::WriteFile, ERROR_DISK_FULL, 2);
    EXPECT_FALSE(host::ShouldFail(host::Op::ReadFile));
    EXPECT_FALSE(host::ShouldFail(host::Op::WriteFile));
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(host::ShouldFail(host::Op::WriteFile));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_FALSE(host::ShouldFail(host::Op::WriteFile));
    host::ClearFailures();
}
