// Upgrade packages built by build/ruvexa-pack for the scenario runs.
#include "upgrade_package.h"

#include <cstdint>
#include <cstdio>
#include <regex>
#include <stdexcept>

#include "ruvexa_host.h"
#include "signing_support.h"
#include "test_bytes.h"

namespace scenario {

using testing_support::LittleEndianAt;
using testing_support::RandomBytes;

const std::wstring kDownload = L"\\Storage Card\\OV3_Download\\";
const std::wstring kRemotePackage = kDownload + L"OV3_UPGRADE_2024.BIN";
const std::wstring kUsbPackage = L"\\Hard Disk\\OV3_UPGRADE_7.BIN";
const std::wstring kMerrow = L"\\NandFlash\\Merrow\\";
const std::wstring kStartUpFolder = L"\\NandFlash\\StartUp\\Merrow";
const wchar_t* const kSectionFiles[3] = {L"AppExecute.ex", L"AppImages.zi", L"AppFonts.zi"};

std::wstring UpgradeFlag(bool remote) {
    return remote ? L"\\NandFlash\\RemoteUpgrade.flag" : L"\\NandFlash\\Upgrade.flag";
}

std::wstring PackagePath(bool remote) { return remote ? kRemotePackage : kUsbPackage; }

std::wstring SectionFolder(bool remote) { return remote ? kDownload : L"\\Hard Disk\\"; }

testing_support::Tree OldVersion() {
    return {{"Orvane3.exe", "#!/bin/sh\ntouch old_orvane3.ran\n"},
            {"Images", testing_support::kFolderMark},
            {"Images/Old.bmp", "BM old image"},
            {"Font", testing_support::kFolderMark},
            {"Font/Old.ttf", "old font"}};
}

std::string TrialMarker(const BuiltPackage& package, bool remote, const std::string& items) {
    char checksum[9];
    snprintf(checksum, sizeof(checksum), "%08X", LittleEndianAt(package.bytes, package.bytes.size() - 4));
    return std::string("checksum=") + checksum +
           "\r\npackage=" + (remote ? "OV3_UPGRADE_2024.BIN" : "OV3_UPGRADE_7.BIN") + "\r\n" + items;
}

void MakeUpgradeDevice(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote) {
    for (const auto& [key, bytes] : OldVersion()) {
        std::wstring path = kMerrow + host::Utf8ToWide(key);
        for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
        if (bytes != testing_support::kFolderMark) device.WriteFile(path, bytes);
    }
    device.WriteFile(kStartUpFolder + L"\\Old.lnk", "old shortcut");
    device.MakeFolder(L"\\Windows");
    RequestUpgrade(device, package, remote);
}

void RequestUpgrade(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote) {
    device.WriteFile(UpgradeFlag(remote), "");
    device.WriteFile(PackagePath(remote), package.bytes);
}

namespace {

// The files and, for a name with "/", the folders that hold it.
testing_support::Tree FolderTree(const NamedFiles& files) {
    testing_support::Tree tree;
    for (const auto& [name, bytes] : files) {
        tree[name] = bytes;
        for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
            tree[name.substr(0, slash)] = testing_support::kFolderMark;
        }
    }
    return tree;
}

}  // namespace

std::string WhyNotUpgraded(const testing_support::TempDevice& device, const RuvexaRun& run,
                           const UpgradeContent& content, bool remote, bool requestCleared, int endStatus) {
    std::string why;
    if (run.status != endStatus) why += "the last boot ended with " + std::to_string(run.status) + "\n";
    if (requestCleared && device.Exists(UpgradeFlag(remote))) why += "the request's flag is still there\n";
    if (!device.Exists(kMerrow + L"Orvane3.exe") || device.ReadFile(kMerrow + L"Orvane3.exe") != content.exe) {
        why += "the installed program is not the new one\n";
    }
    for (const auto& [folder, files] : {std::pair{L"Images", &content.images}, std::pair{L"Font", &content.fonts}}) {
        if (!device.Exists(kMerrow + folder)) {
            why += "no installed folder " + host::WideToUtf8(folder) + "\n";
        } else {
            why += testing_support::TreeDifference(testing_support::SnapshotOf(device.Host(kMerrow + folder)),
                                                   FolderTree(*files));
        }
    }
    for (const wchar_t* temporary : {L"Images_", L"Font_", L"Orvane3.exe_"}) {
        if (device.Exists(kMerrow + temporary)) why += "temporary folder left: " + host::WideToUtf8(temporary) + "\n";
    }
    for (const wchar_t* section : kSectionFiles) {
        if (requestCleared && device.Exists(SectionFolder(remote) + section)) {
            why += "section file left: " + host::WideToUtf8(section) + "\n";
        }
    }
    if (why.empty() && endStatus == 0 && !AppearsSoon(device, kMerrow + L"new_orvane3.ran")) {
        why += "the new application did not run\n";
    }
    return why;
}

