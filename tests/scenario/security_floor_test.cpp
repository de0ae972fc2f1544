// A keyed device's security floor against the package's signed security
// version: below the floor the package is refused before anything is
// written, its code shows, the request goes and the installed application
// starts; equal or above it installs. A device without a key ignores
// versions, and an unsigned package on a keyed device is refused as before.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "ruvexa_runner.h"
#include "signing_support.h"
#include "upgrade_package.h"

namespace {

using scenario::kMerrow;
using testing_support::TempDevice;

enum class Outcome { Installed, Refused, Untrusted };

struct FloorRow {
    std::string name;
    bool remote = true;
    bool key = true;
    std::optional<uint32_t> version = 0;  // the signature's; none: unsigned
    bool firstFormat = false;             // the older .SIG, version 0
    uint32_t floor = 0;                   // in the one floor record
    Outcome outcome = Outcome::Installed;
    long floorAfter = 0;
};

void PrintTo(const FloorRow& row, std::ostream* out) { *out << row.name; }

class FloorDevice : public ::testing::Test {
protected:
    // The keyed device of MakeKeyed, less the key or the signature, or with
    // a signature of the older format, as the row asks.
    void MakeDevice(const FloorRow& row) {
        scenario::MakeUpgradeDevice(device_, package_, row.remote);
        scenario::MakeKeyed(device_, package_, row.remote, row.version.value_or(0), row.floor);
        const std::wstring signature = scenario::PackagePath(row.remote) + L".SIG";
        if (!row.key) std::remove(device_.Host(kMerrow + L"Upgrade.pub").c_str());
        if (!row.version) std::remove(device_.Host(signature).c_str());
        if (row.firstFormat) {
            device_.WriteFile(signature, package_testing::SignatureFile(package_testing::MakeKey(7), package_.bytes));
        }
    }

    scenario::Scratch scratch_;
    scenario::UpgradeContent content_ = scenario::StandardUpgrade();
    scenario::BuiltPackage package_ = scenario::BuildUpgradePackage(content_, scratch_);
    TempDevice device_;
};

class SecurityFloorScenario : public FloorDevice, public ::testing::WithParamInterface<FloorRow> {};

TEST_P(SecurityFloorScenario, DecidesTheUpgrade) {
    const FloorRow& row = GetParam();
    MakeDevice(row);

    auto run = scenario::RunRuvexa(device_.Root(), {"--time-scale", "100", "--boots", "2"}, scratch_);

    EXPECT_EQ(scenario::SecurityFloorOf(device_), row.floorAfter);
    if (row.outcome == Outcome::Installed) {
        EXPECT_EQ(scenario::WhyNotUpgraded(device_, run, content_, row.remote), "") << run.log;
        return;
    }
    EXPECT_EQ(device_.ReadFile(kMerrow + L"Orvane3.exe"), "#!/bin/sh\ntouch old_orvane3.ran\n");
    if (row.outcome == Outcome::Untrusted) {
        EXPECT_EQ(run.status, 6) << run.err;
        EXPECT_NE(run.err.find("Err0E Preparation failed"), std::string::npos) << run.err;
        EXPECT_TRUE(device_.Exists(scenario::UpgradeFlag(row.remote)));
        return;
    }
    EXPECT_EQ(scenario::WhyNotRefused(device_, run, row.remote), "") << run.err << run.log;
    std::string missing;
    EXPECT_TRUE(scenario::InOrder(
        run.MaskedLog(),
        {"StartExtraction(): !!! Package older than installed, security version=[" + std::to_string(*row.version) +
             "], floor=[" + std::to_string(row.floor) + "], at=[*]",
         "EndRefusal(): removed upgrade request, at=[*]"},
        &missing))
        << missing << "\n"
        << run.log;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SecurityFloorScenario,
    ::testing::Values(
        FloorRow{.name = "RemoteBelowIsRefused", .version = 4, .floor = 5, .outcome = Outcome::Refused,
                 .floorAfter = 5},
        FloorRow{.name = "UsbBelowIsRefused", .remote = false, .version = 0, .floor = 1, .outcome = Outcome::Refused,
                 .floorAfter = 1},
        FloorRow{.name = "FirstFormatIsVersionZero", .version = 0, .firstFormat = true, .floor = 2,
                 .outcome = Outcome::Refused, .floorAfter = 2},
        FloorRow{.name = "FirstFormatInstallsAtFloorZero", .version = 0, .firstFormat = true},
        FloorRow{.name = "EqualInstalls", .version = 5, .floor = 5, .floorAfter = 5},
        FloorRow{.name = "UnsignedIsRefusedAsBefore", .version = std::nullopt, .floor = 5,
                 .outcome = Outcome::Untrusted, .floorAfter = 5},
        FloorRow{.name = "WithoutAKeyAnyVersionInstalls", .key = false, .version = 1, .floor = 5, .floorAfter = 5},
        FloorRow{.name = "RemoteAboveRaisesTheFloorAtCompletion", .version = 7, .floor = 5, .floorAfter = 7},
        FloorRow{.name = "UsbAboveRaisesTheFloor", .remote = false, .version = 3, .floorAfter = 3}),
    [](const auto& info) { return info.param.name; });

// With rollback on, the floor waits for the word of health: the version is
// kept in Floor.next through the trial; the boot that finds Trial.flag
// deleted raises the floor, and a rollback forgets the version instead.
struct TrialRow {
    std::string name;
    int starts;
    bool healthy;  // the application deletes Trial.flag after its first start
    long floorAfter;
};

void PrintTo(const TrialRow& row, std::ostream* out) { *out << row.name; }

class SecurityFloorTrial : public FloorDevice, public ::testing::WithParamInterface<TrialRow> {};

TEST_P(SecurityFloorTrial, RaisesOnlyAfterTheWordOfHealth) {
    const TrialRow& row = GetParam();
    MakeDevice({.name = row.name, .version = 6, .floor = 2});
    device_.WriteFile(kMerrow + L"Rollback.cfg", "starts=" + std::to_string(row.starts) + "\n");

    auto upgrade = scenario::RunRuvexa(device_.Root(), {"--time-scale", "100", "--boots", "2"}, scratch_);
    ASSERT_EQ(scenario::WhyNotUpgraded(device_, upgrade, content_, true), "") << upgrade.log;
    EXPECT_EQ(scenario::SecurityFloorOf(device_), 2) << "not before the word of health";
    EXPECT_EQ(device_.ReadFile(kMerrow + L"Floor.next"), "floor=6\r\n");

    if (row.healthy) std::remove(device_.Host(kMerrow + L"Trial.flag").c_str());
    auto next = scenario::RunRuvexa(device_.Root(), {"--time-scale", "100", "--boots", "2"}, scratch_);
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(next.LogHas("Initialize(): trial over, raised security floor=[6], at=[*]"), row.healthy) << next.log;
    EXPECT_EQ(next.LogHas("=== Rollback Complete ==="), !row.healthy) << next.log;
    EXPECT_EQ(scenario::SecurityFloorOf(device_), row.floorAfter);
    EXPECT_FALSE(device_.Exists(kMerrow + L"Floor.next"));
}

INSTANTIATE_TEST_SUITE_P(Rows, SecurityFloorTrial,
                         ::testing::Values(TrialRow{"HealthyRaises", 3, true, 6},
                                           TrialRow{"RolledBackKeeps", 1, false, 2}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
