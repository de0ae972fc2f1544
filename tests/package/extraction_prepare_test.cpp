// PrepareExtract, the extraction worker's start: no package path, and a
// record filled with the attempt's paths and the message it is handed.
#include <gtest/gtest.h>

#include <string>

#include "attempt_support.h"
#include "extraction_test_support.h"

namespace {

using namespace extraction_testing;
using package_testing::BuildPackage;
using package_testing::PackageContents;

using ExtractionPrepareTest = ExtractionTest;

TEST_F(ExtractionPrepareTest, NoPackagePathPostsErr01ToAWindowOnly) {
    SeedStaleOutputs();

    UpgradeAttempt noPackage = testing_support::AttemptFor(true, nullptr, kExePath, kImagesPath, kFontsPath);
    EXPECT_FALSE(PrepareExtract(&preparer, window, kResultMessage, &noPackage));
    ExpectOneFailure(DrainResults(), L"Err01");
    EXPECT_EQ(log.MaskedLines(), Lines{"PrepareExtract(): !!! Upgrade file is NULL"});

    log.Clear();
    EXPECT_FALSE(PrepareExtract(&preparer, nullptr, kResultMessage, nullptr));
    EXPECT_TRUE(DrainResults().empty());
    EXPECT_EQ(log.MaskedLines(), Lines{"PrepareExtract(): !!! Upgrade file is NULL"});

    ExpectLeft(kExePath, Left::Stale, kStaleExe, "");
    ExpectLeft(kImagesPath, Left::Stale, kStaleImages, "");
    ExpectLeft(kFontsPath, Left::Stale, kStaleFonts, "");
}

TEST_F(ExtractionPrepareTest, PrepareExtractHandsTheWorkerItsPathsAndMessage) {
    const PackageContents small = SmallPackage();
    const std::string bytes = BuildPackage(small);
    device.WriteFile(kPackagePath, bytes);
    device.MakeFolder(L"\\NandFlash\\Work");
    // Outlives the worker, which may still be returning after it posted.
    static Preparer lasting;
    lasting = Preparer{};
    static UpgradeAttempt attempt;
    attempt = testing_support::AttemptFor(true, kPackagePath, L"\\NandFlash\\Work\\a.ex", L"\\NandFlash\\Work\\b.zi",
                                          L"\\NandFlash\\Work\\c.zi");

    EXPECT_TRUE(PrepareExtract(&lasting, window, kResultMessage, &attempt));
    ASSERT_TRUE(WaitForResult());

    ExpectOneSuccess(DrainResults());
    // The worker completed the attempt with what it verified.
    ASSERT_TRUE(attempt.verified.has_value());
    DWORD stored = 0;  // the tail's last four bytes, little-endian
    for (size_t i = 0; i < 4; ++i) stored |= DWORD{static_cast<BYTE>(bytes[bytes.size() - 4 + i])} << (8 * i);
    EXPECT_EQ(attempt.verified->checksum, stored);
    EXPECT_FALSE(attempt.verified->security_version.has_value()) << "no trusted key on this device";
    EXPECT_FALSE(attempt.verified->delta);
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Work\\a.ex") == small.exe);
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Work\\b.zi") == small.images);
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Work\\c.zi") == small.fonts);
}

}  // namespace
