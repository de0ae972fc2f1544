// Upgrades with rollback on: the version the upgrade replaces is kept in
// \NandFlash\Merrow\Previous byte for byte, the new one installed as
// without rollback, and its trial marked by Trial.flag. One row per device.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::BuiltPackage;
using scenario::kMerrow;
using scenario::Scratch;
using testing_support::TempDevice;
using testing_support::Tree;
using Lines = std::vector<std::string>;

// Spelt out: the shared kMerrow is not yet made while these are.
const std::wstring kSetting = L"\\NandFlash\\Merrow\\Rollback.cfg";
const std::wstring kPrevious = L"\\NandFlash\\Merrow\\Previous";
const std::string kKeeping = "UpgradeThreadProc(): keeping previous version=[\\NandFlash\\Merrow\\Previous], at=[*]";
const Lines kKeptEachItem = {
    "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Images], at=[*]",
    "UpgradeThreadProc(): switched over to new images, at=[*]",
    "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Font], at=[*]",
    "UpgradeThreadProc(): switched over to new font, at=[*]",
    "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]",
    "UpgradeThreadProc(): switched over to new exe, at=[*]",
    "UpgradeThreadProc(): created trial flag, at=[*]",
    "=== Upgrade Complete ===",
};

struct KeepRow {
    std::string name;
    bool remote = true;
    std::optional<std::string> setting = "starts=3\n";  // none: rollback off
    std::function<void(const TempDevice&, const BuiltPackage&)> arrange{};
    Lines log = testing_support::Concat({kKeeping}, kKeptEachItem);  // in this order, others between
    std::optional<Tree> previous = scenario::OldVersion();           // none: no Previous folder
    bool trial = true;
    std::string trialItems = "exe=1\r\nimages=1\r\nfont=1\r\n";  // the old version's, in Trial.flag
};

void PrintTo(const KeepRow& row, std::ostream* out) { *out << row.name; }

class KeepPrevious : public ::testing::TestWithParam<KeepRow> {
protected:
    void SetUp() override { package_ = scenario::BuildUpgradePackage(content_, scratch_); }
    Scratch scratch_;
    scenario::UpgradeContent content_ = scenario::StandardUpgrade();
    BuiltPackage package_;
};

TEST_P(KeepPrevious, AtAnUpgrade) {
    const KeepRow& row = GetParam();
    TempDevice device;
    scenario::MakeUpgradeDevice(device, package_, row.remote);
    if (row.setting) device.WriteFile(kSetting, *row.setting);
    if (row.arrange) row.arrange(device, package_);

    auto run = scenario::RunRuvexa(device.Root(), {"--time-scale", "100"}, scratch_);

    EXPECT_EQ(scenario::WhyNotUpgraded(device, run, content_, row.remote, true, 3), "") << run.err;
    std::string missing;
    EXPECT_TRUE(scenario::InOrder(run.MaskedLog(), row.log, &missing)) << missing << "\n" << run.log;
    if (row.previous) {
        EXPECT_EQ(testing_support::TreeDifference(testing_support::SnapshotOf(device.Host(kPrevious)), *row.previous),
                  "");
    } else {
        EXPECT_FALSE(device.Exists(kPrevious));
    }
    EXPECT_EQ(device.Exists(kMerrow + L"Trial.flag"), row.trial);
    if (row.trial) {
        EXPECT_EQ(device.ReadFile(kMerrow + L"Trial.flag"),
                  scenario::TrialMarker(package_, row.remote, row.trialItems));
    }
    EXPECT_FALSE(device.Exists(kMerrow + L"Previous.mark"));
}