UpgradeContent StandardUpgrade() {
    return UpgradeContent{
        "#!/bin/sh\ntouch new_orvane3.ran\n",
        {{"Start.bmp", "BM" + RandomBytes(3000, 1)}, {"Menu.bmp", "BM" + RandomBytes(1200, 2)}},
        {{"Main.ttf", RandomBytes(2500, 3)}},
    };
}

UpgradeContent LargeUpgrade(int images) {
    UpgradeContent content = StandardUpgrade();
    for (int i = 0; i < images; ++i) {
        content.images.push_back({"Large" + std::to_string(i) + ".bmp", RandomBytes(40000, 100 + i)});
    }
    return content;
}

namespace {

// A package written by ruvexa-pack, with its sections cut out by the sizes
// in its tail.
BuiltPackage ReadBuiltPackage(const std::string& path) {
    BuiltPackage package;
    package.bytes = ReadHostFile(path);
    const std::string& bytes = package.bytes;
    if (bytes.size() < 24) throw std::runtime_error("package too short");
    size_t tail = bytes.size() - 16;
    uint32_t exeSize = LittleEndianAt(bytes, tail);
    uint32_t imagesSize = LittleEndianAt(bytes, tail + 4);
    uint32_t fontsSize = LittleEndianAt(bytes, tail + 8);
    if (8ull + exeSize + imagesSize + fontsSize != tail) throw std::runtime_error("package sizes do not add up");
    package.exeSection = bytes.substr(8, exeSize);
    package.imagesSection = bytes.substr(8 + exeSize, imagesSize);
    package.fontsSection = bytes.substr(8 + exeSize + imagesSize, fontsSize);
    return package;
}

void Pack(const std::vector<std::string>& arguments, const Scratch& scratch) {
    if (RunPack(arguments, scratch) != 0) {
        throw std::runtime_error("ruvexa-pack " + arguments[0] + " failed: " + ReadHostFile(scratch.Path("pack.err")));
    }
}

}  // namespace

BuiltPackage BuildUpgradePackage(const UpgradeContent& content, const Scratch& scratch, const std::string& name) {
    const std::string folder = scratch.Path(name + "/");
    WriteHostFile(folder + "Orvane3.exe", content.exe);
    for (const auto& [file, bytes] : content.images) WriteHostFile(folder + "images/" + file, bytes);
    for (const auto& [file, bytes] : content.fonts) WriteHostFile(folder + "fonts/" + file, bytes);
    // A scratch folder's package is built again for each content.
    Pack({"build", "--force", "--exe", folder + "Orvane3.exe", "--images", folder + "images", "--fonts",
          folder + "fonts", "-o", folder + "package.bin"},
         scratch);
    return ReadBuiltPackage(folder + "package.bin");
}

UpgradeContent DeltaBase() {
    return UpgradeContent{
        "#!/bin/sh\ntouch old_orvane3.ran\nexit 0\n" + RandomBytes(40000, 4),
        {{"Start.bmp", "BM" + RandomBytes(3000, 5)},
         {"Menu.bmp", "BM" + RandomBytes(1200, 6)},
         {"Icons/Ok.bmp", "BM" + RandomBytes(500, 7)},
         {"Icons/Cancel.bmp", "BM" + RandomBytes(700, 8)}},
        {{"Main.ttf", RandomBytes(2500, 9)}, {"Small.ttf", RandomBytes(900, 10)}},
    };
}

UpgradeContent DeltaTarget(const UpgradeContent& base, bool wholeExe) {
    UpgradeContent target = base;
    target.exe = "#!/bin/sh\ntouch new_orvane3.ran\nexit 0\n" +
                 (wholeExe ? RandomBytes(40000, 11) : base.exe.substr(base.exe.find("exit 0\n") + 7));
    if (!wholeExe) target.exe.replace(20000, 4, "CODE");
    target.images[1].second = "BM" + RandomBytes(1300, 12);
    target.images.push_back({"Icons/Help.bmp", "BM" + RandomBytes(600, 13)});
    target.fonts[0].second = RandomBytes(2600, 14);
    return target;
}

