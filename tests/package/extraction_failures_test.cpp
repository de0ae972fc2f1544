// Every way the extraction worker can fail, one row each: the package or
// the platform fault that provokes it, the one code posted, the log lines in
// order, and what is left at each output path (stale outputs of an earlier
// run are there before every row). The package stays closed and unchanged.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "extraction_test_support.h"

namespace {

using namespace extraction_testing;
using package_testing::BuildPackage;
using package_testing::PackageContents;

struct ArmedFailure {
    host::Op op;
    DWORD error;
    unsigned nth;
};

struct FailureRow {
    std::string name;
    std::string package{};     // empty: no package file at all
    PackageContents sections;  // what the outputs are compared with
    std::vector<ArmedFailure> faults{};
    std::function<void(const testing_support::TempDevice&)> prepareDevice{};
    std::wstring code;
    Left exe = Left::Stale;
    Left images = Left::Stale;
    Left fonts = Left::Stale;
    Lines log;
};

std::string CreateFailed(const std::string& path, DWORD error) {
    return "ExtractThreadProc(): !!! Failed to create file handler=[" + path + "], error=[" + std::to_string(error) +
           "], at=[*]";
}

std::string Signed(DWORD value) { return std::to_string(static_cast<int>(value)); }

class ExtractionFailureTest : public ExtractionTest {
protected:
    std::vector<FailureRow> Rows() const {
        const PackageContents large = LargePackage();
        const std::string valid = BuildPackage(large);
        const DWORD dataSize = static_cast<DWORD>(valid.size() - 24);
        std::vector<FailureRow> rows;
        rows.push_back({.name = "Err02 no package", .sections = large, .code = L"Err02",
                        .log = {CreateFailed(kPackageLog, ERROR_FILE_NOT_FOUND)}});
        rows.push_back({.name = "Err02 open refused", .package = valid, .sections = large,
                        .faults = {{host::Op::CreateFileW, ERROR_SHARING_VIOLATION, 1}}, .code = L"Err02",
                        .log = {CreateFailed(kPackageLog, ERROR_SHARING_VIOLATION)}});
        rows.push_back({.name = "Err03 head read", .package = valid, .sections = large,
                        .faults = {{host::Op::ReadFile, ERROR_IO_DEVICE, 1}}, .code = L"Err03",
                        .log = {"ExtractThreadProc(): !!! Failed to read header=[" + kPackageLog +
                                "], error=[1117], at=[*]"}});

        PackageContents badSignature = large;
        badSignature.signature = 0x00905A4D;  // "MZ\x90\0", an executable given as a package
        rows.push_back({.name = "Err04 signature", .package = BuildPackage(badSignature), .sections = large,
                        .code = L"Err04", .log = {"ExtractThreadProc(): !!! Invalid file signature=[905A4D], at=[*]"}});

        rows.push_back({.name = "Err05 no room for a tail",
                        .package = std::string("3-VO") + package_testing::LittleEndian(0), .sections = large,
                        .code = L"Err05", .log = {"ExtractThreadProc(): !!! Failed to point tail, at=[*]"}});
        rows.push_back({.name = "Err06 tail read", .package = valid, .sections = large,
                        .faults = {{host::Op::ReadFile, ERROR_IO_DEVICE, 2}}, .code = L"Err06",
                        .log = {"ExtractThreadProc(): !!! Failed to read tail=[" + kPackageLog +
                                "], error=[1117], at=[*]"}});
        rows.push_back({.name = "Err07 seek to the exe", .package = valid, .sections = large,
                        .faults = {{host::Op::SetFilePointer, ERROR_GEN_FAILURE, 2}}, .code = L"Err07",
                        .log = {"ExtractThreadProc(): !!! Failed to point exe, at=[*]"}});

        PackageContents wrongDataSize = large;
        wrongDataSize.dataSize = dataSize + 1;
        rows.push_back({.name = "Err08 data size", .package = BuildPackage(wrongDataSize), .sections = large,
                        .code = L"Err08",
                        .log = {"ExtractThreadProc(): !!! Wrong data size, head=[" + std::to_string(dataSize + 1) +
                                "], tail=[" + std::to_string(dataSize) + "], at=[*]"}});

        std::string inserted = valid;
        inserted.insert(8 + large.exe.size() + 5, 1, '\x7F');  // one byte more inside the images
        rows.push_back({.name = "Err09 file size", .package = inserted, .sections = large, .code = L"Err09",
                        .log = {"ExtractThreadProc(): !!! Wrong file size, actual=[" + std::to_string(dataSize + 25) +
                                "], expected=[" + std::to_string(dataSize + 24) + "], at=[*]"}});

        PackageContents noExe = large;
        noExe.exe.clear();
        rows.push_back({.name = "Err0D no exe", .package = BuildPackage(noExe), .sections = noExe, .code = L"Err0D",
                        .log = {kPreVerified, kNoTrustedKey, "ExtractThreadProc(): !!! No exe to extract, at=[*]"}});

        rows.push_back({.name = "Err0B exe create refused", .package = valid, .sections = large,
                        .faults = {{host::Op::CreateFileW, ERROR_ACCESS_DENIED, 2}}, .code = L"Err0B",
                        .exe = Left::Absent,
                        .log = {kPreVerified, kNoTrustedKey, CreateFailed(kExeLog, ERROR_ACCESS_DENIED)}});
        // The undeletable stale file makes the create-new fail too: the
        // create's code is the one shown.
        rows.push_back({.name = "Err0B read-only stale exe", .package = valid, .sections = large,
                        .prepareDevice = [](const testing_support::TempDevice& device) {
                            device.SetReadOnly(kExePath, true);
                        },
                        .code = L"Err0B",
                        .log = {kPreVerified, kNoTrustedKey,
                                "ExtractThreadProc(): !!! Failed to delete file=[" + kExeLog + "], error=[5], at=[*]",
                                CreateFailed(kExeLog, ERROR_FILE_EXISTS)}});
        rows.push_back({.name = "Err0C disk full in the exe", .package = valid, .sections = large,
                        .faults = {{host::Op::WriteFile, ERROR_DISK_FULL, 2}}, .code = L"Err0C",
                        .exe = Left::FirstMiB,
                        .log = {kPreVerified, kNoTrustedKey,
                                "ExtractThreadProc(): !!! Failed to extract exe=[" + kExeLog +
                                    "], error=[112], at=[*]"}});

        PackageContents noImages = large;
        noImages.images.clear();
        rows.push_back({.name = "Err23 no images", .package = BuildPackage(noImages), .sections = noImages,
                        .code = L"Err23", .exe = Left::Absent,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe,
                                "ExtractThreadProc(): !!! No image to extract, at=[*]"}});
        rows.push_back({.name = "Err21 images create refused", .package = valid, .sections = large,
                        .faults = {{host::Op::CreateFileW, ERROR_ACCESS_DENIED, 3}}, .code = L"Err21",
                        .exe = Left::Absent, .images = Left::Absent,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe,
                                CreateFailed(kImagesLog, ERROR_ACCESS_DENIED)}});
        // Writes: the exe in two chunks, then the images' first and second.
        rows.push_back({.name = "Err22 disk full in the images", .package = valid, .sections = large,
                        .faults = {{host::Op::WriteFile, ERROR_DISK_FULL, 4}}, .code = L"Err22",
                        .exe = Left::Absent, .images = Left::FirstMiB,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe,
                                "ExtractThreadProc(): !!! Failed to extract image=[" + kImagesLog +
                                    "], error=[112], at=[*]"}});
        rows.push_back({.name = "Err31 fonts create refused", .package = valid, .sections = large,
                        .faults = {{host::Op::CreateFileW, ERROR_ACCESS_DENIED, 4}}, .code = L"Err31",
                        .exe = Left::Absent, .images = Left::Absent, .fonts = Left::Absent,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages,
                                CreateFailed(kFontsLog, ERROR_ACCESS_DENIED)}});
        rows.push_back({.name = "Err32 disk full in the fonts", .package = valid, .sections = large,
                        .faults = {{host::Op::WriteFile, ERROR_DISK_FULL, 6}}, .code = L"Err32",
                        .exe = Left::Absent, .images = Left::Absent, .fonts = Left::FirstMiB,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages,
                                "ExtractThreadProc(): !!! Failed to extract font=[" + kFontsLog +
                                    "], error=[112], at=[*]"}});

        // Without a fonts section, an earlier run's fonts file that cannot be
        // deleted would be installed with this package: it fails as a fonts
        // file that cannot be created.
        PackageContents noFonts = large;
        noFonts.fonts.clear();
        rows.push_back({.name = "Err31 undeletable stale fonts without a fonts section",
                        .package = BuildPackage(noFonts), .sections = noFonts,
                        .prepareDevice = [](const testing_support::TempDevice& device) {
                            device.SetReadOnly(kFontsPath, true);
                        },
                        .code = L"Err31", .exe = Left::Absent, .images = Left::Absent,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages,
                                kNoFont,
                                "ExtractThreadProc(): !!! Failed to delete file=[" + kFontsLog +
                                    "], error=[5], at=[*]"}});

        DWORD realChecksum = package_testing::ReferenceCrc32(valid.substr(0, 8 + dataSize));
        PackageContents badChecksum = large;
        badChecksum.checksum = realChecksum ^ 0x80000001;
        rows.push_back({.name = "Err0F after every section", .package = BuildPackage(badChecksum), .sections = large,
                        .code = L"Err0F", .exe = Left::Absent, .images = Left::Absent, .fonts = Left::Absent,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages, kExtractedFont,
                                "ExtractThreadProc(): !!! Invalid source file checksum, calculated=[" +
                                    Signed(realChecksum) + "], expected=[" + Signed(realChecksum ^ 0x80000001) +
                                    "], at=[*]"}});

        // Without a fonts section an earlier run's fonts file is deleted
        // before the checksum is known.
        PackageContents noFontsBadChecksum = large;
        noFontsBadChecksum.fonts.clear();
        std::string covered = BuildPackage(noFontsBadChecksum);
        DWORD noFontsChecksum = package_testing::ReferenceCrc32(covered.substr(0, covered.size() - 16));
        noFontsBadChecksum.checksum = noFontsChecksum + 1;
        rows.push_back({.name = "Err0F without fonts", .package = BuildPackage(noFontsBadChecksum),
                        .sections = noFontsBadChecksum, .code = L"Err0F", .exe = Left::Absent,
                        .images = Left::Absent, .fonts = Left::Absent,
                        .log = {kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages,
                                kNoFont,
                                "ExtractThreadProc(): !!! Invalid source file checksum, calculated=[" +
                                    Signed(noFontsChecksum) + "], expected=[" + Signed(noFontsChecksum + 1) +
                                    "], at=[*]"}});
        return rows;
    }
};

