// The installation worker's failures, one row each: what is done to the
// device or armed on the platform, the code posted once, the log lines in
// order, and what the device holds afterwards (the request flags and the
// package always stay).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

struct ArmedFailure {
    host::Op op;
    DWORD error;
    unsigned nth;
};

// The folders switched over before the failure: the log starts with their
// lines and the device is left as ImagesSwitched or FoldersSwitched leaves it.
enum class Switched { Nothing, Images, Folders };

class FailingUpgrade;

struct FailureRow {
    std::string name;
    bool remote = false;
    std::function<void(FailingUpgrade&)> arrange{};  // after Prepare
    std::vector<ArmedFailure> faults{};              // armed after the snapshot
    std::wstring code;
    Switched switched = Switched::Nothing;
    Lines log;                        // after the switched folders' lines
    std::vector<std::string> gone{};  // keys that go besides the switched folders' edits
    // Device files and the bytes they still hold.
    std::vector<std::pair<std::wstring, std::string>> kept{};
};

void PrintTo(const FailureRow& row, std::ostream* out) { *out << row.name; }

class FailingUpgrade : public InstallTest, public ::testing::WithParamInterface<FailureRow> {
public:
    static std::vector<FailureRow> Rows();
};

std::vector<FailureRow> FailingUpgrade::Rows() {
    const Source usb = UsbSource();
    const Source download = DownloadSource();
    return {
        {.name = "Err43WithoutImagesArchiveTouchesNothing",
         .arrange = [](FailingUpgrade& test) { test.RemoveFile(test.source.images); },
         .code = L"Err43",
         .log = {"UpgradeThreadProc(): !!! No image to upgrade, at=[*]"}},
        {.name = "Err40ForNoZipRemovesTheArchiveAndTriesTheTemporaryFolder",
         .arrange = [](FailingUpgrade& test) { test.device.WriteFile(test.source.images, "this is no zip archive"); },
         .code = L"Err40",
         .log = {"UpgradeThreadProc(): unzip images, at=[*]",
                 "UnZipFile(): !!! Failed to open zip=[Hard Disk\\AppImages.zi], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to unzip images=[Hard Disk\\AppImages.zi], at=[*]",
                 "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images_], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to remove temp image folder=[\\NandFlash\\Merrow\\Images_], at=[*]"},
         .gone = {usb.imagesKey}},
        {.name = "Err40ForADeflate64ArchiveWritesNothingOutsideTheTemporaryFolder",
         .arrange =
             [](FailingUpgrade& test) {
                 // The folder zipped lies beside the device root, outside the device.
                 const std::string folder = test.device.Root() + "-deflate64";
                 testing_support::WriteHostFile(folder + "/Icons/big.bmp", std::string(50000, 'x'));
                 ASSERT_TRUE(unzip_testing::MakeWithTool(folder, test.device.Host(test.source.images),
                                                         "7z a -tzip -mm=Deflate64 -bd \"$A\" ."));
                 std::filesystem::remove_all(folder);
             },
         .code = L"Err40",
         .log = {"UpgradeThreadProc(): unzip images, at=[*]", "==> unzOpenCurrentFile Failed",
                 "UnZipFile(): !!! Failed to unzip file=[Hard Disk\\AppImages.zi], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to unzip images=[Hard Disk\\AppImages.zi], at=[*]"},
         .gone = {usb.imagesKey}},
        // An empty installed folder that cannot be removed (read-only) is
        // still in the way of the new one.
        {.name = "Err41ForAnEmptyImagesFolderThatStays",
         .arrange =
             [](FailingUpgrade& test) {
                 test.RemoveFolderOnHost(L"\\NandFlash\\Merrow\\Images");
                 test.device.MakeFolder(L"\\NandFlash\\Merrow\\Images");
                 test.device.SetReadOnly(L"\\NandFlash\\Merrow\\Images", true);
             },
         .code = L"Err41",
         .log = {"UpgradeThreadProc(): unzip images, at=[*]", "ok, at=[*]",
                 "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to remove outdated image folder=[\\NandFlash\\Merrow\\Images], "
                 "at=[*]"},
         .gone = {usb.imagesKey}},
        {.name = "Err42WhenAnOldImageCannotGoKeepsOnlyThatImage",
         .arrange =
             [](FailingUpgrade& test) {
                 test.device.WriteFile(L"\\NandFlash\\Merrow\\Images\\Icons\\locked.png", "read-only icon");
                 test.device.SetReadOnly(L"\\NandFlash\\Merrow\\Images\\Icons\\locked.png", true);
             },
         .code = L"Err42",
         .log = {"UpgradeThreadProc(): unzip images, at=[*]", "ok, at=[*]",
                 "RemoveFolder(): !!! Failed to delete file=[\\NandFlash\\Merrow\\Images\\Icons\\locked.png], at=[*]",
                 "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images\\Icons], at=[*]",
                 "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to move new image folder=[\\NandFlash\\Merrow\\Images_], at=[*]"},
         .gone = {usb.imagesKey, "NandFlash/Merrow/Images/back.bmp", "NandFlash/Merrow/Images/Icons/old.png"}},
        {.name = "Err50ForNoZipKeepsTheFontsAfterTheImagesWentIn",
         .arrange = [](FailingUpgrade& test) { test.device.WriteFile(test.source.fonts, "this is no zip archive"); },
         .code = L"Err50",
         .switched = Switched::Images,
         .log = {"UnZipFile(): !!! Failed to open zip=[Hard Disk\\AppFonts.zi], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to unzip font file=[Hard Disk\\AppFonts.zi], at=[*]",
                 "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Font_], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to remove temp font folder=[\\NandFlash\\Merrow\\Font_], at=[*]"}},
        {.name = "Err50ForDamagedEntryRemovesWhatWasUnpacked",
         .arrange =
             [](FailingUpgrade& test) {
                 unzip_testing::MinizipEntry good;
                 good.name = "good.ttf";
                 good.data = "a font that unpacks";
                 unzip_testing::MinizipEntry damaged;
                 damaged.name = "damaged.ttf";
                 damaged.data = std::string("\xff\xff\xff\xff this is no deflate stream", 30);
                 damaged.raw = true;
                 damaged.crc = 0x12345678;
                 damaged.uncompressedSize = 5000;
                 ASSERT_TRUE(unzip_testing::MakeMinizipZip(test.device.Host(test.source.fonts), {good, damaged}));
             },
         .code = L"Err50",
         .switched = Switched::Images,
         .log = {"Unzip [\\NandFlash\\Merrow\\Font_\\damaged.ttf]==> Failed [-3]!!",
                 "UnZipFile(): !!! Failed to unzip file=[Hard Disk\\AppFonts.zi], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to unzip font file=[Hard Disk\\AppFonts.zi], at=[*]"}},
        {.name = "Err51ForAnEmptyFontFolderThatStays",
         .arrange =
             [](FailingUpgrade& test) {
                 test.RemoveFolderOnHost(L"\\NandFlash\\Merrow\\Font");
                 test.device.MakeFolder(L"\\NandFlash\\Merrow\\Font");
                 test.device.SetReadOnly(L"\\NandFlash\\Merrow\\Font", true);
             },
         .code = L"Err51",
         .switched = Switched::Images,
         .log = {"UpgradeThreadProc(): unzipped font, at=[*]",
                 "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Font], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to remove outdated font folder=[\\NandFlash\\Merrow\\Font], at=[*]"}},
        {.name = "Err52WhenAnOldFontCannotGoKeepsOnlyThatFont",
         .arrange =
             [](FailingUpgrade& test) {
                 test.device.WriteFile(L"\\NandFlash\\Merrow\\Font\\locked.ttf", "read-only font");
                 test.device.SetReadOnly(L"\\NandFlash\\Merrow\\Font\\locked.ttf", true);
             },
         .code = L"Err52",
         .switched = Switched::Images,
         .log = {"UpgradeThreadProc(): unzipped font, at=[*]",
                 "RemoveFolder(): !!! Failed to delete file=[\\NandFlash\\Merrow\\Font\\locked.ttf], at=[*]",
                 "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Font], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to move new font folder=[\\NandFlash\\Merrow\\Font_], at=[*]"},
         .gone = {"NandFlash/Merrow/Font/old.ttf"}},
        {.name = "Err6AWithoutExtractedExeKeepsTheOldExeBehindNewFolders",
         .arrange = [](FailingUpgrade& test) { test.RemoveFile(test.source.exe); },
         .code = L"Err6A",
         .switched = Switched::Folders,
         .log = {"UpgradeThreadProc(): !!! No exe to upgrade, at=[*]"},
         .kept = {{L"\\NandFlash\\Merrow\\Orvane3.exe", "old main application"}}},
        {.name = "Err68WhenTheInstalledExeCannotBeDeletedDropsTheExtractedOne",
         .arrange = [](FailingUpgrade& test) { test.device.SetReadOnly(L"\\NandFlash\\Merrow\\Orvane3.exe", true); },
         .code = L"Err68",
         .switched = Switched::Folders,
         .log = {"UpgradeThreadProc(): !!! Failed to delete old exe=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]"},
         .gone = {usb.exeKey}},
        // The images and font folders take the first two moves.
        {.name = "Err69WhenTheMoveFailsLeavesNoMainExe",
         .faults = {{host::Op::MoveFileW, ERROR_DISK_FULL, 3}},
         .code = L"Err69",
         .switched = Switched::Folders,
         .log = {"UpgradeThreadProc(): !!! Failed to move file=[Hard Disk\\AppExecute.ex], at=[*]"},
         .gone = {usb.exeKey, kExeKey}},
        // Each unpacked file is flushed (three images, two fonts); the sixth
        // flush ends the copy to another volume, which fails there.
        {.name = "Err69WhenTheCopyAcrossVolumesFailsLeavesNothingHalfWritten",
         .remote = true,
         .faults = {{host::Op::FlushFileBuffers, ERROR_DISK_FULL, 6}},
         .code = L"Err69",
         .switched = Switched::Folders,
         .log = {"UpgradeThreadProc(): !!! Failed to move file=[\\Storage Card\\OV3_Download\\AppExecute.ex], at=[*]"},
         .gone = {download.exeKey, kExeKey}},
        {.name = "Err69WithUndeletableExtractedExeLogsItAndKeepsIt",
         .arrange = [](FailingUpgrade& test) { test.device.SetReadOnly(test.source.exe, true); },
         .faults = {{host::Op::MoveFileW, ERROR_DISK_FULL, 3}},
         .code = L"Err69",
         .switched = Switched::Folders,
         .log = {"UpgradeThreadProc(): !!! Failed to move file=[Hard Disk\\AppExecute.ex], at=[*]",
                 "UpgradeThreadProc(): !!! Failed to delete file=[Hard Disk\\AppExecute.ex], at=[*]"},
         .gone = {kExeKey}},
    };
}

