// The extraction failure code table: the posted codes are what the device
// shows and reports, so each failure keeps its code, and a value past the
// table gets the unknown-failure code, as the installation's do.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "extract_codes.h"

namespace {

struct CodeRow {
    ExtractFailure failure;
    const wchar_t* code;
};

TEST(ExtractCodesTest, EachFailureHasItsCodeAndNoneAfterTheLast) {
    const CodeRow rows[] = {
        {ExtractFailure::kNoUpgradeFile, L"Err01"}, {ExtractFailure::kOpenPackage, L"Err02"},
        {ExtractFailure::kReadHead, L"Err03"},      {ExtractFailure::kBadSignature, L"Err04"},
        {ExtractFailure::kPointTail, L"Err05"},     {ExtractFailure::kReadTail, L"Err06"},
        {ExtractFailure::kPointExe, L"Err07"},      {ExtractFailure::kWrongDataSize, L"Err08"},
        {ExtractFailure::kWrongFileSize, L"Err09"}, {ExtractFailure::kBadChecksum, L"Err0F"},
        {ExtractFailure::kDeleteExe, L"Err0A"},     {ExtractFailure::kCreateExe, L"Err0B"},
        {ExtractFailure::kCopyExe, L"Err0C"},       {ExtractFailure::kNoExe, L"Err0D"},
        {ExtractFailure::kDeleteImages, L"Err20"},  {ExtractFailure::kCreateImages, L"Err21"},
        {ExtractFailure::kCopyImages, L"Err22"},    {ExtractFailure::kNoImages, L"Err23"},
        {ExtractFailure::kDeleteFonts, L"Err30"},   {ExtractFailure::kCreateFonts, L"Err31"},
        {ExtractFailure::kCopyFonts, L"Err32"},     {ExtractFailure::kUntrustedPackage, L"Err0E"},
    };
    for (const CodeRow& row : rows) {
        EXPECT_EQ(std::wstring(FailureCode(row.failure)), row.code) << static_cast<DWORD>(row.failure);
    }
    EXPECT_EQ(std::wstring(FailureCode(static_cast<ExtractFailure>(std::size(rows)))), L"ErrFF");
    EXPECT_EQ(std::wstring(FailureCode(static_cast<ExtractFailure>(0xFFFFFFFF))), L"ErrFF");
}

}  // namespace
