// FindFirstFileW, FindNextFileW, FindClose: wildcard matching, order,
// folder probes, and enumeration while deleting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs_test_helpers.h"

using testing_support::TempDevice;

namespace {

// Every name an enumeration of `pattern` returns, in order; empty when the
// search finds nothing (its last error is then in *error).
std::vector<std::wstring> FindAll(const wchar_t* pattern, DWORD* error = nullptr) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    SetLastError(0xdeadbeef);
    HANDLE search = FindFirstFileW(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return names;
    }
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileW(search, &data));
    if (error) *error = GetLastError();
    EXPECT_TRUE(FindClose(search));
    return names;
}

using Names = std::vector<std::wstring>;

}  // namespace

TEST(FindFile, StarDotStarListsEveryEntryInNameOrder) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\b.txt", "bb");
    device.WriteFile(L"\\NandFlash\\Merrow\\A.bin", "a");
    device.WriteFile(L"\\NandFlash\\Merrow\\readme", "r");
    device.WriteFile(L"\\NandFlash\\Merrow\\Sub\\inner.txt", "i");
    device.WriteFile(L"\\NandFlash\\Merrow\\шрифт.ttf", "f");

    DWORD error = 0;
    EXPECT_EQ(FindAll(L"\\NandFlash\\Merrow\\*.*", &error),
              (Names{L"A.bin", L"b.txt", L"readme", L"Sub", L"шрифт.ttf"}));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(FindAll(L"\\nandflash\\merrow\\*"), FindAll(L"\\NandFlash\\Merrow\\*.*"));
    EXPECT_EQ(FindAll(L"\\NandFlash\\Merrow\\?.*"), (Names{L"A.bin", L"b.txt"}));
    EXPECT_EQ(FindAll(L"\\NandFlash\\Merrow\\*.TXT"), (Names{L"b.txt"}));
    EXPECT_EQ(FindAll(L"\\NandFlash\\Merrow\\ШРИФТ.*"), (Names{L"шрифт.ttf"}));
}

TEST(FindFile, FillsTheEntryData) {
    TempDevice device;
    device.WriteFile(L"\\Hard Disk\\ov3_upgrade_2.bin", std::string(1234, 'p'));
    device.MakeFolder(L"\\Hard Disk\\OV3_UPGRADE_DIR.BIN");
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(L"\\Hard Disk\\OV3_UPGRADE_*.BIN", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, L"ov3_upgrade_2.bin");
    EXPECT_EQ(data.nFileSizeLow, 1234u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes, GetFileAttributesW(L"\\Hard Disk\\ov3_upgrade_2.bin"));
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    ASSERT_TRUE(FindNextFileW(search, &data));
    EXPECT_STREQ(data.cFileName, L"OV3_UPGRADE_DIR.BIN");
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FindNextFileW(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(search));
}

TEST(FindFile, NothingFoundOrFolderMissing) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash\\Empty");
    DWORD error = 0;
    EXPECT_TRUE(FindAll(L"\\NandFlash\\Empty\\*.*", &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FindAll(L"\\NandFlash\\Missing\\*.*", &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    HANDLE file = fs_test::Open(L"\\NandFlash\\f.txt", GENERIC_WRITE, 0, CREATE_NEW);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FindClose(file));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(file));
}

TEST(FindFile, TrailingSeparatorMatchesFoldersOnly) {
    TempDevice device;
    device.WriteFile(L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_1.BIN", "p");
    device.WriteFile(L"\\Storage Card\\notes.txt", "n");
    device.MakeFolder(L"\\Hard Disk2");
    device.MakeFolder(L"\\NandFlash");
    device.WriteFile(L"\\Hard Disk file", "not a folder");

    EXPECT_EQ(FindAll(L"\\Storage Card\\OV3_Download\\"), (Names{L"OV3_Download"}));
    DWORD error = 0;
    EXPECT_TRUE(FindAll(L"\\Storage Card\\notes.txt\\", &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindAll(L"\\Hard Disk*\\"), (Names{L"Hard Disk2"}));
    EXPECT_EQ(FindAll(L"\\*"), (Names{L"Hard Disk file", L"Hard Disk2", L"NandFlash", L"Storage Card"}));
}

TEST(FindFile, EntriesCanBeDeletedWhileEnumerating) {
    TempDevice device;
    for (const wchar_t* name : {L"a.png", L"b.png", L"c.png", L"d.png"}) {
        device.WriteFile(std::wstring(L"\\NandFlash\\Merrow\\Images\\") + name, "png");
    }
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(L"\\NandFlash\\Merrow\\Images\\*.*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int deleted = 0;
    do {
        std::wstring path = std::wstring(L"\\NandFlash\\Merrow\\Images\\") + data.cFileName;
        EXPECT_TRUE(DeleteFileW(path.c_str())) << path;
        ++deleted;
    } while (FindNextFileW(search, &data));
    FindClose(search);
    EXPECT_EQ(deleted, 4);
    EXPECT_TRUE(RemoveDirectoryW(L"\\NandFlash\\Merrow\\Images"));
}