TEST_P(FailingUpgrade, PostsItsCodeAndLeavesTheDevice) {
    const FailureRow& row = GetParam();
    row.remote ? PrepareRemote() : PrepareLocal();
    if (row.arrange) row.arrange(*this);
    if (HasFatalFailure()) return;
    const Tree before = Snapshot();
    for (const ArmedFailure& fault : row.faults) host::FailCall(fault.op, fault.error, fault.nth);

    EXPECT_EQ(RunWorker(), 0u);

    Lines lines;
    Tree expected = before;
    switch (row.switched) {
        case Switched::Nothing:
            break;
        case Switched::Images:
            lines = kImagesSwitched;
            expected = ImagesSwitched(before, source);
            break;
        case Switched::Folders:
            lines = Concat(kImagesSwitched, kFontsSwitched);
            expected = FoldersSwitched(before, source);
            break;
    }
    EXPECT_EQ(log.MaskedLines(), Concat(lines, row.log));
    ExpectOneFailure(DrainResults(), row.code);
    for (const std::string& key : row.gone) EraseFile(&expected, key);
    ExpectSameTree(Snapshot(), expected);
    for (const auto& [path, bytes] : row.kept) EXPECT_EQ(device.ReadFile(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, FailingUpgrade, ::testing::ValuesIn(FailingUpgrade::Rows()),
                         [](const ::testing::TestParamInfo<FailureRow>& info) { return info.param.name; });

TEST_F(UpgradeFailureTest, FailureIsPostedAfterTheCleanUp) {
    PrepareLocal();
    device.WriteFile(source.images, "this is no zip archive");
    device.SetReadOnly(source.images, true);
    PostedLogLines posted(window);

    EXPECT_EQ(RunWorker(), 0u);
    DrainResults();

    const Lines sequence = PostedLogLines::Sequence();
    ASSERT_GE(sequence.size(), 2u);
    EXPECT_EQ(sequence[sequence.size() - 2],
              "UpgradeThreadProc(): !!! Failed to delete upgrade image file=[Hard Disk\\AppImages.zi], at=[*]");
    EXPECT_EQ(sequence.back(), "result 0 Err40");
}

TEST_F(UpgradeFailureTest, FailureWithoutWindowPostsNothing) {
    PrepareLocal();
    RemoveFile(source.images);
    installer.notify_window = nullptr;

    EXPECT_EQ(RunWorker(), 0u);

    EXPECT_EQ(log.MaskedLines(), Lines{"UpgradeThreadProc(): !!! No image to upgrade, at=[*]"});
    EXPECT_TRUE(DrainResults().empty());
}

}  // namespace
}  // namespace install_testing
