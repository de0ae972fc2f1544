// The host options of build/ruvexa: bad options end with status 2 and one
// line why; help and version; termination signals; a power cut ends a boot
// with 9, and the boots that follow take the upgrade to its end.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::RunRuvexaExactly;
using scenario::Scratch;

struct BadOptionsRow {
    std::vector<std::string> arguments;
    std::string firstLine;  // of standard error
    bool hint;              // a usage error: "see ruvexa --help" follows
};

// What --fail accepts, as a bad value lists it.
const std::string kFailHead = "ruvexa: --fail needs OP:ERROR:NTH with a known OP and NTH of 1 or more, not ";
const std::string kKnownOps =
    "; OP is one of CreateFileW, ReadFile, WriteFile, SetFilePointer, GetFileSize, FlushFileBuffers, CloseHandle, "
    "DeleteFileW, MoveFileW, CreateDirectoryW, RemoveDirectoryW, GetFileAttributesW, SetFileAttributesW, GetFileTime, "
    "SetFileTime, FindFirstFileW, FindNextFileW, CreateThread, LocalAlloc, ShellExecuteExW";
const std::string kKnownErrors =
    "; ERROR is a number or one of ERROR_INVALID_FUNCTION, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, "
    "ERROR_TOO_MANY_OPEN_FILES, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY, ERROR_BAD_FORMAT, "
    "ERROR_OUTOFMEMORY, ERROR_NOT_SAME_DEVICE, ERROR_NO_MORE_FILES, ERROR_WRITE_PROTECT, ERROR_GEN_FAILURE, "
    "ERROR_SHARING_VIOLATION, ERROR_HANDLE_EOF, ERROR_NOT_SUPPORTED, ERROR_FILE_EXISTS, ERROR_INVALID_PARAMETER, "
    "ERROR_BROKEN_PIPE, ERROR_DISK_FULL, ERROR_INVALID_NAME, ERROR_NEGATIVE_SEEK, ERROR_DIR_NOT_EMPTY, ERROR_BUSY, "
    "ERROR_ALREADY_EXISTS, ERROR_BAD_EXE_FORMAT, ERROR_FILENAME_EXCED_RANGE, ERROR_DIRECTORY, ERROR_IO_DEVICE";

// Bad options end with 2 and one line that says why; a mistyped command
// line also gets a line that points to --help, an output that cannot be
// written does not.
TEST(HostOptions, BadOptionsEndWithStatusTwoAndOneLineWhy) {
    Scratch scratch;
    testing_support::TempDevice device;
    const std::string root = device.Root();
    scenario::WriteHostFile(scratch.Path("a-file"), "");
    const std::vector<BadOptionsRow> rows = {
        {{}, "ruvexa: --device-root is required", true},
        {{"--device-root"}, "ruvexa: --device-root needs a value", true},
        {{"--device-root", "--headless"}, "ruvexa: --device-root needs a value, not the option --headless", true},
        {{"--device-root", scratch.Path("no-such-folder")},
         "ruvexa: the device root " + scratch.Path("no-such-folder") + " is not a folder", true},
        {{"--device-root", root, "--time-scale", "0"}, "ruvexa: --time-scale needs a positive number, not 0", true},
        {{"--device-root", root, "--time-scale", "fast"}, "ruvexa: --time-scale needs a positive number, not fast", true},
        {{"--device-root", root, "--media", "Hard Disk"}, "ruvexa: --media needs NAME=MS, not Hard Disk", true},
        {{"--device-root", root, "--volume-size", "NandFlash"}, "ruvexa: --volume-size needs NAME=BYTES, not NandFlash",
         true},
        {{"--device-root", root, "--volume-size", "NandFlash=-1"},
         "ruvexa: --volume-size needs NAME=BYTES, not NandFlash=-1", true},
        {{"--device-root", root, "--volume-size", "=4096"}, "ruvexa: --volume-size needs NAME=BYTES, not =4096", true},
        {{"--device-root", root, "--power-cut-after", "0"}, "ruvexa: --power-cut-after needs a count of 1 or more, not 0",
         true},
        {{"--device-root", root, "--lose-unflushed"}, "ruvexa: --lose-unflushed needs --power-cut-after", true},
        {{"--device-root", root, "--fail", "WriteFile:112:0"}, kFailHead + "WriteFile:112:0", true},
        {{"--device-root", root, "--fail", "Write:112:1"}, kFailHead + "Write:112:1" + kKnownOps, true},
        {{"--device-root", root, "--fail", "WriteFile:DISK_FULL:2"},
         kFailHead + "WriteFile:DISK_FULL:2" + kKnownErrors, true},
        {{"--device-root", root, "--fail", "WriteFile:112"}, kFailHead + "WriteFile:112" + kKnownOps + kKnownErrors,
         true},
        {{"--device-root", root, "--boots", "-1"}, "ruvexa: --boots needs a count of 1 or more, not -1", true},
        {{"--device-root", root, "--switch-on-again"}, "ruvexa: --switch-on-again needs --boots 2 or more", true},
        {{"--device-root", root, "--zoom", "0"}, "ruvexa: --zoom needs a whole number from 1 to 8, not 0", true},
        {{"--device-root", root, "--colour"}, "ruvexa: unknown option --colour", true},
        {{"--bogus"}, "ruvexa: unknown option --bogus", true},
        {{"--device-root", root, "--screen", scratch.Path("missing/screen.png")},
         "ruvexa: cannot write the screen " + scratch.Path("missing/screen.png") + ": No such file or directory", false},
        {{"--device-root", root, "--frames", scratch.Path("a-file/frames")},
         "ruvexa: cannot write frames to " + scratch.Path("a-file/frames") + ": Not a directory", false},
    };
    for (const auto& row : rows) {
        scenario::RuvexaRun run = RunRuvexaExactly(row.arguments, scratch);
        EXPECT_EQ(run.status, 2) << row.firstLine;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), row.firstLine);
        if (row.hint) EXPECT_EQ(run.err, row.firstLine + "\nsee ruvexa --help\n");
        EXPECT_EQ(run.err.find("usage: ruvexa --device-root DIR"), std::string::npos) << run.err;
    }
}

