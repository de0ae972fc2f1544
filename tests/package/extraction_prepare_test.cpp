// PrepareExtract, the extraction worker's start: no package path, and a
// record filled with the paths and the message it is handed.
#include <gtest/gtest.h>

#include <string>

#include "extraction_test_support.h"

namespace {

using namespace extraction_testing;
using package_testing::BuildPackage;
using package_testing::PackageContents;

using ExtractionPrepareTest = ExtractionTest;

TEST_F(ExtractionPrepareTest, NoPackagePathPostsErr01ToAWindowOnly) {
    SeedStaleOutputs();

    EXPECT_FALSE(PrepareExtract(&preparer, window, kResultMessage, nullptr, kExePath, kImagesPath, kFontsPath));
    ExpectOneFailure(DrainResults(), L"Err01");
    EXPECT_EQ(log.MaskedLines(), Lines{"PrepareExtract(): !!! Upgrade file is NULL"});

    log.Clear();
    EXPECT_FALSE(PrepareExtract(&preparer, nullptr, kResultMessage, nullptr, kExePath, kImagesPath, kFontsPath));
    EXPECT_TRUE(DrainResults().empty());
    EXPECT_EQ(log.MaskedLines(), Lines{"PrepareExtract(): !!! Upgrade file is NULL"});

    ExpectLeft(kExePath, Left::Stale, kStaleExe, "");
    ExpectLeft(kImagesPath, Left::Stale, kStaleImages, "");
    ExpectLeft(kFontsPath, Left::Stale, kStaleFonts, "");
}

TEST_F(ExtractionPrepareTest, PrepareExtractHandsTheWorkerItsPathsAndMessage) {
    const PackageContents small = SmallPackage();
    device.WriteFile(kPackagePath, BuildPackage(small));
    device.MakeFolder(L"\\NandFlash\\Work");
    // Outlives the worker, which may still be returning after it posted.
    static Preparer lasting;
    lasting = Preparer{};

    EXPECT_TRUE(PrepareExtract(&lasting, window, kResultMessage, kPackagePath, L"\\NandFlash\\Work\\a.ex",
                               L"\\NandFlash\\Work\\b.zi", L"\\NandFlash\\Work\\c.zi"));
    ASSERT_TRUE(WaitForResult());

    ExpectOneSuccess(DrainResults());
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Work\\a.ex") == small.exe);
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Work\\b.zi") == small.images);
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Work\\c.zi") == small.fonts);
}

}  // namespace
