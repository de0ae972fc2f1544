// wcstombs_s and mbstowcs_s of the host's C runtime: UTF-8 as the narrow
// code page, results that never run past the buffer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <string>

namespace {

TEST(WcstombsS, ConvertsToUtf8WithinTheBuffer) {
    char narrow[16];
    size_t converted = 99;
    EXPECT_EQ(wcstombs_s(&converted, narrow, sizeof narrow, L"Жa€", sizeof narrow), 0);
    EXPECT_STREQ(narrow, "Жa€");
    EXPECT_EQ(converted, 7u);

    // 15 bytes and the zero fill the buffer; one more does not fit.
    EXPECT_EQ(wcstombs_s(&converted, narrow, sizeof narrow, std::wstring(15, L'x').c_str(), sizeof narrow), 0);
    EXPECT_EQ(converted, 16u);
    EXPECT_EQ(wcstombs_s(&converted, narrow, sizeof narrow, std::wstring(16, L'x').c_str(), sizeof narrow), ERANGE);
    EXPECT_STREQ(narrow, "");
    EXPECT_EQ(converted, 0u);
    // A two-byte character that would take the zero's place.
    EXPECT_EQ(wcstombs_s(&converted, narrow, sizeof narrow, (std::wstring(14, L'x') + L"Ж").c_str(), sizeof narrow),
              ERANGE);

    // With _TRUNCATE a character is never split.
    EXPECT_EQ(wcstombs_s(&converted, narrow, 4, L"aЖЖ", _TRUNCATE), STRUNCATE);
    EXPECT_STREQ(narrow, "aЖ");

    const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xD800), 0};
    EXPECT_EQ(wcstombs_s(&converted, narrow, sizeof narrow, lone, sizeof narrow), EILSEQ);
    EXPECT_EQ(wcstombs_s(&converted, nullptr, 0, L"Жa", 0), 0);
    EXPECT_EQ(converted, 4u);
    EXPECT_EQ(wcstombs_s(&converted, narrow, 0, L"a", 1), EINVAL);
}

TEST(MbstowcsS, ConvertsUtf8AndRefusesWhatIsNot) {
    wchar_t wide[8];
    size_t converted = 99;
    EXPECT_EQ(mbstowcs_s(&converted, wide, 8, "Жa€\xF0\x9F\x98\x80", 8), 0);
    EXPECT_EQ(std::wstring(wide), std::wstring(L"Жa€") + static_cast<wchar_t>(0x1F600));
    EXPECT_EQ(converted, 5u);

    EXPECT_EQ(mbstowcs_s(&converted, wide, 8, "1234567", 8), 0);
    EXPECT_EQ(mbstowcs_s(&converted, wide, 8, "12345678", 8), ERANGE);
    EXPECT_EQ(std::wstring(wide), L"");
    // A count below the buffer stops the conversion without an error.
    EXPECT_EQ(mbstowcs_s(&converted, wide, 8, "12345678", 3), 0);
    EXPECT_EQ(std::wstring(wide), L"123");

    for (const char* malformed : {"\x94\xa0", "a\xD0", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        EXPECT_EQ(mbstowcs_s(&converted, wide, 8, malformed, 8), EILSEQ) << malformed;
    }
    EXPECT_EQ(mbstowcs_s(&converted, nullptr, 0, "Жa", 0), 0);
    EXPECT_EQ(converted, 3u);
    EXPECT_EQ(mbstowcs_s(&converted, wide, 8, nullptr, 8), EINVAL);
}

}  // namespace
