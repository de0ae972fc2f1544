// The installation worker's successful runs on real archives and files:
// local and remote upgrades, no window, and the worker on a thread of its
// own; then one row each for optional, missing and empty archives and
// folders, leftovers of an interrupted run, and deletions that fail without
// changing the result.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "install_test_support.h"

namespace install_testing {
namespace {

using testing_support::Concat;
using UpgradeSuccessTest = InstallTest;

TEST_F(UpgradeSuccessTest, CompleteLocalUpgradeSwitchesEverythingOverAndKeepsThePackage) {
    PrepareLocal();
    const Tree before = Snapshot();

    EXPECT_EQ(RunWorker(), 0u);

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    ExpectOneSuccess(DrainResults());
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

    EXPECT_EQ(RunWorker(), 0u);
    DrainResults();

    EXPECT_EQ(PostedLogLines::Sequence(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]",
                                                                       "result 1 "}));
}

TEST_F(UpgradeSuccessTest, RemoteUpgradeDeletesItsFlagAndPackageAndLeavesTheUsbFlag) {
    PrepareRemote();
    device.WriteFile(L"\\NandFlash\\Upgrade.flag", "");
    const Tree before = Snapshot();

    EXPECT_EQ(RunWorker(), 0u);

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted remote upgrade flag, at=[*]",
                                                              "UpgradeThreadProc(): deleted upgrade file, at=[*]"}));
    ExpectOneSuccess(DrainResults());
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

    ExpectOneSuccess(DrainResults());
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
}

class SucceedingUpgrade;

struct SuccessRow {
    std::string name;
    bool remote = false;
    std::function<void(SucceedingUpgrade&)> arrange{};  // after Prepare
    bool fonts = true;                                   // whether AfterSuccess puts the new fonts in
    Lines log;
    // Edits of AfterSuccess's tree, given the device before the run.
    std::function<void(Tree*, const Tree& before, const Source&)> treeEdit{};
    // Device files and the bytes they still hold.
    std::vector<std::pair<std::wstring, std::string>> kept{};
};

void PrintTo(const SuccessRow& row, std::ostream* out) { *out << row.name; }

class SucceedingUpgrade : public InstallTest, public ::testing::WithParamInterface<SuccessRow> {
public:
    static std::vector<SuccessRow> Rows();
};

