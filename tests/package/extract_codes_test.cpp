// The extraction failure code table: the posted codes are what the device
// shows and reports, so each failure keeps its code, and a value past the
// table gets the unknown-failure code, as the installation's do.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "extract_codes.h"

namespace {

TEST(ExtractCodesTest, EachFailureHasItsCodeAndNoneAfterTheLast) {
    // In the enum's order, from kNoUpgradeFile to kUntrustedPackage.
    const wchar_t* expected[] = {L"Err01", L"Err02", L"Err03", L"Err04", L"Err05", L"Err06", L"Err07",
                                 L"Err08", L"Err09", L"Err0F", L"Err0A", L"Err0B", L"Err0C", L"Err0D",
                                 L"Err20", L"Err21", L"Err22", L"Err23", L"Err30", L"Err31", L"Err32",
                                 L"Err0E"};
    for (DWORD index = 0; index < std::size(expected); ++index) {
        EXPECT_EQ(std::wstring(FailureCode(static_cast<ExtractFailure>(index))), expected[index]) << index;
    }
    EXPECT_EQ(std::wstring(FailureCode(ExtractFailure::kUntrustedPackage)), expected[std::size(expected) - 1]);
    EXPECT_EQ(std::wstring(FailureCode(static_cast<ExtractFailure>(std::size(expected)))), L"ErrFF");
    EXPECT_EQ(std::wstring(FailureCode(static_cast<ExtractFailure>(0xFFFFFFFF))), L"ErrFF");
}

}  // namespace
