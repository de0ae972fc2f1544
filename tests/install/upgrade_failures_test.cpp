// The installation worker's failures: each code with its log lines, one
// posted result, and what the device holds afterwards (the request flags and
// the package always stay).
#include <gtest/gtest.h>

#include <filesystem>

#include "install_test_support.h"
#include "ruvexa_host.h"

namespace install_testing {
namespace {

using testing_support::Concat;
using UpgradeFailureTest = InstallTest;

// What a failure in the fonts step leaves: new images, both archives gone,
// everything else as it was.
Tree ImagesSwitched(const Tree& before, const Source& source) {
    Tree after = before;
    EraseFile(&after, source.imagesKey);
    EraseFile(&after, source.fontsKey);
    ReplaceFolder(&after, kImagesKey, NewImages());
    return after;
}

// What a failure in the executable step leaves: new images and fonts as well.
Tree FoldersSwitched(const Tree& before, const Source& source) {
    Tree after = ImagesSwitched(before, source);
    ReplaceFolder(&after, kFontKey, NewFonts());
    return after;
}

TEST_F(UpgradeFailureTest, Err43WithoutImagesArchiveTouchesNothing) {
    PrepareLocal();
    RemoveFile(source.images);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(), Lines{"UpgradeThreadProc(): !!! No image to upgrade, at=[*]"});
    ExpectOneFailure("Err43");
    ExpectSameTree(Snapshot(), before);
}

TEST_F(UpgradeFailureTest, Err40ForNoZipRemovesTheArchiveAndTriesTheTemporaryFolder) {
    PrepareLocal();
    device.WriteFile(source.images, "this is no zip archive");
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              (Lines{"UpgradeThreadProc(): unzip images, at=[*]",
                     "UnZipFile(): !!! Failed to open zip=[Hard Disk\\AppImages.zi], at=[*]",
                     "UpgradeThreadProc(): !!! Failed to unzip images=[Hard Disk\\AppImages.zi], at=[*]",
                     "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images_], at=[*]",
                     "UpgradeThreadProc(): !!! Failed to remove temp image folder=[\\NandFlash\\Merrow\\Images_], "
                     "at=[*]"}));
    ExpectOneFailure("Err40");
    Tree expected = before;
    EraseFile(&expected, source.imagesKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err40ForADeflate64ArchiveWritesNothingOutsideTheTemporaryFolder) {
    PrepareLocal();
    // The folder zipped lies beside the device root, outside the device.
    const std::string folder = device.Root() + "-deflate64";
    testing_support::WriteHostFile(folder + "/Icons/big.bmp", std::string(50000, 'x'));
    ASSERT_TRUE(unzip_testing::MakeWithTool(folder, device.Host(source.images),
                                            "7z a -tzip -mm=Deflate64 -bd \"$A\" ."));
    std::filesystem::remove_all(folder);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              (Lines{"UpgradeThreadProc(): unzip images, at=[*]", "==> unzOpenCurrentFile Failed",
                     "UnZipFile(): !!! Failed to unzip file=[Hard Disk\\AppImages.zi], at=[*]",
                     "UpgradeThreadProc(): !!! Failed to unzip images=[Hard Disk\\AppImages.zi], at=[*]"}));
    ExpectOneFailure("Err40");
    Tree expected = before;
    EraseFile(&expected, source.imagesKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, FailureIsPostedAfterTheCleanUp) {
    PrepareLocal();
    device.WriteFile(source.images, "this is no zip archive");
    device.SetReadOnly(source.images, true);
    PostedLogLines posted(window);

    RunWorker();
    DrainResults();

    const Lines sequence = PostedLogLines::Sequence();
    ASSERT_GE(sequence.size(), 2u);
    EXPECT_EQ(sequence[sequence.size() - 2],
              "UpgradeThreadProc(): !!! Failed to delete upgrade image file=[Hard Disk\\AppImages.zi], at=[*]");
    EXPECT_EQ(sequence.back(), "result 0 Err40");
}

// An empty installed folder that cannot be removed (read-only) is still in
// the way of the new one.
TEST_F(UpgradeFailureTest, Err41ForAnEmptyImagesFolderThatStays) {
    PrepareLocal();
    RemoveFolderOnHost(L"\\NandFlash\\Merrow\\Images");
    device.MakeFolder(L"\\NandFlash\\Merrow\\Images");
    device.SetReadOnly(L"\\NandFlash\\Merrow\\Images", true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              (Lines{"UpgradeThreadProc(): unzip images, at=[*]", "ok, at=[*]",
                     "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images], at=[*]",
                     "UpgradeThreadProc(): !!! Failed to remove outdated image folder=[\\NandFlash\\Merrow\\Images], "
                     "at=[*]"}));
    ExpectOneFailure("Err41");
    Tree expected = before;
    EraseFile(&expected, source.imagesKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err42WhenAnOldImageCannotGoKeepsOnlyThatImage) {
    PrepareLocal();
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\Icons\\locked.png", "read-only icon");
    device.SetReadOnly(L"\\NandFlash\\Merrow\\Images\\Icons\\locked.png", true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              (Lines{"UpgradeThreadProc(): unzip images, at=[*]", "ok, at=[*]",
                     "RemoveFolder(): !!! Failed to delete file=[\\NandFlash\\Merrow\\Images\\Icons\\locked.png], "
                     "at=[*]",
                     "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images\\Icons], at=[*]",
                     "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images], at=[*]",
                     "UpgradeThreadProc(): !!! Failed to move new image folder=[\\NandFlash\\Merrow\\Images_], "
                     "at=[*]"}));
    ExpectOneFailure("Err42");
    Tree expected = before;
    EraseFile(&expected, source.imagesKey);
    EraseFile(&expected, "NandFlash/Merrow/Images/back.bmp");
    EraseFile(&expected, "NandFlash/Merrow/Images/Icons/old.png");
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err50ForNoZipKeepsTheFontsAfterTheImagesWentIn) {
    PrepareLocal();
    device.WriteFile(source.fonts, "this is no zip archive");
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(kImagesSwitched,
                     {"UnZipFile(): !!! Failed to open zip=[Hard Disk\\AppFonts.zi], at=[*]",
                      "UpgradeThreadProc(): !!! Failed to unzip font file=[Hard Disk\\AppFonts.zi], at=[*]",
                      "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Font_], at=[*]",
                      "UpgradeThreadProc(): !!! Failed to remove temp font folder=[\\NandFlash\\Merrow\\Font_], "
                      "at=[*]"}));
    ExpectOneFailure("Err50");
    Tree expected = ImagesSwitched(before, source);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err50ForDamagedEntryRemovesWhatWasUnpacked) {
    PrepareLocal();
    unzip_testing::MinizipEntry good;
    good.name = "good.ttf";
    good.data = "a font that unpacks";
    unzip_testing::MinizipEntry damaged;
    damaged.name = "damaged.ttf";
    damaged.data = std::string("\xff\xff\xff\xff this is no deflate stream", 30);
    damaged.raw = true;
    damaged.crc = 0x12345678;
    damaged.uncompressedSize = 5000;
    ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Host(source.fonts), {good, damaged}));
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(kImagesSwitched,
                     {"Unzip [\\NandFlash\\Merrow\\Font_\\damaged.ttf]==> Failed [-3]!!",
                      "UnZipFile(): !!! Failed to unzip file=[Hard Disk\\AppFonts.zi], at=[*]",
                      "UpgradeThreadProc(): !!! Failed to unzip font file=[Hard Disk\\AppFonts.zi], at=[*]"}));
    ExpectOneFailure("Err50");
    Tree expected = ImagesSwitched(before, source);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err51ForAnEmptyFontFolderThatStays) {
    PrepareLocal();
    RemoveFolderOnHost(L"\\NandFlash\\Merrow\\Font");
    device.MakeFolder(L"\\NandFlash\\Merrow\\Font");
    device.SetReadOnly(L"\\NandFlash\\Merrow\\Font", true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(kImagesSwitched,
                     {"UpgradeThreadProc(): unzipped font, at=[*]",
                      "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Font], at=[*]",
                      "UpgradeThreadProc(): !!! Failed to remove outdated font folder=[\\NandFlash\\Merrow\\Font], "
                      "at=[*]"}));
    ExpectOneFailure("Err51");
    Tree expected = ImagesSwitched(before, source);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err52WhenAnOldFontCannotGoKeepsOnlyThatFont) {
    PrepareLocal();
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\locked.ttf", "read-only font");
    device.SetReadOnly(L"\\NandFlash\\Merrow\\Font\\locked.ttf", true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(kImagesSwitched,
                     {"UpgradeThreadProc(): unzipped font, at=[*]",
                      "RemoveFolder(): !!! Failed to delete file=[\\NandFlash\\Merrow\\Font\\locked.ttf], at=[*]",
                      "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Font], at=[*]",
                      "UpgradeThreadProc(): !!! Failed to move new font folder=[\\NandFlash\\Merrow\\Font_], at=[*]"}));
    ExpectOneFailure("Err52");
    Tree expected = ImagesSwitched(before, source);
    EraseFile(&expected, "NandFlash/Merrow/Font/old.ttf");
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err6AWithoutExtractedExeKeepsTheOldExeBehindNewFolders) {
    PrepareLocal();
    RemoveFile(source.exe);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(Concat(kImagesSwitched, kFontsSwitched), {"UpgradeThreadProc(): !!! No exe to upgrade, at=[*]"}));
    ExpectOneFailure("Err6A");
    ExpectSameTree(Snapshot(), FoldersSwitched(before, source));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe"), "old main application");
}