TEST(HostOptions, HelpAndVersionPrintAndEndWithZero) {
    Scratch scratch;
    std::string out;
    scenario::RuvexaRun run = RunRuvexaExactly({"--help"}, scratch, &out);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(out.find("--power-cut-after N"), std::string::npos) << out;
    EXPECT_NE(out.find("--volume-size NAME=BYTES"), std::string::npos) << out;
    run = RunRuvexaExactly({"--version"}, scratch, &out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(out.rfind("ruvexa 1.", 0), 0u) << out;
}

// SIGTERM and SIGINT end a run that waits (here for a USB disk that never
// comes, twenty probes of seconds each) with the shell's status for them.
TEST(HostOptions, TerminationSignalsEndTheRunWithTheirStatus) {
    for (int signal : {SIGTERM, SIGINT}) {
        Scratch scratch;
        testing_support::TempDevice device;
        device.WriteFile(L"\\NandFlash\\Upgrade.flag", "");
        const std::string log = scratch.Path("ruvexa.log");
        pid_t process = testing_support::Start(RUVEXA_PATH, {"--device-root", device.Root(), "--headless", "--log", log},
                                               scratch.Path("out"), scratch.Path("err"));
        auto waiting = [&] {
            return std::filesystem::exists(log) && scenario::ReadHostFile(log).find("found upgrade flag") != std::string::npos;
        };
        testing_support::WaitUntil(waiting, std::chrono::seconds(30));
        kill(process, signal);
        EXPECT_EQ(testing_support::WaitFor(process), 128 + signal);
        EXPECT_NE(scenario::ReadHostFile(scratch.Path("err")).find(signal == SIGTERM ? "terminated by SIGTERM (exit 143)"
                                                                                   : "interrupted by SIGINT (exit 130)"),
                  std::string::npos);
    }
}

// The power goes while the extraction writes its first file. The flag and
// the package stay, so the second boot extracts and installs anew (the
// partly written file is replaced) and resets; the third starts the new
// program and quits by itself. Each boot says why it starts, and the run's
// last line its status. No --power-off-after: its watchdog runs on real time
// and would switch a slow boot off before the cut it waits for; a boot that
// stops for good ends as halted (6) instead.
TEST(HostOptions, BootsAfterAPowerCutFinishTheUpgrade) {
    Scratch scratch;
    testing_support::TempDevice device;
    const scenario::UpgradeContent content = scenario::StandardUpgrade();
    scenario::MakeUpgradeDevice(device, scenario::BuildUpgradePackage(content, scratch), true);
    // Without a start-up folder to remove first, and after the upgrade log's
    // three changes at the search's end (created, its header, the lines),
    // change 5 falls in the extraction's first file.
    std::filesystem::remove_all(device.Host(scenario::kStartUpFolder));

    const std::string log = scratch.Path("boots.log");
    scenario::RuvexaRun run = RunRuvexaExactly({"--device-root", device.Root(), "--headless", "--time-scale", "200",
                                                "--log", log, "--power-cut-after", "5", "--boots", "3"},
                                               scratch);
    EXPECT_EQ(run.status, 0) << run.err;
    std::string missing;
    EXPECT_TRUE(scenario::InOrder(run.ErrLines(),
                                  {"ruvexa-host: boot 1: power-on",
                                   "ruvexa-host: power cut before file-system change 5 (exit 9)",
                                   "ruvexa-host: boot 2: after a power cut at change 5",
                                   "ruvexa-host: reset through AIP1: (exit 3)",
                                   "ruvexa-host: boot 3: after a reset through AIP1:",
                                   "ruvexa-host: the program ended (exit 0)"},
                                  &missing))
        << missing << " is not in:\n" << run.err;
    EXPECT_EQ(run.ErrLines().back(), "ruvexa-host: the run ended after boot 3 (exit 0)") << run.err;

    // Each boot appends to the one log: two extractions, one installation.
    const std::string text = scenario::ReadHostFile(log);
    size_t extractions = 0;
    for (size_t at = 0; (at = text.find("pre-verification ok", at)) != std::string::npos; ++at) ++extractions;
    EXPECT_EQ(extractions, 2u) << text;
    EXPECT_NE(text.find("=== Upgrade Complete ==="), std::string::npos) << text;

    EXPECT_EQ(scenario::WhyNotUpgraded(device, run, content, true), "") << run.err;
}

}  // namespace
