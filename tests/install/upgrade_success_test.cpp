// The installation worker's successful runs on real archives and files:
// local and remote upgrades, optional and empty archives, leftovers of an
// interrupted run, deletions that fail without changing the result, no
// window, and the worker on a thread of its own.
#include <gtest/gtest.h>

#include "install_test_support.h"
#include "ruvexa_host.h"

namespace install_testing {
namespace {

using testing_support::Concat;
using UpgradeSuccessTest = InstallTest;

TEST_F(UpgradeSuccessTest, CompleteLocalUpgradeSwitchesEverythingOverAndKeepsThePackage) {
    PrepareLocal();
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    ExpectOneSuccess();
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
    // The same, spelled out: the exe crossed from the USB disk to the flash
    // whole, the sources and the flag are gone, the package stays.
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe") == NewExe());
    EXPECT_FALSE(device.Exists(source.exe));
    EXPECT_FALSE(device.Exists(source.images));
    EXPECT_FALSE(device.Exists(source.fonts));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Images_"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Font_"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Upgrade.flag"));
    EXPECT_EQ(device.ReadFile(source.package), "package bytes");
}

TEST_F(UpgradeSuccessTest, SuccessIsPostedAfterTheLastLine) {
    PrepareLocal();
    PostedLogLines posted(window);

    RunWorker();
    DrainResults();

    EXPECT_EQ(PostedLogLines::Sequence(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]",
                                                                       "result 1 "}));
}

