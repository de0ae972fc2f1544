// A power cut at every moment of an upgrade: for each file-system change N
// of the upgrade boot, one boot loses power right before change N, then the
// device boots on its own until it ends by itself. Every cut point must
// converge to the new application running on exactly the new files, in the
// clean model (all that was written is kept) and in the lossy one (data not
// flushed is lost). On a keyed device the boots that raise the security
// floor are swept too: right after any cut the floor is still the old one or
// already the new one, and every cut point converges to the new one. So are
// the upgrades that rotate the device's keys and the rollback of one: right
// after any cut the keys in force are the old or the new ones, never none,
// and every cut point converges to the new program with only the new keys
// (the old program with only the old keys after a rollback).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "device_rows.h"
#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::Scratch;
using testing_support::Concat;
using testing_support::TempDevice;

// What is cut: an upgrade, one with rollback on, or the rollback boot of a
// device whose new version has used up its starts; on a keyed device, an
// upgrade with rollback off that raises the floor at its completion, or the
// boot that finds Trial.flag deleted and raises it then; or a delta upgrade
// over the version it was made from, without or with rollback on; or an
// upgrade that rotates the keys, without or with rollback on, or the
// rollback of such an upgrade; or an upgrade refused for want of room.
enum class Cut {
    kUpgrade,
    kKeepingUpgrade,
    kRollback,
    kFloorUpgrade,
    kFloorAfterTrial,
    kDelta,
    kKeepingDelta,
    kRotation,
    kKeepingRotation,
    kRotationRollback,
    kShortOfRoom,
};

// The floor before the swept boot and the package's security version.
constexpr long kOldFloor = 5;
constexpr long kNewFloor = 7;

struct SweepCase {
    std::string name;
    bool remote;
    bool loseUnflushed;
    Cut cut = Cut::kUpgrade;
    // The flash is given just the room the upgrade needs and this many bytes
    // more (fewer when negative), in every boot.
    std::optional<long long> roomSlack{};
};

// Device time runs fast enough that the waits of a boot take milliseconds; a
// boot that halts on an error screen ends at once (headless, status 6).
const std::vector<std::string> kFastBoots = {"--time-scale", "100"};

// The device the swept boot starts on.
void MakeSweptDevice(const TempDevice& device, const scenario::BuiltPackage& package, const SweepCase& sweep,
                     const TempDevice* trialDevice) {
    if (sweep.cut == Cut::kRollback || sweep.cut == Cut::kFloorAfterTrial || sweep.cut == Cut::kRotationRollback) {
        std::filesystem::copy(trialDevice->Root(), device.Root(), std::filesystem::copy_options::recursive);
        return;
    }
    if (sweep.cut == Cut::kDelta || sweep.cut == Cut::kKeepingDelta) {
        scenario::InstallVersion(device, scenario::DeltaBase());
        scenario::RequestUpgrade(device, package, sweep.remote);
    } else {
        scenario::MakeUpgradeDevice(device, package, sweep.remote);
    }
    if (sweep.cut == Cut::kRotation || sweep.cut == Cut::kKeepingRotation) {
        scenario::MakeRotating(device, package, sweep.remote);
    }
    if (sweep.cut == Cut::kKeepingUpgrade || sweep.cut == Cut::kKeepingDelta || sweep.cut == Cut::kKeepingRotation) {
        device.WriteFile(L"\\NandFlash\\Merrow\\Rollback.cfg", "starts=9\n");
    }
    if (sweep.cut == Cut::kFloorUpgrade) scenario::MakeKeyed(device, package, sweep.remote, kNewFloor, kOldFloor);
}

