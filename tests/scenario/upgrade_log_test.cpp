// The upgrade log: a boot with a request appends a header and its debug
// lines, exactly as the debug output got them, to \NandFlash\Merrow\Upgrade.log,
// and a USB attempt leaves them beside its package; a boot without a request
// writes nothing; a log past 64 KiB gives way to a new one, on the device as
// on the disk; a boot's lines past the log's room are left out whole, with a
// line that says so; and a log that cannot be written changes nothing in the
// upgrade.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "archive_support.h"
#include "package_builder.h"
#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::Scratch;
using testing_support::TempDevice;

const std::wstring kDeviceLog = L"\\NandFlash\\Merrow\\Upgrade.log";
const std::wstring kOlderLog = L"\\NandFlash\\Merrow\\Upgrade.log.1";
const std::wstring kUsbLog = L"\\Hard Disk\\Upgrade.log";
const std::wstring kOlderUsbLog = L"\\Hard Disk\\Upgrade.log.1";
const std::string kLeftOut = "=== Upgrade log full: later lines are in the debug output only ===\r\n";
const std::string kFullLog(64 * 1024, 'x');

struct LogRow {
    std::string name;
    bool remote;
    bool requested = true;
    bool brokenImages = false;      // the installation fails with Err40
    std::vector<std::string> fail{};  // faults of the log's own writes
    bool fullLog = false;           // Upgrade.log past its limit, an older one beside it
    bool fullUsbLog = false;        // the same on the USB disk
    int folderEntriesWithData = 0;  // images entries that each log a line, more than the log holds
    bool readOnlyUsbLog = false;    // the USB disk's log cannot be written
    bool rollback = false;          // the rollback boot of a version that used up its starts
    int status = 3;
};

void PrintTo(const LogRow& row, std::ostream* out) { *out << row.name; }

// The header line and the text after it; the header's date masked.
std::pair<std::string, std::string> SplitHeader(const std::string& log) {
    const size_t end = log.find("\r\n");
    if (end == std::string::npos) return {log, ""};
    static const std::regex date("date=\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]");
    return {std::regex_replace(log.substr(0, end), date, "date=[*]"), log.substr(end + 2)};
}

std::string Header(const LogRow& row) {
    const char* source = row.rollback ? "rollback" : row.remote ? "remote" : "USB";
    return std::string("=== Upgrade boot: date=[*], source=[") + source + "], package=[" +
           (row.remote ? "OV3_UPGRADE_2024.BIN" : "OV3_UPGRADE_7.BIN") + "] ===";
}

// The line the log files add after a failed attempt's own.
std::string Result(const LogRow& row) {
    return row.brokenImages ? "=== Upgrade result: code=[Err40] ===\r\n" : "";
}

class UpgradeLog : public ::testing::TestWithParam<LogRow> {};

