// MoveFileW: no-replace renames, folder renames, and file moves across
// volumes that either complete or leave nothing behind.
#include <gtest/gtest.h>

#include "fs_test_helpers.h"
#include "ruvexa_host.h"

using fs_test::Open;
using testing_support::TempDevice;

TEST(MoveFile, NeverReplacesAnExistingTarget) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\AppExecute.ex", "new");
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "old");
    device.WriteFile(L"\\Storage Card\\AppExecute.ex", "remote");
    device.MakeFolder(L"\\NandFlash\\Merrow\\Images");
    device.MakeFolder(L"\\NandFlash\\Merrow\\Images_");

    struct Case { const wchar_t* from; const wchar_t* to; };
    for (Case c : {Case{L"\\NandFlash\\Merrow\\AppExecute.ex", L"\\NandFlash\\Merrow\\ORVANE3.EXE"},
                   Case{L"\\Storage Card\\AppExecute.ex", L"\\NandFlash\\Merrow\\Orvane3.exe"},
                   Case{L"\\NandFlash\\Merrow\\Images_", L"\\NandFlash\\Merrow\\images"}}) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(MoveFileW(c.from, c.to)) << c.from;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << c.from;
    }
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe"), "old");
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\AppExecute.ex"), "new");
    EXPECT_EQ(device.ReadFile(L"\\Storage Card\\AppExecute.ex"), "remote");
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Merrow\\Images_"));

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileW(L"\\NandFlash\\Merrow\\missing", L"\\NandFlash\\Merrow\\other"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(MoveFile, RenamesFoldersAndFilesWithinAVolume) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\Images_\\sub\\a.png", "png");
    device.WriteFile(L"\\NandFlash\\Merrow\\AppExecute.ex", "exe");

    EXPECT_TRUE(MoveFileW(L"\\NandFlash\\Merrow\\Images_", L"\\NandFlash\\merrow\\Images"));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Images\\sub\\a.png"), "png");
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Images_"));

    EXPECT_TRUE(MoveFileW(L"\\NandFlash\\Merrow\\AppExecute.ex", L"\\NandFlash\\Merrow\\Orvane3.exe"));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe"), "exe");

    // A change of case only is a rename of the entry onto itself.
    EXPECT_TRUE(MoveFileW(L"\\NandFlash\\Merrow\\Orvane3.exe", L"\\NandFlash\\Merrow\\ORVANE3.EXE"));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Merrow\\ORVANE3.EXE"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Orvane3.exe"));

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileW(L"\\NandFlash\\Merrow\\Images", L"\\NandFlash\\Merrow\\Images\\sub\\inner"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(MoveFile, MovesAFileAcrossVolumesWithItsAttributesAndTime) {
    TempDevice device;
    device.WriteFile(L"\\Hard Disk\\AppExecute.ex", std::string(200000, 'e'));
    device.MakeFolder(L"\\NandFlash\\Merrow");
    const bool extraBits = device.KeepsExtendedAttributes();
    ASSERT_TRUE(SetFileAttributesW(L"\\Hard Disk\\AppExecute.ex",
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    HANDLE file = Open(L"\\Hard Disk\\AppExecute.ex", GENERIC_READ, 0, OPEN_EXISTING);
    FILETIME written;
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    DWORD attributes = GetFileAttributesW(L"\\Hard Disk\\AppExecute.ex");

    ASSERT_TRUE(MoveFileW(L"\\Hard Disk\\AppExecute.ex", L"\\NandFlash\\Merrow\\Orvane3.exe"));
    EXPECT_FALSE(device.Exists(L"\\Hard Disk\\AppExecute.ex"));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe"), std::string(200000, 'e'));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\Merrow\\Orvane3.exe"), attributes);
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_HIDDEN, extraBits ? FILE_ATTRIBUTE_HIDDEN : 0u);
    file = Open(L"\\NandFlash\\Merrow\\Orvane3.exe", GENERIC_READ, 0, OPEN_EXISTING);
    FILETIME movedWritten;
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &movedWritten));
    CloseHandle(file);
    EXPECT_EQ(movedWritten.dwLowDateTime, written.dwLowDateTime);
    EXPECT_EQ(movedWritten.dwHighDateTime, written.dwHighDateTime);
}

TEST(MoveFile, FailedCopyAcrossVolumesLeavesNothingAtTheTarget) {
    TempDevice device;
    device.WriteFile(L"\\Storage Card\\OV3_Download\\AppExecute.ex", std::string(300000, 'x'));
    device.MakeFolder(L"\\NandFlash\\Merrow");

    // The second chunk of the copy fails, then, on the next try, the flush.
    host::FailCall(host::Op::WriteFile, ERROR_DISK_FULL, 2);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileW(L"\\Storage Card\\OV3_Download\\AppExecute.ex", L"\\NandFlash\\Merrow\\Orvane3.exe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Orvane3.exe"));
    EXPECT_EQ(device.ReadFile(L"\\Storage Card\\OV3_Download\\AppExecute.ex"), std::string(300000, 'x'));

    host::FailCall(host::Op::FlushFileBuffers, ERROR_IO_DEVICE);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileW(L"\\Storage Card\\OV3_Download\\AppExecute.ex", L"\\NandFlash\\Merrow\\Orvane3.exe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_DEVICE));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Orvane3.exe"));
    EXPECT_TRUE(device.Exists(L"\\Storage Card\\OV3_Download\\AppExecute.ex"));
}

TEST(MoveFile, OpenSourceOrFolderAcrossVolumesIsNotMoved) {
    TempDevice device;
    device.WriteFile(L"\\Storage Card\\pkg.bin", "pkg");
    device.MakeFolder(L"\\Storage Card\\Folder");
    device.MakeFolder(L"\\NandFlash");

    HANDLE open = Open(L"\\Storage Card\\pkg.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    for (const wchar_t* target : {L"\\Storage Card\\renamed.bin", L"\\NandFlash\\pkg.bin"}) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(MoveFileW(L"\\Storage Card\\pkg.bin", target)) << target;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << target;
    }
    CloseHandle(open);
    EXPECT_TRUE(device.Exists(L"\\Storage Card\\pkg.bin"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\pkg.bin"));

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileW(L"\\Storage Card\\Folder", L"\\NandFlash\\Folder"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
    EXPECT_TRUE(device.Exists(L"\\Storage Card\\Folder"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Folder"));
}
