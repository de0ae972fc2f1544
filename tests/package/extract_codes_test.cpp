// The extraction failure code table: the posted codes are what the device
// shows and reports, so each index keeps its code and no index above the
// table has one.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "extract_codes.h"

namespace {

TEST(ExtractCodesTest, EachIndexHasItsCodeAndNoneAboveTwentyOne) {
    const wchar_t* expected[] = {L"Err01", L"Err02", L"Err03", L"Err04", L"Err05", L"Err06", L"Err07",
                                 L"Err08", L"Err09", L"Err0F", L"Err0A", L"Err0B", L"Err0C", L"Err0D",
                                 L"Err20", L"Err21", L"Err22", L"Err23", L"Err30", L"Err31", L"Err32",
                                 L"Err0E"};
    for (DWORD index = 0; index < std::size(expected); ++index) {
        ASSERT_NE(ExtractFailureCode(index), nullptr) << index;
        EXPECT_EQ(std::wstring(ExtractFailureCode(index)), expected[index]) << index;
    }
    EXPECT_EQ(ExtractFailureCode(std::size(expected)), nullptr);
    EXPECT_EQ(ExtractFailureCode(0xFFFFFFFF), nullptr);
}

}  // namespace
