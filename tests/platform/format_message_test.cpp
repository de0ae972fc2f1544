// FormatMessageW: the system's texts for error codes, and its failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

struct MessageRow {
    const char* name;
    DWORD flags = kFromSystem;
    DWORD code;
    DWORD bufferSize = 256;
    const wchar_t* text;  // with its "\r\n"; null: the call fails
    DWORD error = 0;      // the last error of a failing call
};

const MessageRow kMessageRows[] = {
    {.name = "FileNotFound", .code = ERROR_FILE_NOT_FOUND, .text = L"No such file or directory\r\n"},
    {.name = "PathNotFound", .code = ERROR_PATH_NOT_FOUND, .text = L"No such file or directory\r\n"},
    {.name = "AccessDenied", .code = ERROR_ACCESS_DENIED, .text = L"Permission denied\r\n"},
    {.name = "SharingViolation", .code = ERROR_SHARING_VIOLATION, .text = L"the file is in use\r\n"},
    {.name = "DiskFull", .code = ERROR_DISK_FULL, .text = L"No space left on device\r\n"},
    {.name = "FileExists", .code = ERROR_FILE_EXISTS, .text = L"File exists\r\n"},
    {.name = "AlreadyExists", .code = ERROR_ALREADY_EXISTS, .text = L"File exists\r\n"},
    {.name = "NameTooLong", .code = ERROR_FILENAME_EXCED_RANGE, .text = L"File name too long\r\n"},
    {.name = "NotAFolder", .code = ERROR_DIRECTORY, .text = L"Not a directory\r\n"},
    {.name = "WriteProtected", .code = ERROR_WRITE_PROTECT, .text = L"Read-only file system\r\n"},
    {.name = "WithInsertsToo", .flags = FORMAT_MESSAGE_FROM_SYSTEM, .code = ERROR_ACCESS_DENIED,
     .text = L"Permission denied\r\n"},
    {.name = "ExactFit", .code = ERROR_ACCESS_DENIED, .bufferSize = 20, .text = L"Permission denied\r\n"},
    {.name = "CodeWithoutText", .code = ERROR_BUSY, .text = nullptr, .error = ERROR_MR_MID_NOT_FOUND},
    {.name = "BufferOneShort", .code = ERROR_ACCESS_DENIED, .bufferSize = 19, .text = nullptr,
     .error = ERROR_INSUFFICIENT_BUFFER},
    {.name = "NotFromTheSystem", .flags = FORMAT_MESSAGE_IGNORE_INSERTS, .code = ERROR_ACCESS_DENIED, .text = nullptr,
     .error = ERROR_INVALID_PARAMETER},
};

void PrintTo(const MessageRow& row, std::ostream* out) { *out << row.name; }

class FormatMessageTest : public ::testing::TestWithParam<MessageRow> {};

TEST_P(FormatMessageTest, GivesTheSystemsTextOrFails) {
    const MessageRow& row = GetParam();
    std::wstring buffer(256, L'#');
    SetLastError(0xdeadbeef);
    DWORD length = FormatMessageW(row.flags, nullptr, row.code, 0, buffer.data(), row.bufferSize, nullptr);
    if (row.text) {
        EXPECT_EQ(length, wcslen(row.text));
        EXPECT_STREQ(buffer.c_str(), row.text);
    } else {
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(GetLastError(), row.error);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FormatMessageTest, ::testing::ValuesIn(kMessageRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
