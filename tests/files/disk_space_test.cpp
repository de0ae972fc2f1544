// The volume a path lies on, and what files and folders take there.
#include <gtest/gtest.h>

#include <string>

#include "disk_space.h"
#include "ruvexa_host.h"
#include "test_support.h"

namespace {

using testing_support::TempDevice;

struct VolumeRow {
    const wchar_t* path;
    const wchar_t* volume;
};

const VolumeRow kVolumeRows[] = {
    {L"\\NandFlash\\Merrow\\Orvane3.exe", L"\\NandFlash"},
    {L"\\NandFlash", L"\\NandFlash"},
    {L"\\Storage Card\\OV3_Download\\AppImages.zi", L"\\Storage Card"},
    {L"\\storage card\\x", L"\\storage card"},
    {L"Hard Disk\\AppExecute.ex", L"\\Hard Disk"},
    {L"\\Hard Disk 2\\OV3_UPGRADE_7.BIN", L"\\Hard Disk 2"},
    {L"\\Windows\\explorer.exe", L"\\"},
    {L"\\NandFlashes\\x", L"\\"},
    {L"\\Upgrade.txt", L"\\"},
};

class VolumeOfPathRows : public ::testing::TestWithParam<VolumeRow> {};

TEST_P(VolumeOfPathRows, NamesTheVolumeRoot) {
    WCHAR volume[MAX_PATH] = {};
    ASSERT_TRUE(VolumeOfPath(GetParam().path, volume, MAX_PATH));
    EXPECT_STREQ(volume, GetParam().volume);
}

INSTANTIATE_TEST_SUITE_P(Rows, VolumeOfPathRows, ::testing::ValuesIn(kVolumeRows));

TEST(DiskSpace, FilesCountInWholeUnitsAndFoldersOneUnitEach) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\a.bmp", std::string(1, 'a'));
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\sub\\b.bmp", std::string(4097, 'b'));
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\sub\\empty.bmp", "");
    const auto folder = [](LPCWSTR path) {
        ULONGLONG bytes = 1;
        EXPECT_TRUE(AllocatedFolderBytes(path, &bytes));
        return bytes;
    };
    const auto file = [](LPCWSTR path) {
        ULONGLONG bytes = 1;
        EXPECT_TRUE(AllocatedFileBytes(path, &bytes));
        return bytes;
    };
    EXPECT_EQ(folder(L"\\NandFlash\\Merrow\\Images"), 4096u * (2 + 1 + 2));
    EXPECT_EQ(file(L"\\NandFlash\\Merrow\\Images\\sub\\b.bmp"), 8192u);
    EXPECT_EQ(file(L"\\NandFlash\\Merrow\\Images"), 0u);
    EXPECT_EQ(folder(L"\\NandFlash\\Merrow\\Missing"), 0u);
    EXPECT_EQ(file(L"\\NandFlash\\Merrow\\missing.exe"), 0u);
    // A listing that fails otherwise than "not found" tells nothing.
    ULONGLONG bytes = 0;
    host::FailCall(host::Op::FindNextFileW, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(AllocatedFolderBytes(L"\\NandFlash\\Merrow\\Images", &bytes));
    host::FailCall(host::Op::FindFirstFileW, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(AllocatedFileBytes(L"\\NandFlash\\Merrow\\Images\\a.bmp", &bytes));
    EXPECT_TRUE(OnSameVolume(L"\\NandFlash\\a", L"\\NANDFLASH\\b"));
    EXPECT_FALSE(OnSameVolume(L"\\NandFlash\\a", L"\\Storage Card\\a"));
}

}  // namespace
