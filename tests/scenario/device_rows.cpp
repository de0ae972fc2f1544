// Laying down a row's device and judging it after each boot.
#include "device_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "archive_support.h"
#include "package_builder.h"
#include "ruvexa_host.h"
#include "signing_support.h"
#include "test_bytes.h"

namespace scenario {

namespace fs = std::filesystem;
using testing_support::Tree;

const std::wstring kTrialFlag = L"\\NandFlash\\Merrow\\Trial.flag";
const std::wstring kRollbackSetting = L"\\NandFlash\\Merrow\\Rollback.cfg";
const std::wstring kDeviceUpgradeLog = L"\\NandFlash\\Merrow\\Upgrade.log";
const std::wstring kUsbUpgradeLog = L"\\Hard Disk\\Upgrade.log";
const char* const kTrialOfPackage = "checksum={checksum}\r\npackage={package}\r\nexe=1\r\nimages=1\r\nfont=1\r\n";
const std::string kFullUpgradeLog(64 * 1024, 'x');

std::wstring TrialRecord(int number) { return kMerrow + L"Trial." + std::to_wstring(number); }

void PrintTo(const DeviceRow& row, std::ostream* out) { *out << row.name; }

std::string Repeated(const std::string& text, int count) {
    std::string repeated;
    for (int i = 0; i < count; ++i) repeated += text;
    return repeated;
}

namespace {

std::string Utf8(const std::wstring& path) { return host::WideToUtf8(path); }

void Replace(std::string* text, const std::string& placeholder, const std::string& value) {
    for (size_t at; (at = text->find(placeholder)) != std::string::npos;) text->replace(at, placeholder.size(), value);
}

void WriteTree(const testing_support::TempDevice& device, const std::wstring& folder, const Tree& tree) {
    for (const auto& [key, bytes] : tree) {
        std::wstring path = folder + host::Utf8ToWide(key);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        if (bytes == testing_support::kFolderMark) {
            device.MakeFolder(path);
        } else {
            device.WriteFile(path, bytes);
        }
    }
}

UpgradeContent ContentOf(const PackageRecipe& recipe) {
    if (recipe.kind != PackageKind::kFull) {
        return DeltaTarget(DeltaBase(), recipe.kind == PackageKind::kDeltaWholeExe);
    }
    UpgradeContent content = StandardUpgrade();
    if (recipe.exe) content.exe = *recipe.exe;
    if (recipe.images) content.images = *recipe.images;
    return content;
}

// The header line of an upgrade log and the text after it; the date masked.
std::pair<std::string, std::string> SplitHeader(const std::string& log) {
    const size_t end = log.find("\r\n");
    if (end == std::string::npos) return {log, ""};
    static const std::regex date("date=\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]");
    return {std::regex_replace(log.substr(0, end), date, "date=[*]"), log.substr(end + 2)};
}

// A log rotated past its limit: the full one is the older file, and only one.
std::string WhyNotRotated(const testing_support::TempDevice& device, const std::wstring& log) {
    std::string why;
    if (!device.Exists(log + L".1") || device.ReadFile(log + L".1") != kFullUpgradeLog) {
        why += Utf8(log) + ".1 is not the full log\n";
    }
    if (device.Exists(log + L".1.1")) why += Utf8(log) + ".1.1 exists\n";
    return why;
}

int TrialRecords(const testing_support::TempDevice& device) {
    int count = 0;
    while (device.Exists(TrialRecord(count + 1))) ++count;
    return count;
}

}  // namespace

RowRun::RowRun(const DeviceRow& row, const testing_support::TempDevice& device, const Scratch& scratch)
    : row_(row), device_(device), scratch_(scratch) {}

std::string RowRun::Fill(std::string text) const {
    char checksum[9];
    snprintf(checksum, sizeof(checksum), "%08X",
             testing_support::LittleEndianAt(package_.bytes, package_.bytes.size() - 4));
    Replace(&text, "{checksum}", checksum);
    Replace(&text, "{package}", Remote() ? "OV3_UPGRADE_2024.BIN" : "OV3_UPGRADE_7.BIN");
    Replace(&text, "{need}", std::to_string(need_));
    Replace(&text, "{free}", std::to_string(free_));
    return text;
}

void RowRun::BuildPackage(const PackageRecipe& recipe) {
    content_ = ContentOf(recipe);
    ++packages_;
    if (recipe.kind != PackageKind::kFull) {
        std::string key;
        if (recipe.signedByTheMaker) {
            if (RunPack({"keygen", scratch_.Path("maker")}, scratch_) != 0) ADD_FAILURE() << "keygen failed";
            key = scratch_.Path("maker.key");
        }
        package_ = BuildDeltaPackage(DeltaBase(), content_, scratch_, key);
        EXPECT_EQ(package_.bytes.substr(0, 4), "3-VD") << "a launcher that knows only \"3-VO\" refuses it (Err04)";
        EXPECT_EQ(package_.exeSection.substr(0, 4) == "RVDP", recipe.kind == PackageKind::kDelta);
        return;
    }
    package_ = BuildUpgradePackage(content_, scratch_, "content" + std::to_string(packages_));
    if (recipe.brokenImages) package_.imagesSection = "not a zip archive";
    if (recipe.folderEntriesWithData > 0) {
        std::vector<unzip_testing::MinizipEntry> entries;
        for (int i = 0; i < recipe.folderEntriesWithData; ++i) {
            entries.push_back(
                {.name = "folder" + std::to_string(i) + "/", .data = "ignored", .externalAttributes = 0x10});
        }
        if (!unzip_testing::MakeMinizipZip(scratch_.Path("images.zip"), entries)) ADD_FAILURE() << "no images.zip";
        package_.imagesSection = ReadHostFile(scratch_.Path("images.zip"));
    }
    if (recipe.brokenImages || recipe.folderEntriesWithData > 0) {
        package_.bytes = package_testing::BuildPackage(
            {.exe = package_.exeSection, .images = package_.imagesSection, .fonts = package_.fontsSection});
    }
}

void RowRun::LayDown() {
    const DeviceState& state = row_.device;
    BuildPackage(row_.package);
    const bool requested = state.request != Request::kNone;
    switch (state.installed) {
        case Installed::kOldVersion:
            MakeUpgradeDevice(device_, package_, Remote());
            break;
        case Installed::kDeltaBase:
            InstallVersion(device_, DeltaBase());
            break;
        case Installed::kScript:
            device_.WriteFile(kMerrow + L"Orvane3.exe", "#!/bin/sh\ntouch started\n");
            device_.MakeFolder(L"\\Windows");
            break;
        case Installed::kOnTrial:
            InstallVersion(device_, content_);
            WriteTree(device_, kPreviousFolder + L"\\", OldVersion());
            break;
        case Installed::kTrialBoots:
            MakeTrialDevice(device_, package_, Remote(), scratch_);
            break;
    }
    logBefore_ = device_.Exists(kDeviceUpgradeLog) ? device_.ReadFile(kDeviceUpgradeLog) : "";
    for (const auto& [path, bytes] : state.files) device_.WriteFile(path, Fill(bytes));
    for (const auto& folder : state.folders) device_.MakeFolder(folder);
    for (const auto& path : state.removed) fs::remove_all(device_.Host(path));

    const std::wstring signature = PackagePath(Remote()) + L".SIG";
    const package_testing::TestKey key = package_testing::MakeKey(kTestKeySeed);
    const Signing& signing = state.signing;
    std::vector<package_testing::TestKey> alsoTrusted, nextKeys;
    for (unsigned char seed : signing.alsoTrusted) alsoTrusted.push_back(package_testing::MakeKey(seed));
    for (unsigned char seed : signing.nextKeys) nextKeys.push_back(package_testing::MakeKey(seed));
    if (signing.key) {
        device_.WriteFile(kMerrow + L"Upgrade.pub", signing.signature == Signature::kByTheMaker
                                                        ? ReadHostFile(scratch_.Path("maker.pub"))
                                                        : package_testing::PublicKeyFile(key) +
                                                              package_testing::TrustedKeyFile(alsoTrusted));
    }
    if (signing.signature == Signature::kWithContent) {
        device_.WriteFile(signature, package_testing::SignedContentFile(key, package_.bytes, signing.version, nextKeys,
                                                                        signing.models));
    }
    if (signing.signature == Signature::kVersioned) {
        device_.WriteFile(signature, package_testing::VersionedSignatureFile(key, package_.bytes, signing.version));
    } else if (signing.signature == Signature::kFirstFormat) {
        device_.WriteFile(signature, package_testing::SignatureFile(key, package_.bytes));
    } else if (signing.signature == Signature::kByTheMaker) {
        device_.WriteFile(signature, ReadHostFile(scratch_.Path("delta.bin.SIG")));
    }
    if (requested && state.installed != Installed::kOldVersion && state.installed != Installed::kTrialBoots) {
        RequestUpgrade(device_, package_, Remote());
    }
    for (const auto& path : state.readOnly) device_.SetReadOnly(path, true);
    usbLogBefore_ = device_.Exists(kUsbUpgradeLog) ? device_.ReadFile(kUsbUpgradeLog) : "";
    laidDown_ = WithoutUpgradeLogs(testing_support::SnapshotOf(device_.Host(kMerrow)));
}

void RowRun::Prepare(const Boot& boot) {
    for (const auto& path : boot.removeBefore) fs::remove_all(device_.Host(path));
    for (const auto& path : boot.writableBefore) device_.SetReadOnly(path, false);
    if (boot.requestBefore) {
        BuildPackage(*boot.requestBefore);
        RequestUpgrade(device_, package_, Remote());
        if (boot.requestSignedBy) {
            device_.WriteFile(PackagePath(Remote()) + L".SIG",
                              package_testing::VersionedSignatureFile(package_testing::MakeKey(*boot.requestSignedBy),
                                                                      package_.bytes, 0));
        }
    }
}

unsigned long long AllocatedBelow(const std::string& folder) {
    constexpr unsigned long long kUnit = 4096;
    unsigned long long used = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_directory()) {
            used += kUnit;
        } else if (entry.is_regular_file()) {
            used += (entry.file_size() + kUnit - 1) / kUnit * kUnit;
        }
    }
    return used;
}