BuiltPackage BuildDeltaPackage(const UpgradeContent& from, const UpgradeContent& to, const Scratch& scratch,
                               const std::string& key) {
    BuildUpgradePackage(from, scratch, "from");
    BuildUpgradePackage(to, scratch, "to");
    std::vector<std::string> arguments = {"delta", "--force", "--from", scratch.Path("from/package.bin"), "--to",
                                          scratch.Path("to/package.bin"), "-o", scratch.Path("delta.bin")};
    if (!key.empty()) arguments.insert(arguments.end(), {"--sign", key, "--security-version", "3"});
    Pack(arguments, scratch);
    return ReadBuiltPackage(scratch.Path("delta.bin"));
}

testing_support::Tree VersionTree(const UpgradeContent& content) {
    testing_support::Tree tree = {{"Orvane3.exe", content.exe}};
    for (const auto& [folder, files] : {std::pair{"Images", &content.images}, std::pair{"Font", &content.fonts}}) {
        tree[folder] = testing_support::kFolderMark;
        for (const auto& [key, bytes] : FolderTree(*files)) tree[std::string(folder) + "/" + key] = bytes;
    }
    return tree;
}

void InstallVersion(const testing_support::TempDevice& device, const UpgradeContent& content) {
    device.WriteFile(kMerrow + L"Orvane3.exe", content.exe);
    for (const auto& [folder, files] : {std::pair{L"Images\\", &content.images}, std::pair{L"Font\\", &content.fonts}}) {
        for (const auto& [name, bytes] : *files) {
            std::wstring path = kMerrow + folder + host::Utf8ToWide(name);
            for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
            device.WriteFile(path, bytes);
        }
    }
    device.WriteFile(kStartUpFolder + L"\\Old.lnk", "old shortcut");
    device.MakeFolder(L"\\Windows");
}

const std::wstring kPreviousFolder = L"\\NandFlash\\Merrow\\Previous";

testing_support::Tree InstalledVersion(const testing_support::TempDevice& device) {
    testing_support::Tree tree;
    for (const auto& [key, bytes] : testing_support::SnapshotOf(device.Host(kMerrow))) {
        if (key == "Orvane3.exe" || key.starts_with("Images") || key.starts_with("Font")) tree[key] = bytes;
    }
    return tree;
}

std::string WhyPreviousNotKept(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote,
                               const testing_support::Tree& oldVersion) {
    std::string why;
    if (!device.Exists(kPreviousFolder)) return "no Previous folder\n";
    why += testing_support::TreeDifference(testing_support::SnapshotOf(device.Host(kPreviousFolder)), oldVersion);
    if (!device.Exists(kMerrow + L"Trial.flag")) {
        why += "no Trial.flag\n";
    } else if (device.ReadFile(kMerrow + L"Trial.flag") != TrialMarker(package, remote)) {
        why += "Trial.flag holds " + device.ReadFile(kMerrow + L"Trial.flag") + "\n";
    }
    if (device.Exists(kMerrow + L"Previous.mark")) why += "Previous.mark left\n";
    return why;
}

void MakeTrialDevice(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote,
                     const Scratch& scratch) {
    MakeUpgradeDevice(device, package, remote);
    device.WriteFile(kMerrow + L"Rollback.cfg", "starts=1\n");
    RuvexaRun upgrade = RunRuvexa(device.Root(), {"--time-scale", "100", "--boots", "2"}, scratch);
    if (upgrade.status != 0 || !device.Exists(kMerrow + L"Trial.1")) {
        throw std::runtime_error("the trial device did not come out of its upgrade: " + upgrade.err);
    }
}

std::string WhyNotRolledBack(const testing_support::TempDevice& device, const RuvexaRun& run,
                             const BuiltPackage& package) {
    std::string why;
    if (run.status != 0) why += "the last boot ended with " + std::to_string(run.status) + "\n";
    why += testing_support::TreeDifference(InstalledVersion(device), OldVersion());
    for (const wchar_t* left : {L"Previous", L"Trial.flag", L"Trial.1", L"Previous.mark", L"Images_", L"Font_"}) {
        if (device.Exists(kMerrow + left)) why += "left: " + host::WideToUtf8(left) + "\n";
    }
    const std::string checksum = TrialMarker(package, true).substr(0, 17);
    const std::string rejected =
        device.Exists(kMerrow + L"Rejected.txt") ? device.ReadFile(kMerrow + L"Rejected.txt") : "";
    const size_t first = rejected.find(checksum);
    if (first == std::string::npos || rejected.find(checksum, first + 1) != std::string::npos) {
        why += "Rejected.txt does not name the package once: " + rejected + "\n";
    }
    if (why.empty() && !AppearsSoon(device, kMerrow + L"old_orvane3.ran")) why += "the old application did not run\n";
    return why;
}

