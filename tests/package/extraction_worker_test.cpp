// The extraction worker run on the test's thread: valid packages with and
// without fonts, outputs replaced or left alone, a window or none to tell,
// missing output paths, sizes that wrap, and the failure report itself.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "extract_codes.h"
#include "extraction_test_support.h"

namespace {

using namespace extraction_testing;
using package_testing::BuildPackage;
using package_testing::PackageContents;

using ExtractionWorkerTest = ExtractionTest;

TEST_F(ExtractionWorkerTest, ValidPackageReplacesEarlierOutputsAndReportsSuccessOnce) {
    const PackageContents large = LargePackage();
    const std::string bytes = BuildPackage(large);
    device.WriteFile(kPackagePath, bytes);
    SeedStaleOutputs();

    EXPECT_EQ(RunWorker(window), 0u);

    ExpectOneSuccess(DrainResults());
    EXPECT_EQ(log.MaskedLines(), kValidRun);
    ExpectLeft(kExePath, Left::Whole, kStaleExe, large.exe);
    ExpectLeft(kImagesPath, Left::Whole, kStaleImages, large.images);
    ExpectLeft(kFontsPath, Left::Whole, kStaleFonts, large.fonts);
    ExpectPackageClosedAndUnchanged(bytes);
}

// An earlier run's fonts file would be installed as this package's fonts.
TEST_F(ExtractionWorkerTest, PackageWithoutFontsDeletesAnOldFontsFile) {
    PackageContents noFonts = SmallPackage();
    noFonts.fonts.clear();
    const std::string bytes = BuildPackage(noFonts);
    device.WriteFile(kPackagePath, bytes);
    SeedStaleOutputs();

    EXPECT_EQ(RunWorker(window), 0u);

    ExpectOneSuccess(DrainResults());
    EXPECT_EQ(log.MaskedLines(),
              (Lines{kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages, kNoFont, kValidChecksum}));
    ExpectLeft(kExePath, Left::Whole, kStaleExe, noFonts.exe);
    ExpectLeft(kImagesPath, Left::Whole, kStaleImages, noFonts.images);
    ExpectLeft(kFontsPath, Left::Absent, kStaleFonts, "");
    ExpectPackageClosedAndUnchanged(bytes);

    // Nor is a fonts file made when there was none.
    EXPECT_EQ(RunWorker(window), 0u);
    ExpectOneSuccess(DrainResults());
    EXPECT_FALSE(device.Exists(kFontsPath));

    // After a checksum failure only the fonts file that is there is deleted:
    // no failed deletion of a missing one is logged.
    noFonts.checksum = 0x01020304;
    device.WriteFile(kPackagePath, BuildPackage(noFonts));
    EXPECT_EQ(RunWorker(window), 0u);
    ExpectOneFailure(DrainResults(), L"Err0F");
    Lines lines = log.MaskedLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 5),
              (Lines{kPreVerified, kNoTrustedKey, kExtractedExe, kExtractedImages, kNoFont}));
    EXPECT_EQ(lines[5].rfind("ExtractThreadProc(): !!! Invalid source file checksum", 0), 0u) << lines[5];
    EXPECT_FALSE(device.Exists(kExePath));
    EXPECT_FALSE(device.Exists(kImagesPath));
}

TEST_F(ExtractionWorkerTest, WithoutAWindowTheWorkerRunsToTheEndAndPostsNothing) {
    const PackageContents small = SmallPackage();
    const std::string valid = BuildPackage(small);
    device.WriteFile(kPackagePath, valid);

    EXPECT_EQ(RunWorker(nullptr), 0u);
    EXPECT_TRUE(DrainResults().empty());
    EXPECT_EQ(log.MaskedLines(), kValidRun);
    ExpectLeft(kExePath, Left::Whole, "", small.exe);
    ExpectLeft(kFontsPath, Left::Whole, "", small.fonts);

    PackageContents badChecksum = small;
    badChecksum.checksum = 0;
    const std::string bad = BuildPackage(badChecksum);
    device.WriteFile(kPackagePath, bad);
    EXPECT_EQ(RunWorker(nullptr), 0u);
    EXPECT_TRUE(DrainResults().empty());
    EXPECT_EQ(log.MaskedLines().size(), 6u);
    ExpectLeft(kExePath, Left::Absent, "", "");
    ExpectLeft(kImagesPath, Left::Absent, "", "");
    ExpectLeft(kFontsPath, Left::Absent, "", "");
    ExpectPackageClosedAndUnchanged(bad);

    DeleteFileW(kPackagePath);
    EXPECT_EQ(RunWorker(nullptr), 0u);
    EXPECT_TRUE(DrainResults().empty());
}

