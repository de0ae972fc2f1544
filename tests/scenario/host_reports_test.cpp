// What build/ruvexa reports beside the program's log: a --fail or
// --power-cut-after that never fired, what a lossy power cut discarded, one
// ending per boot, why each boot starts; and one run at a time on a device
// folder.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::Scratch;
using testing_support::Concat;
using testing_support::TempDevice;

const std::wstring kApplication = L"\\NandFlash\\Merrow\\Orvane3.exe";
const std::wstring kStarted = L"\\NandFlash\\Merrow\\started";

struct ReportRow {
    std::string name;
    bool upgrade = false;      // an upgrade device
    bool application = false;  // an installed application that appends a line to "started" at every start
                               // (neither: an empty device, which halts at once)
    size_t starts = 0;         // the application's starts the run made
    std::vector<std::string> options;
    int status = 6;
    std::vector<std::string> reports;  // regular expressions, each found in standard error
    bool reportsNeverFired = false;    // whether anything is reported as never fired
};

void PrintTo(const ReportRow& row, std::ostream* out) { *out << row.name; }

class HostReports : public ::testing::TestWithParam<ReportRow> {};

TEST_P(HostReports, SayWhatTheRunDid) {
    const ReportRow& row = GetParam();
    Scratch scratch;
    TempDevice device;
    if (row.upgrade) {
        scenario::MakeUpgradeDevice(device, scenario::BuildUpgradePackage(scenario::StandardUpgrade(), scratch), true);
        // Without a start-up folder to remove first, change 3 falls in the
        // extraction's first file, after its first write.
        std::filesystem::remove_all(device.Host(scenario::kStartUpFolder));
    }
    if (row.application) device.WriteFile(kApplication, "#!/bin/sh\necho started >> started\n");
    const scenario::RuvexaRun run =
        scenario::RunRuvexa(device.Root(), Concat({"--time-scale", "100"}, row.options), scratch);
    EXPECT_EQ(run.status, row.status) << run.err;
    for (const auto& report : row.reports) {
        EXPECT_TRUE(std::regex_search(run.err, std::regex(report))) << report << " is not in:\n" << run.err;
    }
    EXPECT_EQ(run.err.find("never fired") != std::string::npos, row.reportsNeverFired) << run.err;
    if (row.application) {
        // Each start runs detached: its line may come after the run has ended.
        const auto startsMade = [&] {
            const std::string text = device.Exists(kStarted) ? device.ReadFile(kStarted) : "";
            return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        };
        testing_support::WaitUntil([&] { return startsMade() >= row.starts; }, std::chrono::seconds(10));
        EXPECT_EQ(startsMade(), row.starts);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostReports,
    ::testing::Values(
        ReportRow{.name = "FailureAimedPastTheRun",
                  .options = {"--fail", "WriteFile:112:500"},
                  .reports = {"ruvexa-host: --fail WriteFile:112:500 never fired: the run made 0 WriteFile calls\n"},
                  .reportsNeverFired = true},
        // Operations in any case, errors by their names.
        ReportRow{.name = "FailureSpelledByNames",
                  .options = {"--fail", "findfirstfilew:error_disk_full:500"},
                  .reports = {"--fail findfirstfilew:error_disk_full:500 never fired: the run made [1-9][0-9]* "
                              "FindFirstFileW calls\n"},
                  .reportsNeverFired = true},
        ReportRow{.name = "FailureThatFires",
                  .options = {"--fail", "FINDFIRSTFILEW:ERROR_ACCESS_DENIED:1"},
                  .reports = {"\\(exit 6\\)\n$"}},
        ReportRow{.name = "PowerCutAimedPastTheRun",
                  .options = {"--power-cut-after", "99999"},
                  .reports = {"ruvexa-host: --power-cut-after 99999 never fired: the run made [0-9]+ file-system "
                              "changes\n"},
                  .reportsNeverFired = true},
        ReportRow{.name = "LossyCutInTheFirstExtractedFile",
                  .upgrade = true,
                  .options = {"--power-cut-after", "3", "--lose-unflushed", "--boots", "3", "--sync-flushes"},
                  .status = 0,
                  .reports = {"ruvexa-host: the power cut discarded [1-9][0-9]* unflushed bytes of 1 file\n"
                              "ruvexa-host: [0-9]+ file-system changes? in this boot.*\n"
                              "ruvexa-host: power cut before file-system change 3 \\(exit 9\\)\n"}},
        ReportRow{.name = "LossyCutBeforeAnyData",
                  .upgrade = true,
                  .options = {"--power-cut-after", "1", "--lose-unflushed", "--boots", "3"},
                  .status = 0,
                  .reports = {"ruvexa-host: the power cut discarded 0 unflushed bytes of 0 files\n"}},
        // The launcher starts the application and quits; the user switches
        // the device off and on again, and it boots as from power-on.
        ReportRow{.name = "SwitchedOnAgainAfterTheProgramEnded",
                  .application = true,
                  .starts = 3,
                  .options = {"--boots", "3", "--switch-on-again"},
                  .status = 0,
                  .reports = {"^ruvexa-host: boot 1: power-on\n[\\s\\S]*"
                              "ruvexa-host: boot 2: after the user switched the device off and on again\n[\\s\\S]*"
                              "ruvexa-host: boot 3: after the user switched the device off and on again\n[\\s\\S]*"
                              "ruvexa-host: the run ended after boot 3 \\(exit 0\\)\n$"}},
        ReportRow{.name = "ProgramEndedWithoutSwitchingOnAgain",
                  .application = true,
                  .starts = 1,
                  .options = {"--boots", "3"},
                  .status = 0,
                  .reports = {"\nruvexa-host: the run ended after boot 1 \\(exit 0\\)\n$"}},
        // A halted device did not end by itself: nobody switches it on again.
        ReportRow{.name = "HaltedDeviceIsNotSwitchedOnAgain",
                  .options = {"--boots", "3", "--switch-on-again"},
                  .reports = {"\nruvexa-host: the run ended after boot 1 \\(exit 6\\)\n$"}}),
    [](const ::testing::TestParamInfo<ReportRow>& info) { return info.param.name; });

// The switch-off timer may come while a power cut ends a boot, or while the
// program ends by itself: whichever comes first ends the boot, alone, and
// the run's last line states the status the run ends with.
TEST(HostOptions, EveryBootEndsOnceAndTheLastLineIsTheStatus) {
    Scratch scratch;
    const scenario::BuiltPackage package = scenario::BuildUpgradePackage(scenario::StandardUpgrade(), scratch);
    for (const char* offAfter : {"1", "5000", "60000"}) {
        TempDevice device;
        scenario::MakeUpgradeDevice(device, package, true);
        const scenario::RuvexaRun run = scenario::RunRuvexa(
            device.Root(),
            {"--time-scale", "200", "--power-cut-after", "2", "--boots", "3", "--power-off-after", offAfter}, scratch);
        const std::vector<std::string> lines = run.ErrLines();
        size_t boots = 0, endings = 0;
        for (const auto& line : lines) {
            boots += line.rfind("ruvexa-host: boot ", 0) == 0;
            endings += line.find(" (exit ") != std::string::npos && line.rfind("ruvexa-host: the run ended", 0) != 0;
        }
        EXPECT_EQ(endings, boots) << run.err;
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "ruvexa-host: the run ended after boot " + std::to_string(boots) + " (exit " +
                                    std::to_string(run.status) + ")");
    }
}

