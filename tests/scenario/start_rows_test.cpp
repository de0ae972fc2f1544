// Start-up scenarios as rows of data: the device folder, the host options,
// the exit status, the log (masked ticks), the host's reports, and the marker
// files the stand-in programs leave. One body runs every row.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ruvexa_host.h"
#include "ruvexa_runner.h"

namespace {

using scenario::AppearsSoon;
using scenario::InOrder;
using scenario::RunRuvexa;
using scenario::Scratch;
using scenario::TickOf;
using testing_support::Concat;
using Lines = std::vector<std::string>;

const std::wstring kMainApplication = L"\\NandFlash\\Merrow\\Orvane3.exe";
const std::wstring kMainMarker = L"\\NandFlash\\Merrow\\orvane3.ran";
const std::wstring kShell = L"\\Windows\\explorer.exe";
const std::wstring kShellMarker = L"\\Windows\\explorer.ran";
const std::string kMainScript = "#!/bin/sh\ntouch orvane3.ran\n";
const std::string kShellScript = "#!/bin/sh\ntouch explorer.ran\n";

const std::string kNoFlag = "CheckUpgrade(): !!! Not found upgrade flag, at=[*]";
const std::string kUsbFlag = "CheckUpgrade(): found upgrade flag, at=[*]";
const std::string kRemoteFlag = "CheckUpgrade(): found remote upgrade flag, at=[*]";
const std::string kNoSourceDirectory = "CheckUpgrade(): !!! Not found upgrade source directory, at=[*]";
const std::string kNoSource = "CheckUpgrade(): !!! Not found upgrade source, at=[*]";
const std::string kMainMissing = "ExecuteFile(): !!! File not exist=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]";
const std::string kInitializationFailed =
    "Initialize(): !!! Initialization Failed. Unable to execute app=[explorer.exe], error=[2], at=[*]";
const std::string kHaltedAfterTheBox =
    "ruvexa-host: device halted after the message box ERROR: Initialization Failed (exit 6)";
const std::string kSearchFor = "ruvexa-host: the search for ";
const std::string kStartedMain = "ruvexa-host: the boot started \\NandFlash\\Merrow\\Orvane3.exe";

struct Row {
    std::string name;
    std::vector<std::pair<std::wstring, std::string>> files{};
    std::vector<std::wstring> folders{};
    std::vector<std::string> options = {"--time-scale", "100"};
    int exitStatus = 0;
    Lines log;  // the whole log, ticks masked
    // Device time from the first logged tick to the last, at least. Rows that
    // count waits this way run at a scale where the host's own work between
    // the waits stays small in device time.
    long minLogSpanMs = 0;
    // Texts the host layer writes to stderr; the account of searches that
    // found nothing has to be there whole, or not at all.
    Lines hostReports{};
    std::vector<std::wstring> created{};  // marker files that appear
    std::vector<std::wstring> absent{};   // files that do not exist afterwards
};

// A failing row is reported by its name, not as a dump of its bytes.
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// The ten attempts of a search whose source folder is there but holds no
// package.
Lines TenEmptyAttempts(const std::string& directory) {
    Lines lines;
    for (int retry = 0; retry < 10; ++retry) {
        lines.push_back("CheckUpgrade(): found upgrade source directory=[" + directory + "], dir_retry=[0], at=[*]");
        lines.push_back("CheckUpgrade(): !!! Not found upgrade source, retry=[" + std::to_string(retry) + "], at=[*]");
    }
    lines.push_back(kNoSource);
    return lines;
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {.name = "NoFlagStartsTheMainApplication",
         .files = {{kMainApplication, kMainScript}, {kShell, kShellScript}},
         .log = {kNoFlag},
         .hostReports = {"ruvexa-host: the program ended (exit 0)"},
         .created = {kMainMarker},
         .absent = {kShellMarker}},
        {.name = "MissingMainApplicationFallsBackToTheShell",
         .files = {{kShell, kShellScript}},
         .log = {kNoFlag, kMainMissing},
         .hostReports = {"ruvexa-host: the program ended (exit 0)"},
         .created = {kShellMarker}},
        {.name = "UnrunnableMainApplicationFallsBackToTheShell",
         .files = {{kMainApplication, "MZ not a program for this machine"}, {kShell, kShellScript}},
         .log = {kNoFlag,
                 "ExecuteFile(): !!! Failed to execute app=[\\NandFlash\\Merrow\\Orvane3.exe], error=[193], at=[*]"},
         .hostReports = {"ruvexa-host: cannot start \\NandFlash\\Merrow\\Orvane3.exe: it is no program the host can "
                         "run (no #! line, not ELF)"},
         .created = {kShellMarker}},
        // The program stays up after the message box: only switching the
        // device off ends it, long after its quit timer would have. The
        // switch-off runs on real time, so a slow clock (3 s) keeps it well
        // behind the message box on a loaded or sanitized host.
        {.name = "BothLaunchesFailingShowTheMessageBoxAndStayUp",
         .folders = {L"\\NandFlash\\Merrow", L"\\Windows"},
         .options = {"--time-scale", "10", "--power-off-after", "30000"},
         .exitStatus = 5,
         .log = {kNoFlag, kMainMissing, kInitializationFailed},
         .hostReports = {"message box: ERROR: Initialization Failed", "ruvexa-host: switched off (exit 5)"}},
        // Headless, with no time set to switch off, the run ends once the
        // device can do nothing more, naming the message box it stopped on.
        {.name = "BothLaunchesFailingHaltAHeadlessRun",
         .folders = {L"\\NandFlash\\Merrow", L"\\Windows"},
         .exitStatus = 6,
         .log = {kNoFlag, kMainMissing, kInitializationFailed},
         .hostReports = {"message box: ERROR: Initialization Failed", kHaltedAfterTheBox}},
        {.name = "EmptyDeviceFolderHaltsAfterTheMessageBox",
         .exitStatus = 6,
         .log = {kNoFlag, kMainMissing,
                 "Initialize(): !!! Initialization Failed. Unable to execute app=[explorer.exe], error=[3], at=[*]"},
         .hostReports = {kHaltedAfterTheBox}},
        {.name = "DamagedPackageHaltsWithItsCodeOnScreen",
         .files = {{L"\\NandFlash\\RemoteUpgrade.flag", ""},
                   {L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_1.BIN", "garbage"}},
         .exitStatus = 6,
         .log = {kRemoteFlag,
                 "CheckUpgrade(): found upgrade source directory=[\\Storage Card\\OV3_Download\\], dir_retry=[0], at=[*]",
                 "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_1.BIN], retry=[0], at=[*]",
                 "ExtractThreadProc(): !!! Invalid file signature=[62726167], at=[*]",
                 "OnExtractionResult(): extraction took=[*] ms, bytes=[0], files=[0], at=[*]",
                 "=== !!! Extraction Failed ===",
                 ""},
         .hostReports = {"ruvexa-host: device halted: Err04 Preparation failed (exit 6)"}},
        {.name = "UsbFlagWithoutDiskProbesTwentyTimesThenLaunches",
         .files = {{L"\\NandFlash\\Upgrade.flag", ""}, {kMainApplication, kMainScript}},
         .log = {kUsbFlag, kNoSourceDirectory},
         .minLogSpanMs = 20000,
         .hostReports = {kSearchFor + "the folder \\Hard Disk* found nothing; the root holds NandFlash", kStartedMain},
         .created = {kMainMarker}},
        {.name = "UsbFolderMisnamedIsListedWithTheRoot",
         .files = {{L"\\NandFlash\\Upgrade.flag", ""},
                   {kMainApplication, kMainScript},
                   {L"\\USB Disk\\OV3_UPGRADE_1.BIN", "never looked at"}},
         .options = {"--time-scale", "1000"},
         .log = {kUsbFlag, kNoSourceDirectory},
         .hostReports = {kSearchFor + "the folder \\Hard Disk* found nothing; the root holds USB Disk, NandFlash",
                         kStartedMain},
         .created = {kMainMarker}},
        {.name = "RemoteFlagWithoutDownloadFolderProbesTwentyTimesThenLaunches",
         .files = {{L"\\NandFlash\\RemoteUpgrade.flag", ""}, {kMainApplication, kMainScript}},
         .folders = {L"\\Storage Card"},
         .log = {kRemoteFlag, kNoSourceDirectory},
         .minLogSpanMs = 20000,
         .hostReports = {kSearchFor + "the folder \\Storage Card\\OV3_Download found nothing; \\Storage Card is empty",
                         kStartedMain},
         .created = {kMainMarker}},
        {.name = "MisspelledPackageIsNamedCloseToThePattern",
         .files = {{L"\\NandFlash\\RemoteUpgrade.flag", ""},
                   {kMainApplication, kMainScript},
                   {L"\\Storage Card\\OV3_Download\\OV3_UPGRAED_X.BIN", "a package under a mistyped name"}},
         .options = {"--time-scale", "1000"},
         .log = Concat({kRemoteFlag}, TenEmptyAttempts("\\Storage Card\\OV3_Download\\")),
         .hostReports = {kSearchFor + "\\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN found nothing; that folder "
                                      "holds OV3_UPGRAED_X.BIN (close to the pattern)",
                         kStartedMain, "ruvexa-host: the program ended (exit 0)"},
         .created = {kMainMarker}},
        // Neither name matches OV3_UPGRADE_*.BIN.
        {.name = "UsbDiskWithoutPackageTriesTenTimesThenLaunches",
         .files = {{L"\\NandFlash\\Upgrade.flag", ""},
                   {kMainApplication, kMainScript},
                   {L"\\Hard Disk\\OV3_UPGRADE.BIN", "not a match"},
                   {L"\\Hard Disk\\OV3_UPGRADE_1.ZIP", "not a match"}},
         .options = {"--time-scale", "1000"},
         .log = Concat({kUsbFlag}, TenEmptyAttempts("Hard Disk")),
         .minLogSpanMs = 10000,
         // The report comes at the boot's end, after the attempt left its log on the disk.
         .hostReports = {kSearchFor + "\\Hard Disk\\OV3_UPGRADE_*.BIN found nothing; that folder holds "
                                      "OV3_UPGRADE.BIN (close to the pattern), OV3_UPGRADE_1.ZIP (close to the pattern), "
                                      "Upgrade.log",
                         kStartedMain},
         .created = {kMainMarker}},
        // The package on the USB disk is never looked at.
        {.name = "BothFlagsTheRemoteSourceWins",
         .files = {{L"\\NandFlash\\Upgrade.flag", ""},
                   {L"\\NandFlash\\RemoteUpgrade.flag", ""},
                   {kMainApplication, kMainScript},
                   {L"\\Hard Disk\\OV3_UPGRADE_1.BIN", "a package on the USB disk"}},
         .folders = {L"\\Storage Card\\OV3_Download"},
         .options = {"--time-scale", "1000"},
         .log = Concat({kUsbFlag, kRemoteFlag}, TenEmptyAttempts("\\Storage Card\\OV3_Download\\")),
         .minLogSpanMs = 10000,
         .hostReports = {kSearchFor + "\\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN found nothing; that folder "
                                      "is empty",
                         kStartedMain},
         .created = {kMainMarker},
         .absent = {L"\\Hard Disk\\AppExecute.ex"}},
    };
    return rows;
}

class StartScenario : public ::testing::TestWithParam<Row> {};

TEST_P(StartScenario, Runs) {
    const Row& row = GetParam();
    testing_support::TempDevice device;
    for (const auto& folder : row.folders) device.MakeFolder(folder);
    for (const auto& [path, bytes] : row.files) device.WriteFile(path, bytes);
    Scratch scratch;

    // Every run leaves its last screen, whichever way it ends.
    scenario::RuvexaRun run =
        RunRuvexa(device.Root(), Concat(row.options, {"--screen", scratch.Path("screen.png")}), scratch);

    EXPECT_EQ(run.status, row.exitStatus) << run.err;
    EXPECT_EQ(run.MaskedLog(), row.log);
    if (row.minLogSpanMs > 0) {
        Lines lines = run.LogLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_GE(TickOf(lines.back()) - TickOf(lines.front()), row.minLogSpanMs);
    }
    Lines reports;
    for (size_t start = 0, end; (end = run.err.find('\n', start)) != std::string::npos; start = end + 1) {
        reports.push_back(run.err.substr(start, end - start));
    }
    std::string missing;
    EXPECT_TRUE(InOrder(reports, row.hostReports, &missing)) << "no report \"" << missing << "\" in:\n" << run.err;
    auto searchAccount = [](const Lines& lines) {
        Lines account;
        for (const auto& line : lines) {
            if (line.starts_with(kSearchFor) || line.starts_with("ruvexa-host: the boot started")) account.push_back(line);
        }
        return account;
    };
    EXPECT_EQ(searchAccount(reports), searchAccount(row.hostReports)) << run.err;
    for (const auto& marker : row.created) EXPECT_TRUE(AppearsSoon(device, marker)) << host::WideToUtf8(marker);
    for (const auto& path : row.absent) EXPECT_FALSE(device.Exists(path));
    EXPECT_EQ(scenario::ReadHostFile(scratch.Path("screen.png")).substr(1, 3), "PNG");
}

INSTANTIATE_TEST_SUITE_P(Rows, StartScenario, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