// A keyed device upgraded with rollback on whose new version has started
// once and then deleted Trial.flag: its next boot raises the floor.
void MakeProvedTrialDevice(const TempDevice& device, const scenario::BuiltPackage& package, bool remote,
                           const Scratch& scratch) {
    scenario::MakeUpgradeDevice(device, package, remote);
    scenario::MakeKeyed(device, package, remote, kNewFloor, kOldFloor);
    device.WriteFile(L"\\NandFlash\\Merrow\\Rollback.cfg", "starts=9\n");
    auto run = scenario::RunRuvexa(device.Root(), Concat(kFastBoots, {"--boots", "2"}), scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(device.Exists(L"\\NandFlash\\Merrow\\Floor.next"));
    std::filesystem::remove(device.Host(L"\\NandFlash\\Merrow\\Trial.flag"));
}

bool RaisesFloor(const SweepCase& sweep) {
    return sweep.cut == Cut::kFloorUpgrade || sweep.cut == Cut::kFloorAfterTrial;
}

bool RotatesKeys(const SweepCase& sweep) {
    return sweep.cut == Cut::kRotation || sweep.cut == Cut::kKeepingRotation || sweep.cut == Cut::kRotationRollback;
}

// A device upgraded with rollback on by a package that rotates its keys,
// whose new version has used up its one start: its next boot rolls back.
void MakeRotatedTrialDevice(const TempDevice& device, const scenario::BuiltPackage& package, bool remote,
                            const Scratch& scratch) {
    scenario::MakeUpgradeDevice(device, package, remote);
    scenario::MakeRotating(device, package, remote);
    device.WriteFile(L"\\NandFlash\\Merrow\\Rollback.cfg", "starts=1\n");
    auto run = scenario::RunRuvexa(device.Root(), Concat(kFastBoots, {"--boots", "2"}), scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(scenario::KeysInForce(device), scenario::NextKeyFile());
    ASSERT_TRUE(device.Exists(L"\\NandFlash\\Merrow\\Trial.1"));
}

// The file-system changes of the whole swept boot, which ends in a reset (the
// boot after a trial: by itself), as the host counts them.
unsigned long ChangesOfSweptBoot(const scenario::BuiltPackage& package, const SweepCase& sweep,
                                 const TempDevice* trialDevice, const std::vector<std::string>& boots,
                                 const Scratch& scratch) {
    TempDevice device;
    MakeSweptDevice(device, package, sweep, trialDevice);
    auto run = scenario::RunRuvexa(device.Root(), boots, scratch);
    std::smatch match;
    static const std::regex counted("ruvexa-host: ([0-9]+) file-system changes? in this boot");
    const bool endsByItself = sweep.cut == Cut::kFloorAfterTrial || sweep.cut == Cut::kShortOfRoom;
    if (run.status != (endsByItself ? 0 : 3) || !std::regex_search(run.err, match, counted)) {
        ADD_FAILURE() << "the uncut boot did not end as expected:\n" << run.err << run.log;
        return 0;
    }
    return std::stoul(match[1]);
}

void PrintTo(const SweepCase& sweep, std::ostream* out) { *out << sweep.name; }

class PowerCutSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(PowerCutSweep, EveryCutPointConverges) {
    const SweepCase& sweep = GetParam();
    Scratch scratch;
    const bool delta = sweep.cut == Cut::kDelta || sweep.cut == Cut::kKeepingDelta;
    const scenario::UpgradeContent content =
        delta ? scenario::DeltaTarget(scenario::DeltaBase()) : scenario::StandardUpgrade();
    const scenario::BuiltPackage package = delta
                                               ? scenario::BuildDeltaPackage(scenario::DeltaBase(), content, scratch)
                                               : scenario::BuildUpgradePackage(content, scratch);
    TempDevice trialDevice;
    if (sweep.cut == Cut::kRollback) scenario::MakeTrialDevice(trialDevice, package, sweep.remote, scratch);
    if (sweep.cut == Cut::kFloorAfterTrial) MakeProvedTrialDevice(trialDevice, package, sweep.remote, scratch);
    if (sweep.cut == Cut::kRotationRollback) MakeRotatedTrialDevice(trialDevice, package, sweep.remote, scratch);
    std::vector<std::string> boots = kFastBoots;
    if (sweep.roomSlack) {
        TempDevice probed;
        MakeSweptDevice(probed, package, sweep, &trialDevice);
        const auto probe = scenario::ProbeRoom(probed.Root(), "NandFlash", kFastBoots, scratch);
        ASSERT_TRUE(probe);
        boots = Concat(boots, scenario::RoomOption("NandFlash", *probe, *sweep.roomSlack));
    }
    const unsigned long cutPoints = ChangesOfSweptBoot(package, sweep, &trialDevice, boots, scratch);
    ASSERT_GT(cutPoints, 0u);

    unsigned long converged = 0;
    for (unsigned long cut = 1; cut <= cutPoints; ++cut) {
        TempDevice device;
        MakeSweptDevice(device, package, sweep, &trialDevice);
        // The floor is looked at right after the cut, so the cut boot runs
        // alone and the device boots on in a second run.
        const bool lookRightAfter = RaisesFloor(sweep) || RotatesKeys(sweep);
        std::vector<std::string> options =
            Concat(boots, {"--power-cut-after", std::to_string(cut), "--boots", lookRightAfter ? "1" : "4"});
        if (sweep.loseUnflushed) options.push_back("--lose-unflushed");

        auto run = scenario::RunRuvexa(device.Root(), options, scratch);

        std::string why;
        if (RaisesFloor(sweep)) {
            const long floor = scenario::SecurityFloorOf(device);
            if (floor != kOldFloor && floor != kNewFloor) {
                why += "after the cut the floor is " + std::to_string(floor) + "\n";
            }
            if (run.status == 9) {
                run = scenario::RunRuvexa(device.Root(), Concat(kFastBoots, {"--boots", "4"}), scratch);
            }
            if (scenario::SecurityFloorOf(device) != kNewFloor) why += "the floor was not raised\n";
            if (device.Exists(L"\\NandFlash\\Merrow\\Floor.next")) why += "Floor.next is left\n";
        }
        if (RotatesKeys(sweep)) {
            const std::string keys = scenario::KeysInForce(device);
            if (keys != scenario::OldKeyFile() && keys != scenario::NextKeyFile()) {
                why += "after the cut the keys in force are neither the old nor the new ones\n";
            }
            if (run.status == 9) run = scenario::RunRuvexa(device.Root(), Concat(boots, {"--boots", "4"}), scratch);
            const bool rolledBack = sweep.cut == Cut::kRotationRollback;
            why += scenario::WhyNotTrusting(device, rolledBack ? scenario::OldKeyFile() : scenario::NextKeyFile());
        }
        if (sweep.cut == Cut::kRollback || sweep.cut == Cut::kRotationRollback) {
            why += scenario::WhyNotRolledBack(device, run, package);
        } else if (sweep.cut == Cut::kShortOfRoom) {
            why += scenario::WhyNotRefused(device, run, sweep.remote, true);
        } else {
            why += scenario::WhyNotUpgraded(device, run, content, sweep.remote);
            if (sweep.cut == Cut::kKeepingUpgrade) why += scenario::WhyPreviousNotKept(device, package, sweep.remote);
            if (sweep.cut == Cut::kKeepingRotation) {
                testing_support::Tree kept = scenario::OldVersion();
                kept["Upgrade.pub"] = scenario::OldKeyFile();
                why += scenario::WhyPreviousNotKept(device, package, sweep.remote, kept);
            }
            if (sweep.cut == Cut::kKeepingDelta) {
                why += scenario::WhyPreviousNotKept(device, package, sweep.remote,
                                                    scenario::VersionTree(scenario::DeltaBase()));
            }
        }
        if (why.empty()) {
            ++converged;
        } else {
            ADD_FAILURE() << "cut before change " << cut << " did not converge:\n" << why << run.err;
        }
    }
    std::printf("%s: converged %lu of %lu cut points\n", sweep.name.c_str(), converged, cutPoints);
    EXPECT_EQ(converged, cutPoints);
}

INSTANTIATE_TEST_SUITE_P(Upgrades, PowerCutSweep,
                         ::testing::Values(SweepCase{"RemoteClean", true, false}, SweepCase{"RemoteLossy", true, true},
                                           SweepCase{"LocalClean", false, false}, SweepCase{"LocalLossy", false, true},
                                           SweepCase{"KeepingRemoteClean", true, false, Cut::kKeepingUpgrade},
                                           SweepCase{"KeepingRemoteLossy", true, true, Cut::kKeepingUpgrade},
                                           SweepCase{"KeepingLocalClean", false, false, Cut::kKeepingUpgrade},
                                           SweepCase{"KeepingLocalLossy", false, true, Cut::kKeepingUpgrade},
                                           SweepCase{"RollbackRemoteClean", true, false, Cut::kRollback},
                                           SweepCase{"RollbackRemoteLossy", true, true, Cut::kRollback},
                                           SweepCase{"RollbackLocalClean", false, false, Cut::kRollback},
                                           SweepCase{"RollbackLocalLossy", false, true, Cut::kRollback},
                                           SweepCase{"FloorRemoteClean", true, false, Cut::kFloorUpgrade},
                                           SweepCase{"FloorRemoteLossy", true, true, Cut::kFloorUpgrade},
                                           SweepCase{"FloorLocalClean", false, false, Cut::kFloorUpgrade},
                                           SweepCase{"FloorLocalLossy", false, true, Cut::kFloorUpgrade},
                                           SweepCase{"FloorAfterTrialRemoteClean", true, false, Cut::kFloorAfterTrial},
                                           SweepCase{"FloorAfterTrialRemoteLossy", true, true, Cut::kFloorAfterTrial},
                                           SweepCase{"FloorAfterTrialLocalClean", false, false, Cut::kFloorAfterTrial},
                                           SweepCase{"FloorAfterTrialLocalLossy", false, true, Cut::kFloorAfterTrial},
                                           SweepCase{"DeltaRemoteClean", true, false, Cut::kDelta},
                                           SweepCase{"DeltaRemoteLossy", true, true, Cut::kDelta},
                                           SweepCase{"DeltaLocalLossy", false, true, Cut::kDelta},
                                           SweepCase{"KeepingDeltaRemoteLossy", true, true, Cut::kKeepingDelta},
                                           SweepCase{"RotationRemoteClean", true, false, Cut::kRotation},
                                           SweepCase{"RotationRemoteLossy", true, true, Cut::kRotation},
                                           SweepCase{"RotationLocalLossy", false, true, Cut::kRotation},
                                           SweepCase{"KeepingRotationRemoteClean", true, false, Cut::kKeepingRotation},
                                           SweepCase{"KeepingRotationRemoteLossy", true, true, Cut::kKeepingRotation},
                                           SweepCase{"RotationRollbackRemoteClean", true, false, Cut::kRotationRollback},
                                           SweepCase{"RotationRollbackRemoteLossy", true, true, Cut::kRotationRollback},
                                           SweepCase{"FittingRoomRemoteLossy", true, true, Cut::kUpgrade, 0},
                                           SweepCase{"FittingRoomKeepingLocalClean", false, false,
                                                     Cut::kKeepingUpgrade, 0},
                                           // A cut while the patched executable is written leaves
                                           // it for the redo to write over, beside a folder it
                                           // builds again: the redo needs a unit or two more than
                                           // the first run.
                                           SweepCase{"RoomWithTwoUnitsToSpareDeltaRemoteClean", true, false,
                                                     Cut::kDelta, 8192},
                                           SweepCase{"ShortOfRoomRemoteLossy", true, true, Cut::kShortOfRoom, -1},
                                           SweepCase{"ShortOfRoomLocalClean", false, false, Cut::kShortOfRoom, -1}),
                         [](const ::testing::TestParamInfo<SweepCase>& info) { return info.param.name; });

}  // namespace
