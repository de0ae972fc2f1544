// Starting the extraction stage as the UI thread does (StartExtraction,
// which hands PrepareUpgrade the boot's upgrade attempt) with a real worker
// thread for either upgrade source, the stale start-up folder, and the
// starts that fail (no record, no thread) on the status line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "attempt_support.h"
#include "boot_attempt.h"
#include "boot_steps.h"
#include "extraction_test_support.h"
#include "status_screen.h"

namespace {

using namespace extraction_testing;
using package_testing::BuildPackage;
using package_testing::PackageContents;

const std::string kStartUpRemoved = "PrepareUpgrade(): !!! Deleted invalid Merrow folder in StartUp, at=[*]";

std::vector<COLORREF> ScreenPixels() {
    HDC screen = GetDC(nullptr);
    std::vector<COLORREF> pixels;
    pixels.reserve(480 * 272);
    for (int y = 0; y < 272; ++y) {
        for (int x = 0; x < 480; ++x) pixels.push_back(GetPixel(screen, x, y));
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

class ExtractionPrepareTest : public ExtractionTest {
protected:
    void SetUp() override {
        ExtractionTest::SetUp();
        UseDownloadFolder();
    }

    // Later cases start the installation worker, which reads the attempt.
    void TearDown() override {
        BootAttempt() = UpgradeAttempt{};
        ExtractionTest::TearDown();
    }

    // As the search leaves the attempt for a downloaded package.
    static void UseDownloadFolder() {
        BootAttempt() = testing_support::AttemptFor(true, kPackagePath, kExePath, kImagesPath, kFontsPath);
    }

    void MakeStartUpFolder() const {
        device.WriteFile(L"\\NandFlash\\StartUp\\Merrow\\Orvane3.lnk", "old start-up link");
        device.WriteFile(L"\\NandFlash\\StartUp\\Merrow\\cache\\state.bin", "old state");
    }

    // The status line shows `text`: drawing it again changes nothing on the
    // screen, while another text would.
    void ExpectStatusLine(const wchar_t* text) const {
        std::vector<COLORREF> shown = ScreenPixels();
        DrawStatusText(L"Preparing...");
        EXPECT_NE(ScreenPixels(), shown) << "the status line still shows \"Preparing...\"";
        DrawStatusText(text);
        EXPECT_EQ(ScreenPixels(), shown);
    }
};

TEST_F(ExtractionPrepareTest, DownloadedPackageIsExtractedOnAWorkerThread) {
    const PackageContents small = SmallPackage();
    const std::string bytes = BuildPackage(small);
    device.WriteFile(kPackagePath, bytes);

    StartExtraction(window);
    ASSERT_TRUE(WaitForResult());

    ExpectOneSuccess(DrainResults());
    EXPECT_EQ(log.MaskedLines(), kValidRun);
    ExpectLeft(kExePath, Left::Whole, "", small.exe);
    ExpectLeft(kImagesPath, Left::Whole, "", small.images);
    ExpectLeft(kFontsPath, Left::Whole, "", small.fonts);
    ExpectPackageClosedAndUnchanged(bytes);
    EXPECT_FALSE(device.Exists(L"\\Hard Disk"));
}

TEST_F(ExtractionPrepareTest, UsbPackageIsExtractedBesideItselfOnTheDisk) {
    // As the USB search composes them: the disk's folder name, no leading separator.
    BootAttempt() = testing_support::AttemptFor(false, L"Hard Disk\\OV3_UPGRADE_3.BIN", L"Hard Disk\\AppExecute.ex",
                                                L"Hard Disk\\AppImages.zi", L"Hard Disk\\AppFonts.zi");
    const PackageContents small = SmallPackage();
    const std::string bytes = BuildPackage(small);
    device.WriteFile(L"\\Hard Disk\\OV3_UPGRADE_3.BIN", bytes);

    StartExtraction(window);
    ASSERT_TRUE(WaitForResult());

    ExpectOneSuccess(DrainResults());
    EXPECT_EQ(log.MaskedLines(), kValidRun);
    EXPECT_TRUE(device.ReadFile(L"\\Hard Disk\\AppExecute.ex") == small.exe);
    EXPECT_TRUE(device.ReadFile(L"\\Hard Disk\\AppImages.zi") == small.images);
    EXPECT_TRUE(device.ReadFile(L"\\Hard Disk\\AppFonts.zi") == small.fonts);
    EXPECT_TRUE(device.ReadFile(L"\\Hard Disk\\OV3_UPGRADE_3.BIN") == bytes);
    EXPECT_FALSE(device.Exists(kExePath));
}

TEST_F(ExtractionPrepareTest, StartUpFolderGoesEvenWhenTheExtractionThenFails) {
    PackageContents badSignature = SmallPackage();
    badSignature.signature = 0x4F562D34;  // "4-VO"
    const std::string bytes = BuildPackage(badSignature);
    device.WriteFile(kPackagePath, bytes);
    MakeStartUpFolder();

    StartExtraction(window);
    ASSERT_TRUE(WaitForResult());

    ExpectOneFailure(DrainResults(), L"Err04");
    EXPECT_EQ(log.MaskedLines(),
              (Lines{kStartUpRemoved, "ExtractThreadProc(): !!! Invalid file signature=[4F562D34], at=[*]"}));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\StartUp\\Merrow"));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\StartUp"));
    ExpectPackageClosedAndUnchanged(bytes);
}

// The result is the worker's last act: by the time it arrives the package is
// closed and the outputs of a failed run are gone.
TEST_F(ExtractionPrepareTest, CleanUpIsCompleteWhenTheFailureArrives) {
    PackageContents badChecksum = LargePackage();
    badChecksum.checksum = 1;
    const std::string bytes = BuildPackage(badChecksum);
    device.WriteFile(kPackagePath, bytes);

    StartExtraction(window);
    ASSERT_TRUE(WaitForResult());

    ExpectLeft(kExePath, Left::Absent, "", "");
    ExpectLeft(kImagesPath, Left::Absent, "", "");
    ExpectLeft(kFontsPath, Left::Absent, "", "");
    ExpectPackageClosedAndUnchanged(bytes);
    ExpectOneFailure(DrainResults(), L"Err0F");
}

TEST_F(ExtractionPrepareTest, ThreadThatCannotStartIsReportedOnTheStatusLine) {
    const std::string bytes = BuildPackage(SmallPackage());
    device.WriteFile(kPackagePath, bytes);
    host::FailCall(host::Op::CreateThread, ERROR_NOT_ENOUGH_MEMORY);

    StartExtraction(window);

    EXPECT_EQ(log.MaskedLines(), Lines{"PrepareExtract(): !!! Failed to create thread, error=[8], at=[*]"});
    EXPECT_TRUE(DrainResults().empty());
    ExpectStatusLine(L"Preparation failed");
    EXPECT_FALSE(device.Exists(kExePath));
    ExpectPackageClosedAndUnchanged(bytes);
}

TEST_F(ExtractionPrepareTest, PreparerThatCannotBeCreatedEndsTheStageWithoutAMessage) {
    const std::string bytes = BuildPackage(SmallPackage());
    device.WriteFile(kPackagePath, bytes);
    MakeStartUpFolder();
    // The removal of the start-up folder takes one allocation for each of
    // its two folders; the third is the preparer's.
    host::FailCall(host::Op::LocalAlloc, ERROR_NOT_ENOUGH_MEMORY, 3);

    StartExtraction(window);

    EXPECT_EQ(log.MaskedLines(),
              (Lines{kStartUpRemoved, "PrepareUpgrade(): !!! Failed to create preparer, error=[8], at=[*]"}));
    EXPECT_TRUE(DrainResults().empty());
    ExpectStatusLine(L"Preparation failed");
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\StartUp\\Merrow"));
    EXPECT_FALSE(device.Exists(kExePath));
    ExpectPackageClosedAndUnchanged(bytes);
}

}  // namespace