Tree WithoutFont() {
    Tree tree = scenario::OldVersion();
    tree.erase("Font");
    tree.erase("Font/Old.ttf");
    return tree;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeepPrevious,
    ::testing::Values(
        KeepRow{.name = "RemoteUpgradeKeepsTheOldVersion"},
        KeepRow{.name = "UsbUpgradeKeepsTheOldVersion", .remote = false},
        KeepRow{.name = "WithoutTheSettingNothingIsKept",
                .setting = std::nullopt,
                .log = {"UpgradeThreadProc(): switched over to new exe, at=[*]", "=== Upgrade Complete ==="},
                .previous = std::nullopt,
                .trial = false},
        KeepRow{.name = "AMalformedSettingStillKeeps",
                .setting = "starts=x\n",
                .log = testing_support::Concat(
                    {"ReadRollbackSetting(): !!! Invalid rollback setting=[\\NandFlash\\Merrow\\Rollback.cfg], "
                     "starts=[3], at=[*]",
                     kKeeping},
                    kKeptEachItem)},
        KeepRow{.name = "AnEarlierPreviousIsReplaced",
                .arrange =
                    [](const TempDevice& device, const BuiltPackage&) {
                        device.WriteFile(kPrevious + L"\\Orvane3.exe", "older exe");
                        device.WriteFile(kPrevious + L"\\Images\\Older.bmp", "older image");
                        device.WriteFile(kPrevious + L"\\Stray.txt", "stray");
                    }},
        KeepRow{.name = "AnOldVersionWithoutFontKeepsNone",
                .arrange = [](const TempDevice& device,
                              const BuiltPackage&) { std::filesystem::remove_all(device.Host(kMerrow + L"Font")); },
                .log = {kKeeping, "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Images], at=[*]",
                        "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]"},
                .previous = WithoutFont(),
                .trialItems = "exe=1\r\nimages=1\r\nfont=0\r\n"},
        // A cut between the marker and the request left Trial.flag of this
        // very package: the switch-over was complete, Previous stays.
        KeepRow{.name = "ATrialOfTheSamePackageKeepsPreviousAsItIs",
                .arrange =
                    [](const TempDevice& device, const BuiltPackage& package) {
                        device.WriteFile(kPrevious + L"\\Orvane3.exe", "kept before");
                        device.WriteFile(kMerrow + L"Trial.flag", scenario::TrialMarker(package, true));
                    },
                .log = {"UpgradeThreadProc(): previous version already kept=[\\NandFlash\\Merrow\\Previous], at=[*]",
                        "UpgradeThreadProc(): created trial flag, at=[*]"},
                .previous = Tree{{"Orvane3.exe", "kept before"}},
                .trialItems = "exe=1\r\nimages=0\r\nfont=0\r\n"},
        // A marker cut before its flush is no marker: the keeping starts
        // afresh.
        KeepRow{.name = "AnEmptyMarkerStartsAfresh",
                .arrange =
                    [](const TempDevice& device, const BuiltPackage&) {
                        device.WriteFile(kMerrow + L"Previous.mark", "");
                        device.WriteFile(kPrevious + L"\\Stray.txt", "stray");
                    }}),
    [](const ::testing::TestParamInfo<KeepRow>& info) { return info.param.name; });

// A second upgrade keeps the version the first one installed.
TEST_F(KeepPrevious, ASecondUpgradeKeepsTheFirstOnesVersion) {
    TempDevice device;
    scenario::MakeUpgradeDevice(device, package_, true);
    device.WriteFile(kSetting, "starts=2\n");
    ASSERT_EQ(scenario::RunRuvexa(device.Root(), {"--time-scale", "100"}, scratch_).status, 3);
    scenario::UpgradeContent second = content_;
    second.exe = "#!/bin/sh\ntouch second_orvane3.ran\n";
    second.images = {{"Second.bmp", "BM second"}};
    Scratch secondScratch;
    const BuiltPackage secondPackage = scenario::BuildUpgradePackage(second, secondScratch);
    scenario::RequestUpgrade(device, secondPackage, true);

    auto run = scenario::RunRuvexa(device.Root(), {"--time-scale", "100"}, scratch_);

    EXPECT_EQ(scenario::WhyNotUpgraded(device, run, second, true, true, 3), "") << run.err;
    Tree first = {{"Orvane3.exe", content_.exe},
                  {"Images", testing_support::kFolderMark},
                  {"Font", testing_support::kFolderMark}};
    for (const auto& [name, bytes] : content_.images) first["Images/" + name] = bytes;
    for (const auto& [name, bytes] : content_.fonts) first["Font/" + name] = bytes;
    EXPECT_EQ(testing_support::TreeDifference(testing_support::SnapshotOf(device.Host(kPrevious)), first), "");
    EXPECT_EQ(device.ReadFile(kMerrow + L"Trial.flag"), scenario::TrialMarker(secondPackage, true));
}

}  // namespace