TEST_F(ExtractionFailureTest, EachFailurePostsItsCodeOnceAndLeavesTheTableState) {
    for (const FailureRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        if (!row.package.empty()) device.WriteFile(kPackagePath, row.package);
        SeedStaleOutputs();
        if (row.prepareDevice) row.prepareDevice(device);
        for (const ArmedFailure& fault : row.faults) host::FailCall(fault.op, fault.error, fault.nth);

        EXPECT_EQ(RunWorker(window), 0u);
        host::ClearFailures();

        ExpectOneFailure(DrainResults(), row.code);
        EXPECT_EQ(log.MaskedLines(), row.log);
        ExpectLeft(kExePath, row.exe, kStaleExe, row.sections.exe);
        ExpectLeft(kImagesPath, row.images, kStaleImages, row.sections.images);
        ExpectLeft(kFontsPath, row.fonts, kStaleFonts, row.sections.fonts);
        if (row.package.empty()) {
            EXPECT_FALSE(device.Exists(kPackagePath));
        } else {
            ExpectPackageClosedAndUnchanged(row.package);
        }
        ClearDownloadFolder();
    }
}

// A failed close or a failed clean-up deletion is logged and changes neither
// the code nor the order: the package is closed first, then the outputs are
// deleted exe first, and only then is the result posted.
TEST_F(ExtractionFailureTest, CleanUpFailuresAreLoggedInOrderBeforeTheResult) {
    const PackageContents large = LargePackage();
    device.WriteFile(kPackagePath, BuildPackage(large));
    // Closes: the exe output, the images output, the fonts output, then the
    // package. The two deletions are the clean-up's, nothing stale is there.
    host::FailCall(host::Op::WriteFile, ERROR_DISK_FULL, 6);
    host::FailCall(host::Op::CloseHandle, ERROR_INVALID_HANDLE, 4);
    host::FailCall(host::Op::DeleteFileW, ERROR_SHARING_VIOLATION, 1);
    host::FailCall(host::Op::DeleteFileW, ERROR_ACCESS_DENIED, 2);

    {
        PostedLogLines posted(window);
        EXPECT_EQ(RunWorker(window), 0u);
        host::ClearFailures();
        ExpectOneFailure(DrainResults(), L"Err32");
    }

    EXPECT_EQ(PostedLogLines::Sequence(),
              (Lines{kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages,
                     "ExtractThreadProc(): !!! Failed to extract font=[" + kFontsLog + "], error=[112], at=[*]",
                     "ExtractThreadProc(): !!! Failed to close file handler=[" + kPackageLog + "], error=[6], at=[*]",
                     "ExtractThreadProc(): !!! Failed to delete file=[" + kExeLog + "], error=[32], at=[*]",
                     "ExtractThreadProc(): !!! Failed to delete file=[" + kImagesLog + "], error=[5], at=[*]",
                     "result 0 Err32"}));
    EXPECT_TRUE(device.ReadFile(kExePath) == large.exe);
    EXPECT_TRUE(device.ReadFile(kImagesPath) == large.images);
    EXPECT_TRUE(device.ReadFile(kFontsPath) == large.fonts.substr(0, kMiB));
}

