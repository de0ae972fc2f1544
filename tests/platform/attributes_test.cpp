// GetFileAttributesW and SetFileAttributesW: read-only as permission bits,
// the other bits in an extended attribute.
#include <gtest/gtest.h>

#include "fs_test_helpers.h"

using testing_support::TempDevice;

TEST(FileAttributes, ReportsFoldersPlainFilesAndAbsence) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\StartUp\\Merrow\\plain.txt", "p");
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\StartUp\\Merrow\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\StartUp\\Merrow\\plain.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\StartUp\\Other\\"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetFileAttributesW(L"\\NandFlash\\Gone\\x", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(FileAttributes, ReadOnlyIsKeptInTheWriteBits) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\a.txt", "a");
    ASSERT_TRUE(SetFileAttributesW(L"\\NandFlash\\A.TXT", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(fs_test::HostStat(device, L"\\NandFlash\\a.txt").st_mode & 0222, 0u);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));

    ASSERT_TRUE(SetFileAttributesW(L"\\NandFlash\\a.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_NE(fs_test::HostStat(device, L"\\NandFlash\\a.txt").st_mode & S_IWUSR, 0u);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(L"\\NandFlash\\a.txt"));
}

TEST(FileAttributes, OtherBitsSurviveWhereTheHostKeepsThem) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\a.txt", "a");
    if (!device.KeepsExtendedAttributes()) GTEST_SKIP() << "no user xattrs on this host";

    // Bits the device does not keep, such as a zip entry's host mode in the
    // high word, are dropped.
    ASSERT_TRUE(SetFileAttributesW(L"\\NandFlash\\a.txt", 0x81A40000 | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\a.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(SetFileAttributesW(L"\\NandFlash\\a.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\a.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(L"\\NandFlash\\a.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));

    // A file the layer creates carries the archive bit.
    HANDLE file = fs_test::Open(L"\\NandFlash\\AppImages.zi", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\AppImages.zi"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}