std::string WhyNotRefused(const testing_support::TempDevice& device, const RuvexaRun& run, bool remote,
                          bool packageMayStay) {
    std::string why;
    if (run.status != 0) why += "the last boot ended with " + std::to_string(run.status) + "\n";
    if (run.LogHas("=== Extraction Complete ===")) why += "the package was extracted\n";
    if (device.Exists(UpgradeFlag(remote))) why += "the request's flag is still there\n";
    const bool packageStays = device.Exists(PackagePath(remote));
    if (packageStays == remote && !(remote && packageMayStay)) why += "a downloaded package stayed or a USB one went\n";
    if (remote && !packageMayStay && device.Exists(PackagePath(remote) + L".SIG")) {
        why += "the downloaded signature stayed\n";
    }
    if (!device.Exists(kStartUpFolder)) why += "the start-up folder was removed\n";
    for (const wchar_t* section : kSectionFiles) {
        if (device.Exists(SectionFolder(remote) + section)) {
            why += "section file written: " + host::WideToUtf8(section) + "\n";
        }
    }
    if (why.empty() && !AppearsSoon(device, kMerrow + L"old_orvane3.ran")) why += "the old application did not run\n";
    return why;
}

void MakeKeyed(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote,
               uint32_t securityVersion, uint32_t floor) {
    const package_testing::TestKey key = package_testing::MakeKey(7);
    device.WriteFile(kMerrow + L"Upgrade.pub", package_testing::PublicKeyFile(key));
    device.WriteFile(PackagePath(remote) + L".SIG",
                     package_testing::VersionedSignatureFile(key, package.bytes, securityVersion));
    device.WriteFile(kMerrow + L"Floor.A", "sequence=1\r\nfloor=" + std::to_string(floor) + "\r\n");
}

void MakeRotating(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote) {
    const package_testing::TestKey key = package_testing::MakeKey(7);
    device.WriteFile(kMerrow + L"Upgrade.pub", package_testing::PublicKeyFile(key));
    device.WriteFile(PackagePath(remote) + L".SIG",
                     package_testing::SignedContentFile(key, package.bytes, 0, {package_testing::MakeKey(9)}, {}));
}

std::string OldKeyFile() { return package_testing::PublicKeyFile(package_testing::MakeKey(7)); }
std::string NextKeyFile() { return package_testing::PublicKeyFile(package_testing::MakeKey(9)); }

std::string KeysInForce(const testing_support::TempDevice& device) {
    for (const wchar_t* name : {L"Upgrade.pub", L"Upgrade.next"}) {
        if (device.Exists(kMerrow + name)) return device.ReadFile(kMerrow + name);
    }
    return "";
}

std::string WhyNotTrusting(const testing_support::TempDevice& device, const std::string& keyFile) {
    std::string why;
    if (!device.Exists(kMerrow + L"Upgrade.pub") || device.ReadFile(kMerrow + L"Upgrade.pub") != keyFile) {
        why += "Upgrade.pub does not hold the expected keys\n";
    }
    if (device.Exists(kMerrow + L"Upgrade.next")) why += "Upgrade.next is left\n";
    return why;
}

long SecurityFloorOf(const testing_support::TempDevice& device) {
    static const std::regex record("sequence=([0-9]+)\r\nfloor=([0-9]+)\r\n");
    long floor = -1;
    unsigned long highest = 0;
    for (const wchar_t* name : {L"Floor.A", L"Floor.B"}) {
        std::smatch match;
        const std::string text = device.Exists(kMerrow + name) ? device.ReadFile(kMerrow + name) : "";
        if (!std::regex_match(text, match, record) || std::stoul(match[1]) <= highest) continue;
        highest = std::stoul(match[1]);
        floor = std::stol(match[2]);
    }
    return floor;
}

testing_support::Tree WithoutUpgradeLogs(testing_support::Tree tree) {
    std::erase_if(tree, [](const auto& entry) {
        const std::string name = entry.first.substr(entry.first.rfind('/') + 1);
        return name == "Upgrade.log" || name == "Upgrade.log.1";
    });
    return tree;
}

}  // namespace scenario