// The checksum failure deletes all three outputs, fonts last, then posts.
TEST_F(ExtractionFailureTest, ChecksumCleanUpDeletesExeImagesFontsThenPosts) {
    PackageContents badChecksum = SmallPackage();
    badChecksum.checksum = 7;
    device.WriteFile(kPackagePath, BuildPackage(badChecksum));
    host::FailCall(host::Op::CloseHandle, ERROR_INVALID_HANDLE, 4);
    host::FailCall(host::Op::DeleteFileW, ERROR_ACCESS_DENIED, 1);
    host::FailCall(host::Op::DeleteFileW, ERROR_ACCESS_DENIED, 2);
    host::FailCall(host::Op::DeleteFileW, ERROR_ACCESS_DENIED, 3);

    {
        PostedLogLines posted(window);
        EXPECT_EQ(RunWorker(window), 0u);
        host::ClearFailures();
        ExpectOneFailure(DrainResults(), L"Err0F");
    }

    const Lines sequence = PostedLogLines::Sequence();
    ASSERT_EQ(sequence.size(), 11u);
    EXPECT_EQ(sequence[5].rfind("ExtractThreadProc(): !!! Invalid source file checksum, calculated=[", 0), 0u);
    EXPECT_EQ(Lines(sequence.begin() + 6, sequence.end()),
              (Lines{"ExtractThreadProc(): !!! Failed to close file handler=[" + kPackageLog + "], error=[6], at=[*]",
                     "ExtractThreadProc(): !!! Failed to delete file=[" + kExeLog + "], error=[5], at=[*]",
                     "ExtractThreadProc(): !!! Failed to delete file=[" + kImagesLog + "], error=[5], at=[*]",
                     "ExtractThreadProc(): !!! Failed to delete file=[" + kFontsLog + "], error=[5], at=[*]",
                     "result 0 Err0F"}));
}

TEST_F(ExtractionFailureTest, FailedCloseOfAnOutputIsLoggedWithItsPath) {
    const PackageContents small = SmallPackage();
    const std::string bytes = BuildPackage(small);
    device.WriteFile(kPackagePath, bytes);
    host::FailCall(host::Op::CloseHandle, ERROR_DISK_FULL, 2);  // the images output

    EXPECT_EQ(RunWorker(window), 0u);
    host::ClearFailures();

    ExpectOneSuccess(DrainResults());
    EXPECT_EQ(log.MaskedLines(),
              (Lines{kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages,
                     "ExtractThreadProc(): !!! Failed to close file handler=[" + kImagesLog + "], error=[112], at=[*]",
                     kExtractedFont, kValidChecksum}));
    ExpectPackageClosedAndUnchanged(bytes);
}

}  // namespace