std::vector<SuccessRow> SucceedingUpgrade::Rows() {
    const std::string flagDeleted = "UpgradeThreadProc(): deleted upgrade flag, at=[*]";
    const Lines localUpgrade = Concat(SwitchedOverLines(), {flagDeleted});
    // An installed folder that is missing, or empty, leaves its place free:
    // the new one moves in. Only RemoveFolder's own line tells of a missing one.
    const auto missing = [](std::wstring folder) {
        return [folder](SucceedingUpgrade& test) { test.RemoveFolderOnHost(folder); };
    };
    const auto empty = [](std::wstring folder) {
        return [folder](SucceedingUpgrade& test) {
            test.RemoveFolderOnHost(folder);
            test.device.MakeFolder(folder);
        };
    };
    return {
        {.name = "WithoutFontsArchiveTheFontFolderIsLeftAlone",
         .arrange =
             [](SucceedingUpgrade& test) {
                 test.RemoveFile(test.source.fonts);
                 test.device.WriteFile(L"\\NandFlash\\Merrow\\Font_\\left.ttf", "an earlier run's font");
             },
         .fonts = false,
         .log = Concat(SwitchedOverLines(false), {flagDeleted}),
         .kept = {{L"\\NandFlash\\Merrow\\Font\\old.ttf", "old font"}}},
        {.name = "MissingImages",
         .arrange = missing(L"\\NandFlash\\Merrow\\Images"),
         .log = Concat({"UpgradeThreadProc(): unzip images, at=[*]", "ok, at=[*]",
                        "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Images], at=[*]",
                        "UpgradeThreadProc(): switched over to new images, at=[*]"},
                       Concat(kFontsSwitched, {"UpgradeThreadProc(): switched over to new exe, at=[*]", flagDeleted}))},
        {.name = "EmptyImages", .arrange = empty(L"\\NandFlash\\Merrow\\Images"), .log = localUpgrade},
        {.name = "MissingFont",
         .arrange = missing(L"\\NandFlash\\Merrow\\Font"),
         .log = Concat(kImagesSwitched,
                       {"UpgradeThreadProc(): unzipped font, at=[*]",
                        "RemoveFolder(): !!! Failed to delete folder=[\\NandFlash\\Merrow\\Font], at=[*]",
                        "UpgradeThreadProc(): switched over to new font, at=[*]",
                        "UpgradeThreadProc(): switched over to new exe, at=[*]", flagDeleted})},
        {.name = "EmptyFont", .arrange = empty(L"\\NandFlash\\Merrow\\Font"), .log = localUpgrade},
        // minizip never opens the bare 22-byte archive that writers make of
        // nothing; behind a stub, as self-extractors have, it finds no entries.
        {.name = "EmptyArchivesReplaceTheFoldersByEmptyOnes",
         .arrange =
             [](SucceedingUpgrade& test) {
                 for (const std::wstring& archive : {test.source.images, test.source.fonts}) {
                     test.device.WriteFile(archive, "#!stub\n");
                     ASSERT_TRUE(unzip_testing::MakePythonZip(test.device.Host(archive), "", "a"));
                 }
             },
         .log = {"UpgradeThreadProc(): unzip images, at=[*]",
                 "UnZipFile(): !!! File size is 0, file=[Hard Disk\\AppImages.zi], size=[0], at=[*]",
                 "ok, at=[*]",
                 "UpgradeThreadProc(): switched over to new images, at=[*]",
                 "UnZipFile(): !!! File size is 0, file=[Hard Disk\\AppFonts.zi], size=[0], at=[*]",
                 "UpgradeThreadProc(): unzipped font, at=[*]",
                 "UpgradeThreadProc(): switched over to new font, at=[*]",
                 "UpgradeThreadProc(): switched over to new exe, at=[*]",
                 flagDeleted},
         .treeEdit =
             [](Tree* expected, const Tree&, const Source&) {
                 ReplaceFolder(expected, kImagesKey, {});
                 ReplaceFolder(expected, kFontKey, {});
             }},
        {.name = "LeftoverTemporaryFoldersAreUnpackedIntoAndMoveWithTheNewFiles",
         .arrange =
             [](SucceedingUpgrade& test) {
                 test.device.WriteFile(L"\\NandFlash\\Merrow\\Images_\\back.bmp", "half written");
                 test.device.WriteFile(L"\\NandFlash\\Merrow\\Images_\\stale.bmp", "an earlier run's image");
                 test.device.WriteFile(L"\\NandFlash\\Merrow\\Font_\\extra.ttf", "an earlier run's font");
             },
         .log = localUpgrade,
         .treeEdit =
             [](Tree* expected, const Tree&, const Source&) {
                 EraseFolder(expected, "NandFlash/Merrow/Images_");
                 EraseFolder(expected, "NandFlash/Merrow/Font_");
                 (*expected)["NandFlash/Merrow/Images/stale.bmp"] = "an earlier run's image";
                 (*expected)["NandFlash/Merrow/Font/extra.ttf"] = "an earlier run's font";
             }},
        {.name = "WithoutInstalledExeTheNewOneIsMovedIntoPlace",
         .arrange = [](SucceedingUpgrade& test) { test.RemoveFile(L"\\NandFlash\\Merrow\\Orvane3.exe"); },
         .log = localUpgrade},
        {.name = "UndeletableLocalFlagIsOnlyLogged",
         .arrange = [](SucceedingUpgrade& test) { test.device.SetReadOnly(L"\\NandFlash\\Upgrade.flag", true); },
         .log = Concat(SwitchedOverLines(),
                       {"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[\\NandFlash\\Upgrade.flag], at=[*]"}),
         .treeEdit = [](Tree* expected, const Tree&, const Source&) { (*expected)[kUsbFlagKey] = ""; }},
        {.name = "UndeletableRemoteFlagAndPackageAreOnlyLogged",
         .remote = true,
         .arrange =
             [](SucceedingUpgrade& test) {
                 test.device.SetReadOnly(L"\\NandFlash\\RemoteUpgrade.flag", true);
                 test.device.SetReadOnly(test.source.package, true);
             },
         .log = Concat(SwitchedOverLines(),
                       {"UpgradeThreadProc(): !!! Failed to delete upgrade flag=[\\NandFlash\\RemoteUpgrade.flag], "
                        "at=[*]",
                        "UpgradeThreadProc(): !!! Failed to delete upgrade file=[\\Storage "
                        "Card\\OV3_Download\\OV3_UPGRADE_7.BIN], at=[*]"}),
         .treeEdit =
             [](Tree* expected, const Tree&, const Source& source) {
                 (*expected)[kRemoteFlagKey] = "";
                 (*expected)[source.packageKey] = "package bytes";
             }},
        {.name = "UndeletableArchivesAreOnlyLogged",
         .arrange =
             [](SucceedingUpgrade& test) {
                 test.device.SetReadOnly(test.source.images, true);
                 test.device.SetReadOnly(test.source.fonts, true);
             },
         .log = {"UpgradeThreadProc(): unzip images, at=[*]",
                 "ok, at=[*]",
                 "UpgradeThreadProc(): switched over to new images, at=[*]",
                 "UpgradeThreadProc(): !!! Failed to delete upgrade image file=[Hard Disk\\AppImages.zi], at=[*]",
                 "UpgradeThreadProc(): unzipped font, at=[*]",
                 "UpgradeThreadProc(): switched over to new font, at=[*]",
                 "UpgradeThreadProc(): !!! Failed to delete file=[Hard Disk\\AppFonts.zi], at=[*]",
                 "UpgradeThreadProc(): switched over to new exe, at=[*]",
                 flagDeleted},
         .treeEdit =
             [](Tree* expected, const Tree& before, const Source& source) {
                 (*expected)[source.imagesKey] = before.at(source.imagesKey);
                 (*expected)[source.fontsKey] = before.at(source.fontsKey);
             }},
    };
}