std::optional<RoomProbe> ProbeRoom(const std::string& deviceRoot, const std::string& volume,
                                   const std::vector<std::string>& options, const Scratch& scratch) {
    const fs::path probe = scratch.Path("probe");
    fs::remove_all(probe);
    fs::copy(deviceRoot, probe, fs::copy_options::recursive);
    const long long capacity = static_cast<long long>(AllocatedBelow((probe / volume).string())) + 4096;
    const std::vector<std::string> nearlyFull = {"--volume-size", volume + "=" + std::to_string(capacity)};
    const RuvexaRun probed = RunRuvexa(probe.string(), testing_support::Concat(options, nearlyFull), scratch);
    fs::remove_all(probe);
    const std::regex refusal("Not enough space, volume=\\[\\\\" + volume +
                             "\\], need=\\[([0-9]+)\\], free=\\[([0-9]+)\\]");
    std::smatch found;
    if (!std::regex_search(probed.log, found, refusal)) {
        ADD_FAILURE() << "the probe was not refused for " << volume << ":\n" << probed.log;
        return std::nullopt;
    }
    return RoomProbe{.need = std::stoll(found[1]), .used = capacity - std::stoll(found[2])};
}

std::vector<std::string> RoomOption(const std::string& volume, const RoomProbe& probe, long long slack) {
    return {"--volume-size", volume + "=" + std::to_string(probe.used + probe.need + slack)};
}

