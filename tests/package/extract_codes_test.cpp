// The extraction failure code table: the code of every index, in order.
#include <gtest/gtest.h>

#include <string>

#include "extract_codes.h"

namespace {

TEST(ExtractCodesTest, EachIndexHasItsCodeAndNoneAboveTwentyOne) {
    const wchar_t* expected[] = {L"Err01", L"Err02", L"Err03", L"Err04", L"Err05", L"Err06", L"Err07",
                                 L"Err08", L"Err09", L"Err0F", L"Err0A", L"Err0B", L"Err0C", L"Err0D",
                                 L"Err20", L"Err21", L"Err22", L"Err23", L"Err30", L"Err31", L"Err32",
                                 L"Err0E"};
    for (DWORD index = 0; index <= 21; ++index) {
        ASSERT_NE(ExtractFailureCode(index), nullptr) << index;
        EXPECT_EQ(std::wstring(ExtractFailureCode(index)), expected[index]) << index;
    }
    EXPECT_EQ(ExtractFailureCode(22), nullptr);
    EXPECT_EQ(ExtractFailureCode(0xFFFFFFFF), nullptr);

    EXPECT_EQ(std::wstring(ExtractFailureCode(kExtractBadChecksum)), L"Err0F");
    EXPECT_EQ(std::wstring(ExtractFailureCode(kExtractCopyFonts)), L"Err32");
    // The same index always yields the same constant, so a posted pointer stays valid.
    EXPECT_EQ(ExtractFailureCode(kExtractOpenPackage), ExtractFailureCode(kExtractOpenPackage));
}

}  // namespace
