// The screens of rollback: the rollback boot's status line from "Rolling
// back..." to "Rolled back. Rebooting...", and the codes of a package refused
// as rolled back, below the security floor or for another model, whose lines
// are narrowed to fit the screen, or for want of room; compared with
// reference images.
#include <gtest/gtest.h>

#include <functional>

#include "ruvexa_runner.h"
#include "screen_compare.h"
#include "signing_support.h"
#include "upgrade_package.h"

namespace {

using scenario::kMerrow;
using scenario::RunRuvexa;
using scenario::Scratch;
using testing_support::TempDevice;

const std::vector<std::string> kFast = {"--time-scale", "100"};

struct ScreensRow {
    std::string name;
    // Brings the device to the boot whose screens are compared.
    std::function<void(TempDevice&, const scenario::BuiltPackage&, Scratch&)> prepare;
    int status;                       // of the boot compared
    std::vector<std::string> states;  // references of the status line's states after the first
    std::vector<std::string> options{};  // host options of the boot compared
};

void PrintTo(const ScreensRow& row, std::ostream* out) { *out << row.name; }

// An upgrade with one counted start, and that start used up.
void UsedUpTrial(TempDevice& device, const scenario::BuiltPackage& package, Scratch& scratch) {
    scenario::MakeUpgradeDevice(device, package, true);
    device.WriteFile(kMerrow + L"Rollback.cfg", "starts=1\n");
    ASSERT_EQ(RunRuvexa(device.Root(), kFast, scratch).status, 3);
    ASSERT_EQ(RunRuvexa(device.Root(), kFast, scratch).status, 0);
}

void RejectedRequest(TempDevice& device, const scenario::BuiltPackage& package, Scratch&) {
    scenario::MakeUpgradeDevice(device, package, true);
    device.WriteFile(kMerrow + L"Rejected.txt",
                     "checksum=" + scenario::TrialMarker(package, true).substr(9, 8) + " package=X tick=9\r\n");
}

// A keyed device whose floor is above the package's security version.
void BelowTheFloor(TempDevice& device, const scenario::BuiltPackage& package, Scratch&) {
    scenario::MakeUpgradeDevice(device, package, true);
    scenario::MakeKeyed(device, package, true, 1, 2);
}

// A keyed device whose package is signed for another model than its own.
void ForAnotherModel(TempDevice& device, const scenario::BuiltPackage& package, Scratch&) {
    scenario::MakeUpgradeDevice(device, package, true);
    const package_testing::TestKey key = package_testing::MakeKey(7);
    device.WriteFile(kMerrow + L"Upgrade.pub", package_testing::PublicKeyFile(key));
    device.WriteFile(scenario::PackagePath(true) + L".SIG",
                     package_testing::SignedContentFile(key, package.bytes, 0, {}, {"OV3-Pro"}));
}

// A flash far too small for the upgrade: the old version alone fills it.
void ShortOfRoom(TempDevice& device, const scenario::BuiltPackage& package, Scratch&) {
    scenario::MakeUpgradeDevice(device, package, true);
}

class RollbackScreens : public ::testing::TestWithParam<ScreensRow> {};

TEST_P(RollbackScreens, StatusLinesMatchTheirReferences) {
    const ScreensRow& row = GetParam();
    Scratch scratch;
    const scenario::BuiltPackage package = scenario::BuildUpgradePackage(scenario::StandardUpgrade(), scratch);
    TempDevice device;
    row.prepare(device, package, scratch);
    ASSERT_FALSE(HasFatalFailure());

    const std::vector<std::string> options = {"--time-scale", "100", "--frames", scratch.Path("frames")};
    auto run = RunRuvexa(device.Root(), testing_support::Concat(options, row.options), scratch);
    ASSERT_EQ(run.status, row.status) << run.err << run.log;

    const std::vector<screens::Image> states = screens::StatusStates(scratch.Path("frames"));
    ASSERT_GE(states.size(), row.states.size());
    // The last states are the row's; a blank band or the search may come first.
    const size_t first = states.size() - row.states.size();
    for (size_t i = 0; i < row.states.size(); ++i) {
        SCOPED_TRACE(row.states[i]);
        EXPECT_TRUE(screens::MatchesReference(row.states[i], states[first + i]));
        screens::ExpectCentredStatusLine(states[first + i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RollbackScreens,
    ::testing::Values(ScreensRow{"Rollback", UsedUpTrial, 3, {"rollback_rolling_back", "rollback_rebooting"}},
                      ScreensRow{"Refusal", RejectedRequest, 0, {"refusal_err10"}},
                      ScreensRow{"FloorRefusal", BelowTheFloor, 0, {"refusal_err11"}},
                      ScreensRow{"ModelRefusal", ForAnotherModel, 0, {"refusal_err12"}},
                      ScreensRow{"RoomRefusal", ShortOfRoom, 0, {"refusal_err13"},
                                 {"--volume-size", "NandFlash=4096"}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