// While one run waits (for a USB disk that never comes), a second on the
// same folder refuses at once, naming the first, and changes nothing.
TEST(HostOptions, ASecondRunOnAFolderInUseIsRefused) {
    Scratch scratch;
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Upgrade.flag", "");
    const std::string log = scratch.Path("first.log");
    const pid_t first = testing_support::Start(RUVEXA_PATH, {"--device-root", device.Root(), "--headless", "--log", log},
                                               scratch.Path("first.out"), scratch.Path("first.err"));
    testing_support::WaitUntil(
        [&] { return std::filesystem::exists(log) && scenario::ReadHostFile(log).find("found upgrade flag") != std::string::npos; },
        std::chrono::seconds(30));
    const testing_support::Tree before = testing_support::SnapshotOf(device.Root());

    const scenario::RuvexaRun second = scenario::RunRuvexa(device.Root(), {"--time-scale", "100"}, scratch);

    EXPECT_EQ(second.status, 2);
    EXPECT_EQ(second.err, "ruvexa: device folder in use by process " + std::to_string(first) + "\n");
    EXPECT_EQ(testing_support::TreeDifference(testing_support::SnapshotOf(device.Root()), before), "");
    kill(first, SIGTERM);
    EXPECT_EQ(testing_support::WaitFor(first), 143);
}

// The application a run starts outlives it, but does not keep the folder:
// the next run starts at once.
TEST(HostOptions, AProgramTheRunStartedDoesNotHoldTheFolder) {
    Scratch scratch;
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "#!/bin/sh\ntouch started\nsleep 5\n");
    EXPECT_EQ(scenario::RunRuvexa(device.Root(), {"--time-scale", "100"}, scratch).status, 0);
    ASSERT_TRUE(testing_support::AppearsSoon(device, L"\\NandFlash\\Merrow\\started"));
    const scenario::RuvexaRun next = scenario::RunRuvexa(device.Root(), {"--time-scale", "100"}, scratch);
    EXPECT_EQ(next.status, 0) << next.err;
}

}  // namespace
