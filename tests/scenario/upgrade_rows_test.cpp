// Upgrade scenarios: a package in the download folder or on a USB disk,
// built by ruvexa-pack. The extraction writes the three section files beside
// the package; a whole upgrade ends in the reset, through the board's driver
// or the forced power-state reset, and the next boot starts the new program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::BuildUpgradePackage;
using scenario::BuiltPackage;
using scenario::InOrder;
using scenario::kDownload;
using scenario::kMerrow;
using scenario::kRemotePackage;
using scenario::kUsbPackage;
using scenario::MakeUpgradeDevice;
using scenario::RunRuvexa;
using scenario::Scratch;
using scenario::UpgradeContent;
using scenario::WhyNotUpgraded;
using testing_support::Concat;
using Lines = std::vector<std::string>;

const Lines kRemoteSearch = {
    "CheckUpgrade(): found remote upgrade flag, at=[*]",
    "CheckUpgrade(): found upgrade source directory=[\\Storage Card\\OV3_Download\\], dir_retry=[0], at=[*]",
    "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_2024.BIN], retry=[0], at=[*]",
};
const Lines kUsbSearch = {
    "CheckUpgrade(): found upgrade flag, at=[*]",
    "CheckUpgrade(): found upgrade source directory=[Hard Disk], dir_retry=[0], at=[*]",
    "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_7.BIN], retry=[0], at=[*]",
};
const Lines kExtraction = {
    "ExtractThreadProc(): pre-verification ok, at=[*]",
    "ExtractThreadProc(): no trusted key=[\\NandFlash\\Merrow\\Upgrade.pub], signatures are not checked, at=[*]",
    "ExtractThreadProc(): valid source file checksum, at=[*]",
    "=== Extraction Complete ===",
};

std::string Missing(const Lines& lines, const Lines& expected) {
    std::string missing;
    return InOrder(lines, expected, &missing) ? "" : missing;
}

class UpgradeScenario : public ::testing::Test {
protected:
    void SetUp() override {
        content_ = scenario::StandardUpgrade();
        package_ = BuildUpgradePackage(content_, scratch_);
    }
    Scratch scratch_;
    UpgradeContent content_;
    BuiltPackage package_;
};

// The power is cut right before the N-th change to the file system. The
// smallest N whose run logged the extraction's success cuts the installation
// before its first change: the three files are as the extraction left them.
TEST_F(UpgradeScenario, ARemotePackageIsSplitIntoItsThreeSectionsBesideIt) {
    for (int cut = 1; cut <= 60; ++cut) {
        testing_support::TempDevice device;
        MakeUpgradeDevice(device, package_, true);
        auto run =
            RunRuvexa(device.Root(), {"--time-scale", "100", "--power-cut-after", std::to_string(cut)}, scratch_);
        if (!run.LogHas("=== Extraction Complete ===")) {
            ASSERT_EQ(run.status, 9) << "the run ended otherwise before the extraction completed:\n" << run.log;
            continue;
        }
        EXPECT_EQ(run.status, 9) << run.err;
        EXPECT_EQ(Missing(run.MaskedLog(), Concat(kRemoteSearch, kExtraction)), "") << run.log;
        EXPECT_EQ(device.ReadFile(kDownload + L"AppExecute.ex"), package_.exeSection);
        EXPECT_EQ(device.ReadFile(kDownload + L"AppImages.zi"), package_.imagesSection);
        EXPECT_EQ(device.ReadFile(kDownload + L"AppFonts.zi"), package_.fontsSection);
        EXPECT_EQ(device.ReadFile(kRemotePackage), package_.bytes);
        EXPECT_TRUE(device.Exists(scenario::UpgradeFlag(true)));
        return;
    }
    FAIL() << "the extraction never completed";
}

struct UpgradeRow {
    std::string name;
    bool remote;
    std::vector<std::string> options;
    int exitStatus;
    Lines log;  // in this order, other lines between
};

// A failing row is reported by its name, not as a dump of its bytes.
void PrintTo(const UpgradeRow& row, std::ostream* out) { *out << row.name; }

const std::vector<UpgradeRow>& UpgradeRows() {
    static const std::vector<UpgradeRow> rows = {
        {.name = "RemoteUpgradeResetsThroughTheDriver",
         .remote = true,
         .options = {"--time-scale", "100"},
         .exitStatus = 3,
         .log = Concat(Concat(kRemoteSearch, kExtraction),
                       {"=== Upgrade Complete ===", "", "!!! Reset IOCTL_AIP_SYS_RESET, at=[*]"})},
        {.name = "WithoutTheDriverTheForcedPowerStateResetFollows",
         .remote = true,
         .options = {"--time-scale", "100", "--no-reset-driver"},
         .exitStatus = 4,
         .log = Concat(Concat(kRemoteSearch, kExtraction),
                       {"=== Upgrade Complete ===", "", "!!! Reset POWER_STATE_RESET, at=[*]"})},
        {.name = "UsbUpgradeThenTheNextBootStartsTheNewProgram",
         .remote = false,
         .options = {"--time-scale", "100", "--boots", "2"},
         .exitStatus = 0,
         .log = Concat(Concat(kUsbSearch, kExtraction),
                       {"=== Upgrade Complete ===", "", "!!! Reset IOCTL_AIP_SYS_RESET, at=[*]",
                        "CheckUpgrade(): !!! Not found upgrade flag, at=[*]"})},
    };
    return rows;
}

class WholeUpgrade : public UpgradeScenario, public ::testing::WithParamInterface<UpgradeRow> {};

TEST_P(WholeUpgrade, Runs) {
    const UpgradeRow& row = GetParam();
    testing_support::TempDevice device;
    MakeUpgradeDevice(device, package_, row.remote);

    auto run = RunRuvexa(device.Root(), row.options, scratch_);

    EXPECT_EQ(WhyNotUpgraded(device, run, content_, row.remote, /*requestCleared=*/true, row.exitStatus), "") << run.err;
    EXPECT_EQ(Missing(run.MaskedLog(), row.log), "") << run.log;
    EXPECT_EQ(run.err.find("ruvexa-host: the search for"), std::string::npos) << "every search found its file";
    if (row.remote) {
        EXPECT_FALSE(device.Exists(kRemotePackage));
    } else {
        EXPECT_EQ(device.ReadFile(kUsbPackage), package_.bytes) << "a USB package stays where it is";
    }
    EXPECT_FALSE(device.Exists(kMerrow + L"old_orvane3.ran"));
}

INSTANTIATE_TEST_SUITE_P(Rows, WholeUpgrade, ::testing::ValuesIn(UpgradeRows()),
                         [](const ::testing::TestParamInfo<UpgradeRow>& info) { return info.param.name; });

}  // namespace