std::vector<std::string> RowRun::OptionsFor(const Boot& boot) {
    std::vector<std::string> options = boot.options;
    if (!boot.room) return options;
    const std::optional<RoomProbe> probe = ProbeRoom(device_.Root(), boot.room->volume, options, scratch_);
    if (!probe) return options;
    need_ = probe->need;
    free_ = probe->need + boot.room->slack;
    return testing_support::Concat(options, RoomOption(boot.room->volume, *probe, boot.room->slack));
}

BootOutcome RowRun::RunProcess(const Boot& boot) {
    return {.run = RunRuvexa(device_.Root(), OptionsFor(boot), scratch_)};
}

void RowRun::LaySections() const {
    const std::string* sections[3] = {&package_.exeSection, &package_.imagesSection, &package_.fontsSection};
    for (int i = 0; i < 3; ++i) device_.WriteFile(SectionFolder(Remote()) + kSectionFiles[i], *sections[i]);
}

std::string RowRun::WhyLogsWrong(const UpgradeLogs& logs, const RuvexaRun& run) const {
    std::string why;
    const std::string header =
        "=== Upgrade boot: date=[*], source=[" + logs.source + "], package=[" + Fill("{package}") + "] ===";
    const auto wrong = [&why](bool failed, const std::string& what) {
        if (failed) why += what + "\n";
    };
    const bool deviceLog = device_.Exists(kDeviceUpgradeLog);
    const std::string after = deviceLog ? device_.ReadFile(kDeviceUpgradeLog) : "";
    switch (logs.device) {
        case DeviceLog::kUnchecked:
            break;
        case DeviceLog::kAbsent:
            wrong(deviceLog, "the device's upgrade log was written");
            break;
        case DeviceLog::kEmpty:
            wrong(!deviceLog || !after.empty(), "the device's upgrade log is not empty");
            break;
        case DeviceLog::kThisBoot: {
            const std::string before = logs.rotated ? "" : logBefore_;
            wrong(after.rfind(before, 0) != 0, "the device's upgrade log lost what earlier boots wrote");
            const auto [thisHeader, lines] = SplitHeader(after.substr(std::min(before.size(), after.size())));
            wrong(thisHeader != header, "the device's upgrade log's header is " + thisHeader);
            wrong(lines != run.log + logs.result, "the device's upgrade log holds other lines:\n" + lines);
            break;
        }
        case DeviceLog::kLeftOut: {
            // The lines up to the first that did not fit, then the line that
            // says the rest were left out; never more than the room there is.
            const std::string leftOut = "=== Upgrade log full: later lines are in the debug output only ===\r\n";
            const auto [thisHeader, lines] = SplitHeader(after);
            wrong(thisHeader != header, "the device's upgrade log's header is " + thisHeader);
            if (lines.size() < leftOut.size()) return why + "the device's upgrade log is too short\n";
            const std::string kept = lines.substr(0, lines.size() - leftOut.size());
            wrong(lines.substr(kept.size()) != leftOut, "no line says the rest were left out");
            wrong(run.log.rfind(kept, 0) != 0, "the kept lines are not the boot's first");
            wrong(run.log.substr(kept.size(), 14) != "UnzipFile(): D", "the lines were not cut at a whole line");
            wrong(kept.size() <= 60 * 1024u || lines.size() > 64 * 1024u, "the kept lines do not fill the room");
            break;
        }
    }
    if (logs.rotated) why += WhyNotRotated(device_, kDeviceUpgradeLog);

    const bool usbLog = device_.Exists(kUsbUpgradeLog);
    const std::string usb = usbLog ? device_.ReadFile(kUsbUpgradeLog) : "";
    const auto [usbHeader, usbLines] = SplitHeader(usb);
    switch (logs.usb) {
        case UsbLog::kUnchecked:
            break;
        case UsbLog::kAbsent:
            wrong(usbLog, "the USB disk's upgrade log was written");
            break;
        case UsbLog::kPresent:
            wrong(!usbLog, "no upgrade log on the USB disk");
            break;
        case UsbLog::kEarlier:
            wrong(usb != usbLogBefore_, "the USB disk's upgrade log changed");
            break;
        case UsbLog::kAttempt:
            // The attempt's lines: all of them but the reset's.
            wrong(usbHeader != header, "the USB disk's upgrade log's header is " + usbHeader);
            wrong(run.log.rfind(usbLines, 0) != 0, "the USB disk's log is not the boot's beginning:\n" + usbLines);
            wrong(usbLines.find("=== Upgrade Complete ===") == std::string::npos, "the USB disk's log lacks the end");
            break;
        case UsbLog::kWholeAttempt:
            wrong(usbHeader != header, "the USB disk's upgrade log's header is " + usbHeader);
            wrong(usbLines != run.log + logs.result, "the USB disk's upgrade log holds other lines:\n" + usbLines);
            break;
    }
    if (logs.usbRotated) why += WhyNotRotated(device_, kUsbUpgradeLog);
    return why;
}

