// CreateDirectoryW and RemoveDirectoryW.
#include <gtest/gtest.h>

#include "fs_test_helpers.h"

using testing_support::TempDevice;

TEST(CreateDirectory, CreatesOneLevelAndRefusesWhatExists) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\file.txt", "f");

    EXPECT_TRUE(CreateDirectoryW(L"\\NandFlash\\Merrow\\Images_", nullptr));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\Merrow\\Images_"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    for (const wchar_t* existing : {L"\\NandFlash\\Merrow\\images_", L"\\NandFlash\\Merrow\\FILE.txt"}) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(CreateDirectoryW(existing, nullptr)) << existing;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << existing;
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CreateDirectoryW(L"\\NandFlash\\Missing\\Images_", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(RemoveDirectory, RemovesOnlyEmptyFolders) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\a.png", "png");
    device.MakeFolder(L"\\NandFlash\\Merrow\\Empty");

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(RemoveDirectoryW(L"\\NandFlash\\Merrow\\Images"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(RemoveDirectoryW(L"\\NandFlash\\Merrow\\Images\\a.png"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(RemoveDirectoryW(L"\\NandFlash\\Merrow\\Gone"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(RemoveDirectoryW(L"\\NandFlash\\Gone\\Gone"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Merrow\\Images\\a.png"));

    EXPECT_TRUE(RemoveDirectoryW(L"\\NandFlash\\MERROW\\empty\\"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Empty"));
}