TEST_P(UpgradeLog, KeepsTheBootsLines) {
    const LogRow& row = GetParam();
    Scratch scratch;
    const scenario::UpgradeContent content = scenario::StandardUpgrade();
    scenario::BuiltPackage package = scenario::BuildUpgradePackage(content, scratch);
    if (row.brokenImages) {
        package.bytes = package_testing::BuildPackage(
            {.exe = package.exeSection, .images = "not a zip archive", .fonts = package.fontsSection});
    }
    if (row.folderEntriesWithData > 0) {
        std::vector<unzip_testing::MinizipEntry> entries;
        for (int i = 0; i < row.folderEntriesWithData; ++i) {
            entries.push_back({.name = "folder" + std::to_string(i) + "/", .data = "ignored", .externalAttributes = 0x10});
        }
        ASSERT_TRUE(unzip_testing::MakeMinizipZip(scratch.Path("images.zip"), entries));
        package.bytes = package_testing::BuildPackage({.exe = package.exeSection,
                                                       .images = testing_support::ReadHostFile(scratch.Path("images.zip")),
                                                       .fonts = package.fontsSection});
    }
    TempDevice device;
    if (row.rollback) {
        scenario::MakeTrialDevice(device, package, row.remote, scratch);
    } else {
        scenario::MakeUpgradeDevice(device, package, row.remote);
    }
    // What earlier boots logged; this boot's lines follow it.
    const std::string before = device.Exists(kDeviceLog) ? device.ReadFile(kDeviceLog) : "";
    device.MakeFolder(L"\\Hard Disk");
    if (!row.requested) std::filesystem::remove(device.Host(scenario::UpgradeFlag(row.remote)));
    if (row.fullLog) {
        device.WriteFile(kDeviceLog, kFullLog);
        device.WriteFile(kOlderLog, "older\r\n");
    }
    if (row.fullUsbLog) device.WriteFile(kUsbLog, kFullLog);
    if (row.readOnlyUsbLog) {
        device.WriteFile(kUsbLog, "earlier\r\n");
        device.SetReadOnly(kUsbLog, true);
    }
    std::vector<std::string> options = {"--time-scale", "100"};
    options.insert(options.end(), row.fail.begin(), row.fail.end());
    const auto run = scenario::RunRuvexa(device.Root(), options, scratch);
    ASSERT_EQ(run.status, row.status) << run.err;
    if (row.status == 3 && !row.rollback && row.folderEntriesWithData == 0) {
        EXPECT_EQ(scenario::WhyNotUpgraded(device, run, content, row.remote, true, 3), "");
    }

    if (!row.requested) {
        EXPECT_FALSE(device.Exists(kDeviceLog));
        EXPECT_FALSE(device.Exists(kUsbLog));
        return;
    }
    if (!row.fail.empty()) {
        EXPECT_EQ(device.ReadFile(kDeviceLog), "");
    } else if (row.folderEntriesWithData > 0) {
        // The lines up to the first that did not fit, then the line that
        // says the rest were left out; never more than the room there is.
        const auto [header, lines] = SplitHeader(device.ReadFile(kDeviceLog));
        EXPECT_EQ(header, Header(row));
        ASSERT_GE(lines.size(), kLeftOut.size());
        const std::string kept = lines.substr(0, lines.size() - kLeftOut.size());
        EXPECT_EQ(lines.substr(kept.size()), kLeftOut);
        EXPECT_EQ(run.log.rfind(kept, 0), 0u);
        EXPECT_EQ(run.log.substr(kept.size(), 14), "UnzipFile(): D");
        EXPECT_GT(kept.size(), 60 * 1024u);
        EXPECT_LE(lines.size(), 64 * 1024u);
    } else {
        const std::string after = device.ReadFile(kDeviceLog);
        ASSERT_EQ(after.rfind(row.fullLog ? "" : before, 0), 0u);
        EXPECT_EQ(SplitHeader(after.substr(row.fullLog ? 0 : before.size())),
                  std::make_pair(Header(row), run.log + Result(row)));
    }
    if (row.fullLog) {
        EXPECT_EQ(device.ReadFile(kOlderLog), kFullLog);
        EXPECT_FALSE(device.Exists(kOlderLog + L".1"));
    }
    if (row.remote || row.rollback) {
        EXPECT_EQ(device.Exists(kUsbLog), row.rollback && !row.remote);
    } else if (row.readOnlyUsbLog) {
        EXPECT_EQ(device.ReadFile(kUsbLog), "earlier\r\n");
    } else {
        if (row.fullUsbLog) {
            EXPECT_EQ(device.ReadFile(kOlderUsbLog), kFullLog);
            EXPECT_FALSE(device.Exists(kOlderUsbLog + L".1"));
        }
        // The attempt's lines: all of them but the reset's.
        const auto [header, lines] = SplitHeader(device.ReadFile(kUsbLog));
        EXPECT_EQ(header, Header(row));
        if (row.brokenImages) {
            EXPECT_EQ(lines, run.log + Result(row));
        } else {
            EXPECT_EQ(run.log.rfind(lines, 0), 0u) << lines;
            EXPECT_NE(lines.find("=== Upgrade Complete ==="), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UpgradeLog,
    ::testing::Values(LogRow{.name = "RemoteUpgrade", .remote = true},
                      LogRow{.name = "UsbUpgrade", .remote = false},
                      LogRow{.name = "UsbBrokenImages", .remote = false, .brokenImages = true, .status = 6},
                      LogRow{.name = "NoRequest", .remote = true, .requested = false, .status = 0},
                      LogRow{.name = "RotatesPastItsLimit", .remote = true, .fullLog = true},
                      LogRow{.name = "FullFlash", .remote = true, .fail = {"--fail", "WriteFile:112:1"}},
                      LogRow{.name = "RollbackBoot", .remote = false, .rollback = true},
                      LogRow{.name = "RemoteRollbackBoot", .remote = true, .rollback = true},
                      LogRow{.name = "UsbLogRotatesPastItsLimit", .remote = false, .fullUsbLog = true},
                      LogRow{.name = "LinesPastTheRoomLeftOutWhole", .remote = true, .folderEntriesWithData = 900},
                      LogRow{.name = "WriteProtectedUsbDisk", .remote = false, .brokenImages = true,
                             .readOnlyUsbLog = true, .status = 6}),
    [](const auto& info) { return info.param.name; });

}  // namespace
