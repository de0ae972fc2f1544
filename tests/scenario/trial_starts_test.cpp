// Boots without an upgrade request on a device with rollback on: while
// Trial.flag is there each boot records one more start before the launch;
// once the application has deleted it, the next boot removes the records.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ruvexa_runner.h"

namespace {

using scenario::Scratch;
using testing_support::TempDevice;
using Lines = std::vector<std::string>;

const std::wstring kMerrowFolder = L"\\NandFlash\\Merrow\\";

struct TrialRow {
    std::string name{};
    std::optional<std::string> setting = "starts=3\n";  // none: rollback off
    bool trial = true;                                  // Trial.flag there
    int recordedBefore = 0;
    int recordedAfter = 0;
    Lines log{};  // exactly, ticks masked
};

void PrintTo(const TrialRow& row, std::ostream* out) { *out << row.name; }

std::wstring Record(int number) { return kMerrowFolder + L"Trial." + std::to_wstring(number); }

const Lines kLaunch = {"CheckUpgrade(): !!! Not found upgrade flag, at=[*]"};

class TrialStarts : public ::testing::TestWithParam<TrialRow> {
protected:
    void MakeDevice(const TrialRow& row) const {
        device_.WriteFile(kMerrowFolder + L"Orvane3.exe", "#!/bin/sh\ntouch started\n");
        device_.MakeFolder(L"\\Windows");
        if (row.setting) device_.WriteFile(kMerrowFolder + L"Rollback.cfg", *row.setting);
        if (row.trial) device_.WriteFile(kMerrowFolder + L"Trial.flag", "checksum=00000000\r\npackage=X.BIN\r\n");
        for (int number = 1; number <= row.recordedBefore; ++number) device_.WriteFile(Record(number), "");
    }
    int Recorded() const {
        int count = 0;
        while (device_.Exists(Record(count + 1))) ++count;
        return count;
    }
    TempDevice device_;
    Scratch scratch_;
};

TEST_P(TrialStarts, AtABootWithoutRequest) {
    const TrialRow& row = GetParam();
    MakeDevice(row);

    auto run = scenario::RunRuvexa(device_.Root(), {"--time-scale", "100"}, scratch_);

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.MaskedLog(), row.log);
    EXPECT_EQ(Recorded(), row.recordedAfter);
    EXPECT_FALSE(device_.Exists(Record(row.recordedAfter + 1)));
    EXPECT_TRUE(AppearsSoon(device_, kMerrowFolder + L"started"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TrialStarts,
    ::testing::Values(
        TrialRow{.name = "TheFirstStartIsRecorded",
                 .recordedAfter = 1,
                 .log = testing_support::Concat(kLaunch, {"Initialize(): trial start=[1] of starts=[3], at=[*]"})},
        TrialRow{.name = "TheLastStartIsRecorded",
                 .recordedBefore = 2,
                 .recordedAfter = 3,
                 .log = testing_support::Concat(kLaunch, {"Initialize(): trial start=[3] of starts=[3], at=[*]"})},
        TrialRow{.name = "OneStartOfOne",
                 .setting = "starts=1",
                 .recordedAfter = 1,
                 .log = testing_support::Concat(kLaunch, {"Initialize(): trial start=[1] of starts=[1], at=[*]"})},
        TrialRow{
            .name = "AHealthyVersionsRecordsGo",
            .trial = false,
            .recordedBefore = 2,
            .recordedAfter = 0,
            .log = testing_support::Concat(kLaunch, {"Initialize(): trial over, removed start records=[2], at=[*]"})},
        TrialRow{.name = "WithoutATrialNothingIsRecorded", .trial = false, .recordedAfter = 0, .log = kLaunch},
        TrialRow{.name = "WithoutTheSettingNothingIsRecorded",
                 .setting = std::nullopt,
                 .recordedBefore = 1,
                 .recordedAfter = 1,
                 .log = kLaunch}),
    [](const ::testing::TestParamInfo<TrialRow>& info) { return info.param.name; });

// One boot after another, as a user switching the device off and on again:
// each start of an application that never deletes Trial.flag is counted.
TEST_F(TrialStarts, EachBootCountsOneStart) {
    const TrialRow row{.setting = "starts=9\n"};
    MakeDevice(row);
    for (int boot = 1; boot <= 4; ++boot) {
        auto run = scenario::RunRuvexa(device_.Root(), {"--time-scale", "100"}, scratch_);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(Recorded(), boot);
    }
}

}  // namespace
