// One read of a whole package in file order: pre-verification, then the
// three sections through ExtractSection, then the checksum.
#include <gtest/gtest.h>

#include <string>

#include "crc32.h"
#include "extract_section.h"
#include "package_builder.h"
#include "preverify.h"
#include "ruvexa_host.h"
#include "test_support.h"

namespace {

using package_testing::PackageContents;
using package_testing::RandomBytes;

const wchar_t kPackagePath[] = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_2.BIN";
const wchar_t* const kOutputPaths[] = {L"\\Storage Card\\OV3_Download\\AppExecute.ex",
                                       L"\\Storage Card\\OV3_Download\\AppImages.zi",
                                       L"\\Storage Card\\OV3_Download\\AppFonts.zi"};

class WholePassTest : public ::testing::Test {
protected:
    // Verifies the package and copies its sections out; returns the finished
    // checksum and the stored one.
    void ExtractAll(const std::string& bytes, DWORD* calculated, DWORD* stored) {
        device.WriteFile(kPackagePath, bytes);
        HANDLE package = nullptr;
        PackageInfo info{};
        DWORD crc = 0;
        ExtractFailure failureIndex{};
        ASSERT_TRUE(PreVerifyPackage(kPackagePath, &package, &info, &crc, &failureIndex));
        const DWORD sizes[] = {info.exe_size, info.images_size, info.fonts_size};
        for (int section = 0; section < 3; ++section) {
            HANDLE output = CreateFileW(kOutputPaths[section], GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_ARCHIVE, nullptr);
            ASSERT_NE(output, INVALID_HANDLE_VALUE);
            EXPECT_TRUE(ExtractSection(output, package, sizes[section], &crc));
            EXPECT_TRUE(CloseHandle(output));
        }
        EXPECT_TRUE(CloseHandle(package));
        Crc32Final(&crc);
        *calculated = crc;
        *stored = info.checksum;
    }

    testing_support::TempDevice device;
    testing_support::LogCapture log;
};

TEST_F(WholePassTest, SectionsComeOutWholeAndTheChecksumMatches) {
    const PackageContents contents = {
        .exe = RandomBytes(1024 * 1024 + 3, 21), .images = RandomBytes(70000, 22), .fonts = RandomBytes(5, 23)};
    std::string bytes = package_testing::BuildPackage(contents);

    DWORD calculated = 0;
    DWORD stored = 0;
    ExtractAll(bytes, &calculated, &stored);
    EXPECT_EQ(calculated, stored);
    EXPECT_EQ(device.ReadFile(kOutputPaths[0]), contents.exe);
    EXPECT_EQ(device.ReadFile(kOutputPaths[1]), contents.images);
    EXPECT_EQ(device.ReadFile(kOutputPaths[2]), contents.fonts);
    EXPECT_EQ(device.ReadFile(kPackagePath), bytes);
}

TEST_F(WholePassTest, AlteredDataPassesPreVerificationButNotTheChecksum) {
    const PackageContents contents = {.exe = RandomBytes(300, 31), .images = RandomBytes(400, 32)};
    std::string bytes = package_testing::BuildPackage(contents);
    bytes[8 + 300 + 17] ^= 0x01;  // one bit in the images section

    DWORD calculated = 0;
    DWORD stored = 0;
    ExtractAll(bytes, &calculated, &stored);
    EXPECT_NE(calculated, stored);
    EXPECT_EQ(stored, package_testing::ReferenceCrc32(package_testing::BuildPackage(contents).substr(0, 708)));
    EXPECT_EQ(calculated, package_testing::ReferenceCrc32(bytes.substr(0, 708)));
    EXPECT_EQ(device.ReadFile(kOutputPaths[2]), "");
}

}  // namespace