TEST_P(SucceedingUpgrade, SwitchesOverAndPostsSuccess) {
    const SuccessRow& row = GetParam();
    row.remote ? PrepareRemote() : PrepareLocal();
    if (row.arrange) row.arrange(*this);
    if (HasFatalFailure()) return;
    const Tree before = Snapshot();

    EXPECT_EQ(RunWorker(), 0u);

    EXPECT_EQ(log.MaskedLines(), row.log);
    ExpectOneSuccess(DrainResults());
    Tree expected = AfterSuccess(before, source, row.fonts);
    if (row.treeEdit) row.treeEdit(&expected, before, source);
    ExpectSameTree(Snapshot(), expected);
    for (const auto& [path, bytes] : row.kept) EXPECT_EQ(device.ReadFile(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, SucceedingUpgrade, ::testing::ValuesIn(SucceedingUpgrade::Rows()),
                         [](const ::testing::TestParamInfo<SuccessRow>& info) { return info.param.name; });

TEST_F(UpgradeSuccessTest, WithoutWindowTheWorkIsDoneAndNothingPosted) {
    PrepareLocal();
    installer.notify_window = nullptr;
    const Tree before = Snapshot();

    EXPECT_EQ(RunWorker(), 0u);

    EXPECT_EQ(log.MaskedLines(), Concat(SwitchedOverLines(), {"UpgradeThreadProc(): deleted upgrade flag, at=[*]"}));
    EXPECT_TRUE(DrainResults().empty());
    ExpectSameTree(Snapshot(), AfterSuccess(before, source));
}

}  // namespace
}  // namespace install_testing
