// The progress bar below the status line, frame by frame through real runs,
// judged by reference screens: every frame shows no bar, as the start screen
// has none, or the bar of the empty reference with a leading part of the
// full reference's fill; the bar grows within each stage and goes with it,
// and the stages' duration lines are in the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "ruvexa_runner.h"
#include "screen_bands.h"
#include "screen_compare.h"
#include "upgrade_package.h"

namespace {

namespace fs = std::filesystem;
using scenario::Scratch;
using screens::Box;
using screens::Image;
using screens::ReadPng;

constexpr Box kBelowStatus = {0, kStatusBand.bottom, 480, 272};
constexpr int kNoBar = -1;

Image Reference(const std::string& name) {
    return ReadPng(std::string(RUVEXA_SCREENS_REFERENCE_DIR) + "/" + name + ".png");
}

// The screens a frame's bar is judged by, read once.
struct BarReferences {
    Image noBar = Reference("start_screen");
    Image empty = Reference("upgrade_progress_empty");
    Image full = Reference("upgrade_progress_full");
    // The bar's columns where the full reference differs from the empty one:
    // where the fill grows, left to right.
    std::vector<int> fillColumns = FillColumns();

    std::vector<int> FillColumns() const {
        std::vector<int> columns;
        for (int x = kProgressBarBand.left; x < kProgressBarBand.right; ++x) {
            if (!screens::SameArea(empty, full, {x, kProgressBarBand.top, x + 1, kProgressBarBand.bottom})) {
                columns.push_back(x);
            }
        }
        return columns;
    }
};

const BarReferences& References() {
    static const BarReferences references;
    return references;
}

// The fill's width in columns, or kNoBar when the frame shows no bar below
// the status line. Anything else drawn there fails the test.
int FillWidth(const Image& frame) {
    const BarReferences& references = References();
    if (screens::SameArea(frame, references.noBar, kBelowStatus)) return kNoBar;
    int width = 0;
    const auto column = [](int x) { return Box{x, kProgressBarBand.top, x + 1, kProgressBarBand.bottom}; };
    while (width < static_cast<int>(references.fillColumns.size()) &&
           screens::SameArea(frame, references.full, column(references.fillColumns[width]))) {
        ++width;
    }
    // The screen the frame must be: no bar but in the bar's band, the empty
    // bar there with the full one's first `width` fill columns.
    Image expected = references.noBar;
    for (int y = kProgressBarBand.top; y < kProgressBarBand.bottom; ++y) {
        for (int x = kProgressBarBand.left; x < kProgressBarBand.right; ++x) {
            expected.pixels[static_cast<size_t>(y) * expected.width + x] = references.empty.At(x, y);
        }
        for (int i = 0; i < width; ++i) {
            const int x = references.fillColumns[i];
            expected.pixels[static_cast<size_t>(y) * expected.width + x] = references.full.At(x, y);
        }
    }
    EXPECT_TRUE(screens::SameArea(frame, expected, kBelowStatus))
        << "below the status line is neither no bar nor the reference bar filled " << width << " columns";
    return width;
}

// The run's frames in order, cut where the status line changes: each stage
// of the screen with the fill widths its frames show.
std::vector<std::vector<int>> FillsPerStatus(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    std::vector<std::vector<int>> states;
    Image previous;
    for (const auto& name : names) {
        Image frame = ReadPng(name);
        if (states.empty() || !screens::SameArea(previous, frame, kStatusBand)) states.emplace_back();
        states.back().push_back(FillWidth(frame));
        previous = std::move(frame);
    }
    return states;
}

// The stage's duration line that begins with `start`: its duration, what
// follows it up to the tick, and the tick; false when the log has none.
bool StageLine(const scenario::RuvexaRun& run, const std::string& start, long* took, std::string* rest, long* at) {
    for (const auto& line : run.LogLines()) {
        if (line.rfind(start, 0) != 0) continue;
        char tail[200] = {};
        if (std::sscanf(line.c_str() + start.size(), "%ld] ms, %199[^\r]", took, tail) != 2) return false;
        *rest = tail;
        rest->erase(rest->find(", at=["));
        *at = scenario::TickOf(line);
        return true;
    }
    return false;
}

struct BarRow {
    std::string name;
    bool request = true;
    bool damageImages = false;  // a byte of the images section flipped: the checksum fails
    std::vector<std::string> options{};
    int exitStatus;
    std::string halted{};  // what the screen shows when the device stops
    int growingStages;     // status lines under which the fill takes three widths or more
    // What the stages' duration lines report after their duration; empty
    // when the stage logs none. "DATA" stands for the package's section bytes.
    std::string extraction{};
    std::string installation{};
};

void PrintTo(const BarRow& row, std::ostream* out) { *out << row.name; }

// Built once in each test process; its scratch folder goes at exit.
const scenario::BuiltPackage& LargePackage() {
    static const Scratch scratch;
    static const scenario::BuiltPackage package = scenario::BuildUpgradePackage(scenario::LargeUpgrade(120), scratch);
    return package;
}

class ProgressBar : public ::testing::TestWithParam<BarRow> {};

TEST_P(ProgressBar, GrowsWithinEachStageAndGoesWithIt) {
    const BarRow& row = GetParam();
    testing_support::TempDevice device;
    scenario::BuiltPackage package = LargePackage();
    if (row.damageImages) package.bytes[8 + package.exeSection.size() + 1000] ^= 0x55;
    if (row.request) {
        scenario::MakeUpgradeDevice(device, package, true);
    } else {
        device.WriteFile(scenario::kMerrow + L"Orvane3.exe", "#!/bin/sh\ntouch orvane3.ran\n");
    }
    Scratch scratch;
    const auto options = testing_support::Concat({"--time-scale", "100", "--frames", scratch.Path("frames")}, row.options);
    auto run = scenario::RunRuvexa(device.Root(), options, scratch);
    ASSERT_EQ(run.status, row.exitStatus) << run.err << run.log;
    if (!row.halted.empty()) {
        EXPECT_NE(run.err.find("device halted: " + row.halted), std::string::npos) << run.err;
    }

    const auto states = FillsPerStatus(scratch.Path("frames"));
    int growing = 0;
    for (size_t i = 0; i < states.size(); ++i) {
        SCOPED_TRACE("status line " + std::to_string(i));
        // The bar comes once under a status line, grows, and may go.
        std::vector<int> fills = states[i];
        fills.erase(fills.begin(), std::find_if(fills.begin(), fills.end(), [](int fill) { return fill != kNoBar; }));
        while (!fills.empty() && fills.back() == kNoBar) fills.pop_back();
        EXPECT_TRUE(std::is_sorted(fills.begin(), fills.end()) && (fills.empty() || fills.front() != kNoBar))
            << "the fill went back or the bar flickered";
        if (std::set<int>(fills.begin(), fills.end()).size() >= 3) ++growing;
    }
    EXPECT_EQ(growing, row.growingStages);
    EXPECT_EQ(states.back().back(), kNoBar) << "the last screen keeps its bar";

    const std::string data = std::to_string(package.bytes.size() - 24);
    for (const auto& [start, expected] :
         {std::pair{"OnExtractionResult(): extraction took=[", row.extraction},
          std::pair{"OnUpgradeResult(): installation took=[", row.installation}}) {
        SCOPED_TRACE(start);
        long took = -1;
        long at = -1;
        std::string rest;
        const bool logged = StageLine(run, start, &took, &rest, &at);
        ASSERT_EQ(logged, !expected.empty()) << run.log;
        if (!logged) continue;
        std::string want = expected;
        if (want.find("DATA") != std::string::npos) want.replace(want.find("DATA"), 4, data);
        EXPECT_EQ(rest, want);
        // Device time of a stage that did real work, within the boot.
        EXPECT_GT(took, 0);
        EXPECT_LT(took, at);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ProgressBar,
    ::testing::Values(
        BarRow{.name = "AWholeUpgradeFillsTheBarInBothStages",
               .exitStatus = 3,
               .growingStages = 2,
               .extraction = "bytes=[DATA], files=[3]",
               .installation = "entries=[123], steps=[3]"},
        BarRow{.name = "ADamagedPackageRemovesTheBarWithItsCode",
               .damageImages = true,
               .exitStatus = 6,
               .halted = "Err0F Preparation failed",
               .growingStages = 1,
               .extraction = "bytes=[DATA], files=[3]"},
        BarRow{.name = "AFailedSwitchOverRemovesTheBarWithItsCode",
               .options = {"--fail", "MoveFileW:ERROR_ACCESS_DENIED:1"},
               .exitStatus = 6,
               .halted = "Err42 Upgrade failed",
               .growingStages = 2,
               .extraction = "bytes=[DATA], files=[3]",
               .installation = "entries=[122], steps=[0]"},
        BarRow{.name = "ABootWithoutAnUpgradeShowsNoBar", .request = false, .exitStatus = 0, .growingStages = 0}),
    [](const ::testing::TestParamInfo<BarRow>& info) { return info.param.name; });

}  // namespace