TEST_F(UpgradeFailureTest, Err68WhenTheInstalledExeCannotBeDeletedDropsTheExtractedOne) {
    PrepareLocal();
    device.SetReadOnly(L"\\NandFlash\\Merrow\\Orvane3.exe", true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(Concat(kImagesSwitched, kFontsSwitched),
                     {"UpgradeThreadProc(): !!! Failed to delete old exe=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]"}));
    ExpectOneFailure("Err68");
    Tree expected = FoldersSwitched(before, source);
    EraseFile(&expected, source.exeKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err69WhenTheMoveFailsLeavesNoMainExe) {
    PrepareLocal();
    const Tree before = Snapshot();
    // The images and font folders take the first two moves.
    host::FailCall(host::Op::MoveFileW, ERROR_DISK_FULL, 3);

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(Concat(kImagesSwitched, kFontsSwitched),
                     {"UpgradeThreadProc(): !!! Failed to move file=[Hard Disk\\AppExecute.ex], at=[*]"}));
    ExpectOneFailure("Err69");
    Tree expected = FoldersSwitched(before, source);
    EraseFile(&expected, source.exeKey);
    EraseFile(&expected, kExeKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err69WhenTheCopyAcrossVolumesFailsLeavesNothingHalfWritten) {
    PrepareRemote();
    const Tree before = Snapshot();
    // Each unpacked file is flushed (three images, two fonts); the sixth
    // flush ends the copy to another volume, which fails there.
    host::FailCall(host::Op::FlushFileBuffers, ERROR_DISK_FULL, 6);

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(Concat(kImagesSwitched, kFontsSwitched),
                     {"UpgradeThreadProc(): !!! Failed to move file=[\\Storage Card\\OV3_Download\\AppExecute.ex], "
                      "at=[*]"}));
    ExpectOneFailure("Err69");
    Tree expected = FoldersSwitched(before, source);
    EraseFile(&expected, source.exeKey);
    EraseFile(&expected, kExeKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, Err69WithUndeletableExtractedExeLogsItAndKeepsIt) {
    PrepareLocal();
    device.SetReadOnly(source.exe, true);
    const Tree before = Snapshot();
    host::FailCall(host::Op::MoveFileW, ERROR_DISK_FULL, 3);

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(Concat(kImagesSwitched, kFontsSwitched),
                     {"UpgradeThreadProc(): !!! Failed to move file=[Hard Disk\\AppExecute.ex], at=[*]",
                      "UpgradeThreadProc(): !!! Failed to delete file=[Hard Disk\\AppExecute.ex], at=[*]"}));
    ExpectOneFailure("Err69");
    Tree expected = FoldersSwitched(before, source);
    EraseFile(&expected, kExeKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeFailureTest, FailureWithoutWindowPostsNothing) {
    PrepareLocal();
    RemoveFile(source.images);
    installer.notify_window = nullptr;

    RunWorker();

    EXPECT_EQ(log.MaskedLines(), Lines{"UpgradeThreadProc(): !!! No image to upgrade, at=[*]"});
    EXPECT_TRUE(DrainResults().empty());
}

}  // namespace
}  // namespace install_testing
