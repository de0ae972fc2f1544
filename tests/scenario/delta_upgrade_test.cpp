// Delta packages made by ruvexa-pack delta, installed by build/ruvexa over
// the version they were made from: the device ends with exactly the target
// tree. Over an installed version that differs, nothing is switched over,
// the screen shows the code with "Delta does not fit" and the request stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::kMerrow;
using scenario::UpgradeContent;
using testing_support::TempDevice;

struct DeltaRow {
    std::string name;
    bool remote = true;
    bool wholeExe = false;
    bool signedWithKey = false;
    bool rollback = false;  // the replaced version must be kept in Previous
    // What differs on the device from the version the delta was made from.
    std::function<void(const TempDevice&)> tamper = nullptr;
    std::string code;  // empty: the upgrade completes
    std::string logLine = "";
};

void PrintTo(const DeltaRow& row, std::ostream* out) { *out << row.name; }

const std::vector<DeltaRow>& DeltaRows() {
    static const std::vector<DeltaRow> rows = {
        {.name = "RemoteDeltaWithPatchedExeInstallsTheTargetTree",
         .code = "",
         .logLine = "UpgradeThreadProc(): patched exe, at=[*]"},
        {.name = "UsbDeltaWithWholeExeInstallsTheTargetTree",
         .remote = false,
         .wholeExe = true,
         .code = "",
         .logLine = "UpgradeThreadProc(): delta fits the installed version, at=[*]"},
        {.name = "SignedDeltaOnADeviceWithTheKey",
         .signedWithKey = true,
         .code = "",
         .logLine = "ExtractThreadProc(): valid signature, at=[*]"},
        {.name = "DeltaWithRollbackOnKeepsTheVersionItReplaced",
         .rollback = true,
         .code = "",
         .logLine = "UpgradeThreadProc(): created trial flag, at=[*]"},
        {.name = "MissingImageIsRefused",
         .tamper = [](const TempDevice& d) { std::filesystem::remove(d.Host(kMerrow + L"Images\\Icons\\Ok.bmp")); },
         .code = "Err80",
         .logLine = "UpgradeThreadProc(): !!! Delta does not fit, missing=[\\NandFlash\\Merrow\\Images\\Icons\\Ok.bmp], at=[*]"},
        {.name = "ChangedImageOfTheSameSizeIsRefused",
         .tamper = [](const TempDevice& d) { d.WriteFile(kMerrow + L"Images\\Start.bmp", std::string(3002, 'x')); },
         .code = "Err80"},
        {.name = "ResizedFontIsRefused",
         .tamper = [](const TempDevice& d) { d.WriteFile(kMerrow + L"Font\\Small.ttf", "short"); },
         .code = "Err81",
         .logLine = "UpgradeThreadProc(): !!! Delta does not fit=[\\NandFlash\\Merrow\\Font\\Small.ttf], size=[5], "
                    "crc=[8F2890A2], at=[*]"},
        {.name = "OtherExecutableIsRefused",
         .tamper = [](const TempDevice& d) { d.WriteFile(kMerrow + L"Orvane3.exe", "#!/bin/sh\ntouch other.ran\n"); },
         .code = "Err82"},
    };
    return rows;
}

class DeltaUpgrade : public ::testing::TestWithParam<DeltaRow> {};

TEST_P(DeltaUpgrade, Runs) {
    const DeltaRow& row = GetParam();
    scenario::Scratch scratch;
    const UpgradeContent base = scenario::DeltaBase();
    const UpgradeContent target = scenario::DeltaTarget(base, row.wholeExe);
    std::string secretKey;
    if (row.signedWithKey) {
        ASSERT_EQ(scenario::RunPack({"keygen", scratch.Path("maker")}, scratch), 0);
        secretKey = scratch.Path("maker.key");
    }
    const scenario::BuiltPackage delta = scenario::BuildDeltaPackage(base, target, scratch, secretKey);
    ASSERT_EQ(delta.bytes.substr(0, 4), "3-VD") << "a launcher that knows only \"3-VO\" refuses it (Err04)";
    ASSERT_EQ(delta.exeSection.substr(0, 4) == "RVDP", !row.wholeExe);

    TempDevice device;
    scenario::InstallVersion(device, base);
    if (row.signedWithKey) {
        device.WriteFile(kMerrow + L"Upgrade.pub", scenario::ReadHostFile(scratch.Path("maker.pub")));
        device.WriteFile(scenario::PackagePath(row.remote) + L".SIG", scenario::ReadHostFile(scratch.Path("delta.bin.SIG")));
    }
    if (row.rollback) device.WriteFile(kMerrow + L"Rollback.cfg", "starts=9\n");
    if (row.tamper) row.tamper(device);
    const testing_support::Tree before = testing_support::SnapshotOf(device.Host(kMerrow));
    scenario::RequestUpgrade(device, delta, row.remote);

    const scenario::RuvexaRun run = scenario::RunRuvexa(device.Root(), {"--time-scale", "100", "--boots", "2"}, scratch);

    if (!row.logLine.empty()) {
        EXPECT_TRUE(run.LogHas(row.logLine)) << run.log;
    }
    if (row.code.empty()) {
        EXPECT_EQ(scenario::WhyNotUpgraded(device, run, target, row.remote), "") << run.err << run.log;
        if (row.signedWithKey) {
            EXPECT_EQ(scenario::SecurityFloorOf(device), 3) << "the delta's security version";
        }
        if (row.rollback) {
            EXPECT_EQ(testing_support::TreeDifference(testing_support::SnapshotOf(device.Host(kMerrow + L"Previous")),
                                                      scenario::VersionTree(base)),
                      "");
        }
        return;
    }
    EXPECT_EQ(run.status, 6);
    EXPECT_NE(run.err.find("device halted: " + row.code + " Delta does not fit"), std::string::npos) << run.err;
    EXPECT_EQ(testing_support::TreeDifference(
                  scenario::WithoutUpgradeLogs(testing_support::SnapshotOf(device.Host(kMerrow))), before),
              "")
        << "nothing is switched over";
    EXPECT_TRUE(device.Exists(scenario::UpgradeFlag(row.remote))) << "the request stays";
    EXPECT_TRUE(device.Exists(scenario::PackagePath(row.remote)));
}

INSTANTIATE_TEST_SUITE_P(Rows, DeltaUpgrade, ::testing::ValuesIn(DeltaRows()),
                         [](const ::testing::TestParamInfo<DeltaRow>& info) { return info.param.name; });

}  // namespace
