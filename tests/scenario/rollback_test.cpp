// Rollback: an upgrade with rollback on, then boots one after another (a
// user switching the device off and on) of a new application that never
// deletes Trial.flag; once its starts are used up the next boot moves the
// old version back byte for byte, records the release in Rejected.txt and
// resets, and the boot after it starts the old application. A healthy
// application deletes Trial.flag and keeps its place.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ruvexa_host.h"
#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::BuiltPackage;
using scenario::kMerrow;
using scenario::RunRuvexa;
using scenario::Scratch;
using testing_support::TempDevice;
using testing_support::Tree;
using Lines = std::vector<std::string>;

const std::vector<std::string> kOptions = {"--time-scale", "100"};

class RollbackScenario : public ::testing::Test {
protected:
    // Upgrades a device with `starts` counted starts; the upgrade boot ends in
    // the reset.
    void Upgrade(const std::string& starts) {
        starts_ = starts;
        package_ = scenario::BuildUpgradePackage(content_, scratch_);
        scenario::MakeUpgradeDevice(device_, package_, true);
        device_.WriteFile(kMerrow + L"Rollback.cfg", "starts=" + starts + "\n");
        ASSERT_EQ(RunRuvexa(device_.Root(), kOptions, scratch_).status, 3);
    }
    // The installed version, as a tree below the application's folder.
    Tree Installed() const {
        Tree tree;
        for (const auto& [key, bytes] : testing_support::SnapshotOf(device_.Host(kMerrow))) {
            if (key == "Orvane3.exe" || key.starts_with("Images") || key.starts_with("Font")) tree[key] = bytes;
        }
        return tree;
    }
    // A boot without a request that launches the new application.
    void StartNewApplication(int start) {
        std::remove(device_.Host(kMerrow + L"new_orvane3.ran").c_str());
        auto run = RunRuvexa(device_.Root(), kOptions, scratch_);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(
            run.LogHas("Initialize(): trial start=[" + std::to_string(start) + "] of starts=[" + starts_ + "], at=[*]"))
            << run.log;
        ASSERT_TRUE(scenario::AppearsSoon(device_, kMerrow + L"new_orvane3.ran"));
    }
    Scratch scratch_;
    TempDevice device_;
    scenario::UpgradeContent content_ = scenario::StandardUpgrade();
    BuiltPackage package_;
    std::string starts_;
};

TEST_F(RollbackScenario, UsedUpStartsBringTheOldVersionBack) {
    Upgrade("2");
    StartNewApplication(1);
    StartNewApplication(2);

    auto rollback = RunRuvexa(device_.Root(), kOptions, scratch_);

    EXPECT_EQ(rollback.status, 3) << rollback.err;
    std::string missing;
    EXPECT_TRUE(scenario::InOrder(
        rollback.MaskedLog(),
        {"CheckUpgrade(): !!! Not found upgrade flag, at=[*]", "Initialize(): !!! Trial failed, starts=[2], at=[*]",
         "RollbackThreadProc(): removed new=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]",
         "RollbackThreadProc(): restored old=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]",
         "RollbackThreadProc(): removed new=[\\NandFlash\\Merrow\\Images], at=[*]",
         "RollbackThreadProc(): restored old=[\\NandFlash\\Merrow\\Images], at=[*]",
         "RollbackThreadProc(): removed new=[\\NandFlash\\Merrow\\Font], at=[*]",
         "RollbackThreadProc(): restored old=[\\NandFlash\\Merrow\\Font], at=[*]",
         "RollbackThreadProc(): recorded rejected package=[\\NandFlash\\Merrow\\Rejected.txt], at=[*]",
         "RollbackThreadProc(): ended trial, at=[*]", "=== Rollback Complete ===", "",
         "!!! Reset IOCTL_AIP_SYS_RESET, at=[*]"},
        &missing))
        << missing << "\n"
        << rollback.log;
    EXPECT_EQ(testing_support::TreeDifference(Installed(), scenario::OldVersion()), "");
    for (const wchar_t* gone : {L"Previous", L"Trial.flag", L"Trial.1", L"Trial.2", L"Previous.mark"}) {
        EXPECT_FALSE(device_.Exists(kMerrow + gone)) << host::WideToUtf8(gone);
    }
    const std::string trial = scenario::TrialMarker(package_, true);
    const std::string rejected = device_.ReadFile(kMerrow + L"Rejected.txt");
    EXPECT_TRUE(rejected.starts_with(trial.substr(0, 17) + " package=OV3_UPGRADE_2024.BIN tick=")) << rejected;

    auto after = RunRuvexa(device_.Root(), kOptions, scratch_);
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_TRUE(scenario::AppearsSoon(device_, kMerrow + L"old_orvane3.ran"));
}

TEST_F(RollbackScenario, AHealthyApplicationKeepsItsPlace) {
    content_.exe = "#!/bin/sh\nrm -f Trial.flag\ntouch new_orvane3.ran\n";
    Upgrade("2");
    StartNewApplication(1);

    for (int boot = 0; boot < 3; ++boot) {
        auto run = RunRuvexa(device_.Root(), kOptions, scratch_);
        EXPECT_EQ(run.status, 0) << run.err;
    }

    EXPECT_FALSE(device_.Exists(kMerrow + L"Trial.1"));
    EXPECT_EQ(device_.ReadFile(kMerrow + L"Orvane3.exe"), content_.exe);
    EXPECT_EQ(testing_support::TreeDifference(testing_support::SnapshotOf(device_.Host(kMerrow + L"Previous")),
                                              scenario::OldVersion()),
              "");
}

// A rollback step that fails shows its code and stays; the next boot tries
// again and brings the old version back.
TEST_F(RollbackScenario, AFailedStepShowsItsCodeAndTheNextBootTriesAgain) {
    Upgrade("1");
    StartNewApplication(1);
    device_.SetReadOnly(kMerrow + L"Images\\Start.bmp", true);

    auto failed = RunRuvexa(device_.Root(), kOptions, scratch_);

    EXPECT_EQ(failed.status, 6);
    EXPECT_TRUE(failed.LogHas("RollbackThreadProc(): !!! Failed to remove new=[\\NandFlash\\Merrow\\Images], at=[*]"));
    EXPECT_TRUE(failed.LogHas("=== !!! Rollback Failed ===")) << failed.log;
    EXPECT_NE(failed.err.find("Err70 Rollback failed"), std::string::npos) << failed.err;

    device_.SetReadOnly(kMerrow + L"Images\\Start.bmp", false);
    EXPECT_EQ(RunRuvexa(device_.Root(), kOptions, scratch_).status, 3);
    EXPECT_EQ(testing_support::TreeDifference(Installed(), scenario::OldVersion()), "");
    EXPECT_FALSE(device_.Exists(kMerrow + L"Trial.flag"));
}

}  // namespace