TEST_F(ExtractionWorkerTest, MissingOutputPathsCountAsMissingSections) {
    const PackageContents small = SmallPackage();
    const std::string bytes = BuildPackage(small);
    device.WriteFile(kPackagePath, bytes);
    SeedStaleOutputs();

    // No exe path: nothing written, nothing deleted.
    preparer = Preparer{};
    preparer.notify_window = window;
    preparer.notify_message = kResultMessage;
    preparer.upgrade_file = kPackagePath;
    preparer.images_file = kImagesPath;
    preparer.fonts_file = kFontsPath;
    EXPECT_EQ(ExtractThreadProc(&preparer), 0u);
    ExpectOneFailure(DrainResults(), L"Err0D");
    ExpectLeft(kImagesPath, Left::Stale, kStaleImages, "");
    ExpectLeft(kFontsPath, Left::Stale, kStaleFonts, "");

    // No images path: the exe is copied out and deleted again.
    log.Clear();
    preparer.exe_file = kExePath;
    preparer.images_file = nullptr;
    EXPECT_EQ(ExtractThreadProc(&preparer), 0u);
    ExpectOneFailure(DrainResults(), L"Err23");
    EXPECT_EQ(log.MaskedLines(),
              (Lines{kPreVerified, kNoTrustedKey, kExtractedExe,
                     "ExtractThreadProc(): !!! No image to extract, at=[*]"}));
    ExpectLeft(kExePath, Left::Absent, "", "");
    ExpectLeft(kFontsPath, Left::Stale, kStaleFonts, "");

    // No fonts path: the fonts are optional, and the checksum then covers
    // less than the package holds.
    log.Clear();
    preparer.images_file = kImagesPath;
    preparer.fonts_file = nullptr;
    EXPECT_EQ(ExtractThreadProc(&preparer), 0u);
    ExpectOneFailure(DrainResults(), L"Err0F");
    ExpectLeft(kExePath, Left::Absent, "", "");
    ExpectLeft(kImagesPath, Left::Absent, "", "");
    ExpectLeft(kFontsPath, Left::Stale, kStaleFonts, "");
    ExpectPackageClosedAndUnchanged(bytes);
}

// Sizes add with 32-bit wrap-around: a tail whose sum wraps to the real data
// size passes pre-verification, and the oversized section's copy then fails
// on the short read at the end of the file.
TEST_F(ExtractionWorkerTest, WrappedSizesFailInTheOversizedSection) {
    const PackageContents wrapped = {.exe = std::string(100, 'E'),
                                     .images = std::string(100, 'I'),
                                     .fonts = std::string(100, 'F'),
                                     .imagesSize = 100u + 0x80000000u,
                                     .fontsSize = 100u + 0x80000000u};
    const std::string bytes = BuildPackage(wrapped);
    device.WriteFile(kPackagePath, bytes);

    EXPECT_EQ(RunWorker(window), 0u);

    ExpectOneFailure(DrainResults(), L"Err22");
    Lines lines = log.MaskedLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], kExtractedExe);
    EXPECT_EQ(lines[3].rfind("ExtractThreadProc(): !!! Failed to extract image=[" + kImagesLog + "], error=[", 0), 0u)
        << lines[3];
    ExpectLeft(kExePath, Left::Absent, "", "");
    // The short read wrote nothing: the images output is left empty.
    ExpectLeft(kImagesPath, Left::Whole, "", "");
    ExpectLeft(kFontsPath, Left::Absent, "", "");
    ExpectPackageClosedAndUnchanged(bytes);
}

// The guard posts as it goes out of scope, as at the worker's return.
void EndFailedRun(Preparer* preparer, ExtractFailure failure) {
    preparer->error = failure;
    WorkerResult<Preparer> result(preparer);
}

TEST_F(ExtractionWorkerTest, FailurePostsTheConstantCodeOnlyWithAWindow) {
    AimRecordAtWindow();

    EndFailedRun(&preparer, ExtractFailure::kCopyFonts);
    EndFailedRun(&preparer, ExtractFailure::kBadChecksum);
    EndFailedRun(&preparer, static_cast<ExtractFailure>(std::size(FailureCodes<ExtractFailure>::kCodes)));  // past the table
    std::vector<Result> results = DrainResults();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].wParam, 0u);
    // The posted value is the failure itself; its code text is the table's.
    EXPECT_EQ(results[0].failure, static_cast<LPARAM>(ExtractFailure::kCopyFonts));
    EXPECT_EQ(Utf8(results[0].text), "Err32");
    EXPECT_EQ(Utf8(results[1].text), "Err0F");
    EXPECT_EQ(Utf8(results[2].text), "ErrFF");

    preparer.notify_window = nullptr;
    EndFailedRun(&preparer, ExtractFailure::kOpenPackage);
    EXPECT_TRUE(DrainResults().empty());
    EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
