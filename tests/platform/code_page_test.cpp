// WideCharToMultiByte to UTF-8: the result and the last error of each call
// together, one row per case, as the system's own tests judge them.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace {

constexpr DWORD kUntouched = 0xdeadbeef;
constexpr int kBuffer = 16;

struct CodePageRow {
    const char* name;
    UINT codePage = CP_UTF8;
    DWORD flags = 0;
    std::wstring text;
    int length = -1;       // cchWideChar
    int capacity = kBuffer;  // cbMultiByte; 0 asks for the size needed
    bool noBuffer = false;
    bool defaultChar = false;
    int result;
    DWORD error = kUntouched;
    std::string bytes = "";  // what the buffer holds when the call succeeds
};

void PrintTo(const CodePageRow& row, std::ostream* out) { *out << row.name; }

class WideCharToMultiByteRows : public ::testing::TestWithParam<CodePageRow> {};

TEST_P(WideCharToMultiByteRows, GivesResultAndLastError) {
    const CodePageRow& row = GetParam();
    char buffer[kBuffer + 1];
    memset(buffer, '#', sizeof(buffer));
    BOOL used = FALSE;
    SetLastError(kUntouched);
    const int result = WideCharToMultiByte(row.codePage, row.flags, row.text.c_str(), row.length,
                                           row.noBuffer ? nullptr : buffer, row.capacity,
                                           row.defaultChar ? "?" : nullptr, row.defaultChar ? &used : nullptr);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(GetLastError(), row.error);
    if (result > 0 && row.capacity > 0) {
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(result)), row.bytes);
        EXPECT_EQ(buffer[result], '#') << "nothing written past the result";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WideCharToMultiByteRows,
    ::testing::Values(
        CodePageRow{.name = "TerminatedTextCountsItsTerminator", .text = L"abc", .result = 4,
                    .bytes = std::string("abc", 4)},
        CodePageRow{.name = "CountedTextHasNoTerminator", .text = L"abc", .length = 3, .result = 3, .bytes = "abc"},
        CodePageRow{.name = "TwoAndThreeByteCharacters", .text = L"\u00e9\u20ac", .length = 2, .result = 5,
                    .bytes = "\xC3\xA9\xE2\x82\xAC"},
        CodePageRow{.name = "SurrogatePairIsOneCharacter", .text = {wchar_t(0xD83D), wchar_t(0xDE00)}, .length = 2,
                    .result = 4, .bytes = "\xF0\x9F\x98\x80"},
        CodePageRow{.name = "LoneHighSurrogateIsReplaced", .text = {wchar_t(0xD800), L'a'}, .length = 2,
                    .result = 4, .bytes = "\xEF\xBF\xBD" "a"},
        CodePageRow{.name = "LoneLowSurrogateIsReplaced", .text = {wchar_t(0xDC00)}, .length = 1, .result = 3,
                    .bytes = "\xEF\xBF\xBD"},
        CodePageRow{.name = "SizeNeededWithoutBuffer", .text = L"\u00e9t\u00e9", .capacity = 0, .noBuffer = true,
                    .result = 6},
        CodePageRow{.name = "SizeNeededIgnoresTheBuffer", .text = L"abc", .length = 3, .capacity = 0, .result = 3},
        CodePageRow{.name = "BufferTooSmall", .text = L"abc", .capacity = 3, .result = 0,
                    .error = ERROR_INSUFFICIENT_BUFFER},
        CodePageRow{.name = "CharacterNotSplitAtTheEnd", .text = L"ab\u20ac", .length = 3, .capacity = 4,
                    .result = 0, .error = ERROR_INSUFFICIENT_BUFFER},
        CodePageRow{.name = "BufferExactlyLongEnough", .text = L"ab\u20ac", .length = 3, .capacity = 5, .result = 5,
                    .bytes = "ab\xE2\x82\xAC"},
        CodePageRow{.name = "FlagsRefused", .flags = 0x100, .text = L"abc", .result = 0, .error = ERROR_INVALID_FLAGS},
        CodePageRow{.name = "DefaultCharacterRefused", .flags = 0x100, .text = L"abc", .defaultChar = true,
                    .result = 0, .error = ERROR_INVALID_PARAMETER},
        CodePageRow{.name = "EmptyLengthRefused", .text = L"abc", .length = 0, .result = 0,
                    .error = ERROR_INVALID_PARAMETER},
        CodePageRow{.name = "NegativeCapacityRefused", .text = L"abc", .capacity = -1, .result = 0,
                    .error = ERROR_INVALID_PARAMETER},
        CodePageRow{.name = "CapacityWithoutBufferRefused", .text = L"abc", .noBuffer = true, .result = 0,
                    .error = ERROR_INVALID_PARAMETER},
        CodePageRow{.name = "UnknownCodePageRefused", .codePage = 1, .text = L"abc", .result = 0,
                    .error = ERROR_INVALID_PARAMETER}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
