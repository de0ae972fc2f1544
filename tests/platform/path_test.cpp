// Device path resolution: case-insensitive components, refused names and
// lengths, missing folders, volumes that appear later, and host links.
#include <gtest/gtest.h>

#include <filesystem>

#include "fs_test_helpers.h"
#include "ruvexa_host.h"

using testing_support::TempDevice;

TEST(DevicePath, MatchesEachComponentIgnoringCase) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "exe");
    device.WriteFile(L"\\NandFlash\\Папка\\Ärger.txt", "x");

    std::string hostPath;
    ASSERT_TRUE(host::HostPathOf(L"\\nandflash\\MERROW\\orvane3.EXE", &hostPath));
    EXPECT_EQ(hostPath, device.Host(L"\\NandFlash\\Merrow\\Orvane3.exe"));
    ASSERT_TRUE(host::HostPathOf(L"\\NANDFLASH\\пАПКА\\äRGER.TXT", &hostPath));
    EXPECT_EQ(hostPath, device.Host(L"\\NandFlash\\Папка\\Ärger.txt"));

    // No leading separator, doubled and trailing separators: the same file.
    EXPECT_NE(GetFileAttributesW(L"NandFlash\\\\merrow\\Orvane3.exe"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\Merrow\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST(DevicePath, NewLastComponentKeepsTheGivenSpelling) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash\\Merrow");
    ASSERT_TRUE(CreateDirectoryW(L"\\nandflash\\MERROW\\Images_", nullptr));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Merrow\\Images_"));
}

TEST(DevicePath, RefusesDotComponentsAndInvalidCharacters) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\a.txt", "a");
    device.WriteFile(L"\\outside.txt", "o");
    for (const wchar_t* path : {L"\\NandFlash\\..\\outside.txt", L"\\NandFlash\\.\\a.txt",
                                L"\\NandFlash\\..", L"\\NandFlash\\a/b", L"\\NandFlash\\a\x01",
                                L"\\NandFlash\\a*.txt"}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << path;
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\..\\outside.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_TRUE(device.Exists(L"\\outside.txt"));
    std::string hostPath;
    EXPECT_FALSE(host::HostPathOf(L"\\..\\etc", &hostPath));
}

TEST(DevicePath, RefusesPathsOfMaxPathUnitsOrMore) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash");
    std::wstring prefix = L"\\NandFlash\\";
    std::wstring longest = prefix + std::wstring(MAX_PATH - 1 - prefix.size(), L'a');  // 259 units
    std::wstring tooLong = longest + L"a";                                             // 260 units

    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(fs_test::Open(tooLong.c_str(), GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(longest.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(DevicePath, MissingFolderAndMissingFileAreTold) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\file.txt", "f");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\missing.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\Missing\\file.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    // A file where a folder is expected is no folder.
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\file.txt\\inner"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(DevicePath, VolumeDoesNotExistUntilItsTime) {
    TempDevice device;
    device.WriteFile(L"\\Hard Disk\\OV3_UPGRADE_1.BIN", "pkg");
    device.MakeFolder(L"\\NandFlash");
    host::SetVolumeVisibleAt(L"hard disk", 0xFFFFFF00);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(L"\\Hard Disk"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(L"\\Hard Disk\\OV3_UPGRADE_1.BIN"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(fs_test::Open(L"\\Hard Disk\\new.txt", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    WIN32_FIND_DATAW data;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(FindFirstFileW(L"\\Hard Disk*\\", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    HANDLE volumes = FindFirstFileW(L"\\*", &data);
    ASSERT_NE(volumes, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, L"NandFlash");
    EXPECT_FALSE(FindNextFileW(volumes, &data));
    FindClose(volumes);

    host::SetVolumeVisibleAt(L"Hard Disk", 0);
    EXPECT_EQ(GetFileAttributesW(L"\\Hard Disk"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    HANDLE found = FindFirstFileW(L"\\Hard Disk*\\", &data);
    ASSERT_NE(found, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, L"Hard Disk");
    FindClose(found);
}

TEST(DevicePath, TrailingSeparatorNamesOnlyAFolder) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\a.txt", "a");
    device.MakeFolder(L"\\NandFlash\\Folder");
    const DWORD kInvalid = INVALID_FILE_ATTRIBUTES;
    const struct {
        const wchar_t* path;
        DWORD attributes;
        DWORD error;
    } rows[] = {
        {L"\\NandFlash\\a.txt\\", kInvalid, ERROR_INVALID_NAME},
        {L"\\NandFlash\\missing\\", kInvalid, ERROR_FILE_NOT_FOUND},
        {L"\\NandFlash\\Folder\\", FILE_ATTRIBUTE_DIRECTORY, 0xdeadbeef},
    };
    for (const auto& row : rows) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetFileAttributesW(row.path), row.attributes) << row.path;
        EXPECT_EQ(GetLastError(), row.error) << row.path;
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\a.txt\\"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(CreateFileW(L"\\NandFlash\\a.txt\\", GENERIC_READ, 0, nullptr, disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateFileW(L"\\NandFlash\\new.txt\\", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\new.txt"));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\a.txt"), "a");
}

TEST(DevicePath, TrailingDotsAndSpacesOfEachComponentAreDropped) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\b.txt", "b");
    EXPECT_NE(GetFileAttributesW(L"\\NandFlash\\Merrow. \\b.txt."), INVALID_FILE_ATTRIBUTES);
    HANDLE file = CreateFileW(L"\\NandFlash\\c.txt. .", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\c.txt"));
    ASSERT_TRUE(CreateDirectoryW(L"\\NandFlash\\New..", nullptr));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\New"));
    // A name of dots and spaces alone is no name.
    for (const wchar_t* path : {L"\\NandFlash\\...", L"\\NandFlash\\. .\\b.txt"}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << path;
    }
}

// The device has no links: a host link in the device folder, at the end of a
// path or on its way, is refused as spelled and unseen in another case.
TEST(DevicePath, HostLinksAreNeverFollowed) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Real\\file.txt", "f");
    std::filesystem::create_directory_symlink(device.Host(L"\\NandFlash\\Real"), device.Host(L"\\NandFlash\\Link"));
    std::filesystem::create_symlink("file.txt", device.Host(L"\\NandFlash\\Real\\alias.txt"));
    const struct {
        const wchar_t* path;
        DWORD error;
    } rows[] = {
        {L"\\NandFlash\\Link", ERROR_ACCESS_DENIED},
        {L"\\NandFlash\\Link\\file.txt", ERROR_ACCESS_DENIED},
        {L"\\NandFlash\\Link\\new.txt", ERROR_ACCESS_DENIED},
        {L"\\NandFlash\\Real\\alias.txt", ERROR_ACCESS_DENIED},
        {L"\\NandFlash\\LINK\\file.txt", ERROR_PATH_NOT_FOUND},
        {L"\\NandFlash\\Real\\ALIAS.TXT", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetFileAttributesW(row.path), INVALID_FILE_ATTRIBUTES) << row.path;
        EXPECT_EQ(GetLastError(), row.error) << row.path;
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(fs_test::Open(L"\\NandFlash\\Link\\new.txt", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Real\\new.txt"));
}