TEST_F(UpgradeSuccessTest, RemoteUpgradeDeletesItsFlagAndPackageAndLeavesTheUsbFlag) {
    PrepareRemote();
    device.WriteFile(L"\\NandFlash\\Upgrade.flag", "");
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted remote upgrade flag, at=[*]",
                                                              "UpgradeThreadProc(): deleted upgrade file, at=[*]"}));
    ExpectOneSuccess();
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
    EXPECT_TRUE(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe") == NewExe());
    EXPECT_FALSE(device.Exists(L"\\Storage Card\\OV3_Download\\AppExecute.ex"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\RemoteUpgrade.flag"));
    EXPECT_FALSE(device.Exists(L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN"));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Upgrade.flag"));
}

TEST_F(UpgradeSuccessTest, RunsOnAThreadOfItsOwn) {
    PrepareRemote();
    const Tree before = Snapshot();

    ASSERT_TRUE(RunWorkerThreadUntilResult());

    ExpectOneSuccess();
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
}

TEST_F(UpgradeSuccessTest, WithoutFontsArchiveTheFontFolderIsLeftAlone) {
    PrepareLocal();
    RemoveFile(source.fonts);
    device.WriteFile(L"\\NandFlash\\Merrow\\Font_\\left.ttf", "an earlier run's font");
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(SwitchedOverLines(false), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    ExpectOneSuccess();
    ExpectSameTree(Snapshot(), AfterSuccess(before, source, false));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Font\\old.ttf"), "old font");
}

// An installed folder that is missing, or empty, leaves its place free: the
// new one moves in. Only RemoveFolder's own line tells of a missing one.
struct FreePlaceRow {
    std::string name;
    std::wstring folder;
    bool empty;  // present without entries; otherwise missing
};

void PrintTo(const FreePlaceRow& row, std::ostream* out) { *out << row.name; }

class InstalledFolderPlace : public InstallTest, public ::testing::WithParamInterface<FreePlaceRow> {};

TEST_P(InstalledFolderPlace, IsTakenByTheNewFolder) {
    const FreePlaceRow& row = GetParam();
    PrepareLocal();
    RemoveFolderOnHost(row.folder);
    if (row.empty) device.MakeFolder(row.folder);
    const Tree before = Snapshot();

    RunWorker();

    Lines expected = Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"});
    if (!row.empty) {
        const bool images = row.folder == L"\\NandFlash\\Merrow\\Images";
        expected.insert(expected.begin() + (images ? 2 : 4),
                        "RemoveFolder(): !!! Failed to delete folder=[" + host::WideToUtf8(row.folder) + "], at=[*]");
    }
    EXPECT_EQ(log.MaskedLines(), expected);
    ExpectOneSuccess();
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
}

INSTANTIATE_TEST_SUITE_P(
    MissingOrEmpty, InstalledFolderPlace,
    ::testing::Values(FreePlaceRow{"MissingImages", L"\\NandFlash\\Merrow\\Images", false},
                      FreePlaceRow{"EmptyImages", L"\\NandFlash\\Merrow\\Images", true},
                      FreePlaceRow{"MissingFont", L"\\NandFlash\\Merrow\\Font", false},
                      FreePlaceRow{"EmptyFont", L"\\NandFlash\\Merrow\\Font", true}),
    [](const ::testing::TestParamInfo<FreePlaceRow>& info) { return info.param.name; });

TEST_F(UpgradeSuccessTest, EmptyArchivesReplaceTheFoldersByEmptyOnes) {
    PrepareLocal();
    // minizip never opens the bare 22-byte archive that writers make of
    // nothing; behind a stub, as self-extractors have, it finds no entries.
    for (const std::wstring& archive : {source.images, source.fonts}) {
        device.WriteFile(archive, "#!stub\n");
        ASSERT_TRUE(unzip_testing::MakePythonZip(device.Host(archive), "", "a"));
    }
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              (Lines{"UpgradeThreadProc(): unzip images, at=[*]",
                     "UnZipFile(): !!! File size is 0, file=[Hard Disk\\AppImages.zi], size=[0], at=[*]",
                     "ok, at=[*]",
                     "UpgradeThreadProc(): switched over to new images, at=[*]",
                     "UnZipFile(): !!! File size is 0, file=[Hard Disk\\AppFonts.zi], size=[0], at=[*]",
                     "UpgradeThreadProc(): unzipped font, at=[*]",
                     "UpgradeThreadProc(): switched over to new font, at=[*]",
                     "UpgradeThreadProc(): switched over to new exe, at=[*]",
                     "UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    ExpectOneSuccess();
    Tree expected = AfterSuccess(before, source);
    ReplaceFolder(&expected, kImagesKey, {});
    ReplaceFolder(&expected, kFontKey, {});
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeSuccessTest, LeftoverTemporaryFoldersAreUnpackedIntoAndMoveWithTheNewFiles) {
    PrepareLocal();
    device.WriteFile(L"\\NandFlash\\Merrow\\Images_\\back.bmp", "half written");
    device.WriteFile(L"\\NandFlash\\Merrow\\Images_\\stale.bmp", "an earlier run's image");
    device.WriteFile(L"\\NandFlash\\Merrow\\Font_\\extra.ttf", "an earlier run's font");
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    ExpectOneSuccess();
    Tree expected = AfterSuccess(before, source);
    EraseFolder(&expected, "NandFlash/Merrow/Images_");
    EraseFolder(&expected, "NandFlash/Merrow/Font_");
    expected["NandFlash/Merrow/Images/stale.bmp"] = "an earlier run's image";
    expected["NandFlash/Merrow/Font/extra.ttf"] = "an earlier run's font";
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeSuccessTest, WithoutInstalledExeTheNewOneIsMovedIntoPlace) {
    PrepareLocal();
    RemoveFile(L"\\NandFlash\\Merrow\\Orvane3.exe");
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    ExpectOneSuccess();
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
}

TEST_F(UpgradeSuccessTest, UndeletableLocalFlagIsOnlyLogged) {
    PrepareLocal();
    device.SetReadOnly(L"\\NandFlash\\Upgrade.flag", true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(SwitchedOverLines(),
                     {"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[\\NandFlash\\Upgrade.flag], at=[*]"}));
    ExpectOneSuccess();
    Tree expected = AfterSuccess(before, source);
    expected[kUsbFlagKey] = "";
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeSuccessTest, UndeletableRemoteFlagAndPackageAreOnlyLogged) {
    PrepareRemote();
    device.SetReadOnly(L"\\NandFlash\\RemoteUpgrade.flag", true);
    device.SetReadOnly(source.package, true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              Concat(SwitchedOverLines(),
                     {"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[\\NandFlash\\RemoteUpgrade.flag], "
                      "at=[*]",
                      "UpgradeThreadProc(): !!! Failed to delete upgrade file=[\\Storage "
                      "Card\\OV3_Download\\OV3_UPGRADE_7.BIN], at=[*]"}));
    ExpectOneSuccess();
    Tree expected = AfterSuccess(before, source);
    expected[kRemoteFlagKey] = "";
    expected[source.packageKey] = "package bytes";
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeSuccessTest, UndeletableArchivesAreOnlyLogged) {
    PrepareLocal();
    device.SetReadOnly(source.images, true);
    device.SetReadOnly(source.fonts, true);
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(),
              (Lines{"UpgradeThreadProc(): unzip images, at=[*]",
                     "ok, at=[*]",
                     "UpgradeThreadProc(): switched over to new images, at=[*]",
                     "UpgradeThreadProc(): !!! Failed to delete upgrade image file=[Hard Disk\\AppImages.zi], at=[*]",
                     "UpgradeThreadProc(): unzipped font, at=[*]",
                     "UpgradeThreadProc(): switched over to new font, at=[*]",
                     "UpgradeThreadProc(): !!! Failed to delete file=[Hard Disk\\AppFonts.zi], at=[*]",
                     "UpgradeThreadProc(): switched over to new exe, at=[*]",
                     "UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    ExpectOneSuccess();
    Tree expected = AfterSuccess(before, source);
    expected[source.imagesKey] = before.at(source.imagesKey);
    expected[source.fontsKey] = before.at(source.fontsKey);
    ExpectSameTree(Snapshot(), expected);
}

TEST_F(UpgradeSuccessTest, WithoutWindowTheWorkIsDoneAndNothingPosted) {
    PrepareLocal();
    installer.notify_window = nullptr;
    const Tree before = Snapshot();

    RunWorker();

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    EXPECT_TRUE(DrainResults().empty());
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
}

}  // namespace
}  // namespace install_testing