std::string RowRun::WhyNot(const Boot& boot, const BootOutcome& outcome) const {
    const Expect& expect = boot.after;
    const RuvexaRun& run = outcome.run;
    std::string why;
    if (outcome.stepped && outcome.code != host::Utf8ToWide(expect.code)) {
        why += "the step posted [" + Utf8(outcome.code) + "], not [" + expect.code + "]\n";
    }
    if (!outcome.stepped && run.status != boot.status) {
        why += "the boot ended with " + std::to_string(run.status) + ", not " + std::to_string(boot.status) + "\n";
    }
    if (!expect.halted.empty() && run.err.find("device halted: " + expect.halted) == std::string::npos) {
        why += "the device did not halt on " + expect.halted + "\n";
    }
    Lines log;
    for (const auto& line : expect.log) log.push_back(Fill(line));
    const Lines masked = run.MaskedLog();
    std::string missing;
    if (expect.wholeLog ? masked != log : !InOrder(masked, log, &missing)) {
        why += expect.wholeLog ? "the log is not the one expected\n" : "not logged in order: " + missing + "\n";
    }
    if (!expect.upgradeLog.empty()) {
        Lines kept;
        for (const auto& line : expect.upgradeLog) kept.push_back(Fill(line));
        const std::string text = device_.Exists(kDeviceUpgradeLog) ? device_.ReadFile(kDeviceUpgradeLog) : "";
        if (!InOrder(testing_support::MaskedLogLines(text), kept, &missing)) {
            why += "not in the device's upgrade log: " + missing + "\n";
        }
    }
    for (const auto& line : expect.notLogged) {
        if (std::find(masked.begin(), masked.end(), Fill(line)) != masked.end()) why += "logged: " + line + "\n";
    }
    switch (expect.end) {
        case End::kAny:
            break;
        case End::kUpgraded:
            why += WhyNotUpgraded(device_, run, content_, Remote(), true, boot.status);
            break;
        case End::kRefused:
            why += WhyNotRefused(device_, run, Remote());
            break;
        case End::kUntouched:
            why += testing_support::TreeDifference(
                WithoutUpgradeLogs(testing_support::SnapshotOf(device_.Host(kMerrow))), laidDown_);
            if (!device_.Exists(UpgradeFlag(Remote()))) why += "the request went\n";
            if (!device_.Exists(PackagePath(Remote()))) why += "the package went\n";
            break;
    }
    for (const auto& path : expect.exist) {
        if (!device_.Exists(path)) why += "missing: " + Utf8(path) + "\n";
    }
    for (const auto& path : expect.absent) {
        if (device_.Exists(path)) why += "left: " + Utf8(path) + "\n";
    }
    for (const auto& [path, bytes] : expect.holds) {
        if (!device_.Exists(path)) {
            why += "missing: " + Utf8(path) + "\n";
        } else if (device_.ReadFile(path) != Fill(bytes)) {
            why += Utf8(path) + " holds " + device_.ReadFile(path) + "\n";
        }
    }
    for (const auto& [path, bytes] : expect.startsWith) {
        if (!device_.Exists(path) || device_.ReadFile(path).rfind(Fill(bytes), 0) != 0) {
            why += Utf8(path) + " does not begin with " + Fill(bytes) + "\n";
        }
    }
    for (const auto& [folder, tree] : expect.trees) {
        if (!device_.Exists(folder)) {
            why += "no folder " + Utf8(folder) + "\n";
        } else {
            why += testing_support::TreeDifference(testing_support::SnapshotOf(device_.Host(folder)), tree);
        }
    }
    if (expect.installed) why += testing_support::TreeDifference(InstalledVersion(device_), *expect.installed);
    if (expect.floor && SecurityFloorOf(device_) != *expect.floor) {
        why += "the floor is " + std::to_string(SecurityFloorOf(device_)) + "\n";
    }
    if (expect.trialRecords && TrialRecords(device_) != *expect.trialRecords) {
        why += std::to_string(TrialRecords(device_)) + " start records\n";
    }
    for (const auto& marker : expect.appears) {
        if (!AppearsSoon(device_, marker)) why += "never appeared: " + Utf8(marker) + "\n";
    }
    return why + WhyLogsWrong(expect.logs, run);
}

}  // namespace scenario
