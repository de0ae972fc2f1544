// The device's own decisions as rows of data, one shared body for all: an
// upgrade with rollback on keeps the version it replaces; each start of a
// version on trial is counted and a version that used up its starts is
// rolled back; a rolled-back package, and one below the security floor, is
// refused; a delta installs over the version it was made from and nothing
// else; the upgrade log keeps each upgrade boot's lines. A row is the device
// laid down, the package, and its boots, each with the end tree, the code
// and the log lines it must leave. Rows about whole boots run build/ruvexa;
// a row about one worker's step runs that step here on the worker fixture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_rows.h"
#include "install_codes.h"
#include "ruvexa_host.h"
#include "signing_support.h"
#include "worker_fixture.h"
#include "worker_steps.h"

namespace {

using namespace scenario;
using testing_support::Concat;
using testing_support::Tree;

const std::string kOldExe = "#!/bin/sh\ntouch old_orvane3.ran\n";
// Spelt out: the shared kMerrow may not yet be made while these are.
const std::wstring kNewRan = L"\\NandFlash\\Merrow\\new_orvane3.ran";
const std::wstring kPreviousMark = L"\\NandFlash\\Merrow\\Previous.mark";
const std::wstring kRejected = L"\\NandFlash\\Merrow\\Rejected.txt";
const std::wstring kFloorNext = L"\\NandFlash\\Merrow\\Floor.next";
const std::vector<std::string> kBootTwice = {"--time-scale", "100", "--boots", "2"};

// Upgrades with rollback on.
const std::string kKeeping = "UpgradeThreadProc(): keeping previous version=[\\NandFlash\\Merrow\\Previous], at=[*]";
const Lines kKeptEachItem = {
    kKeeping,
    "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Images], at=[*]",
    "UpgradeThreadProc(): switched over to new images, at=[*]",
    "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Font], at=[*]",
    "UpgradeThreadProc(): switched over to new font, at=[*]",
    "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]",
    "UpgradeThreadProc(): switched over to new exe, at=[*]",
    "UpgradeThreadProc(): created trial flag, at=[*]",
    "=== Upgrade Complete ===",
};

// The upgrade boot of a device with rollback on: upgraded, Previous holding
// `previous`, Trial.flag holding `trial`.
Boot KeepingUpgrade(Lines log, Tree previous = OldVersion(), std::string trial = kTrialOfPackage) {
    return {.status = 3,
            .after = {.end = End::kUpgraded,
                      .log = std::move(log),
                      .absent = {kPreviousMark},
                      .holds = {{kTrialFlag, std::move(trial)}},
                      .trees = {{kPreviousFolder, std::move(previous)}}}};
}

Tree WithoutFont() {
    Tree tree = OldVersion();
    tree.erase("Font");
    tree.erase("Font/Old.ttf");
    return tree;
}

// Boots without a request on a device with a program that leaves "started".
const std::string kNoFlag = "CheckUpgrade(): !!! Not found upgrade flag, at=[*]";
const std::string kUnknownTrial = "checksum=00000000\r\npackage=X.BIN\r\n";

DeviceState StartsDevice(const char* setting, bool trial, int recorded) {
    DeviceState state{.installed = Installed::kScript, .request = Request::kNone};
    if (setting) state.files.push_back({kRollbackSetting, setting});
    if (trial) state.files.push_back({kTrialFlag, kUnknownTrial});
    for (int number = 1; number <= recorded; ++number) state.files.push_back({TrialRecord(number), ""});
    return state;
}

Boot StartCounted(Lines log, int records) {
    return {.after = {.log = Concat({kNoFlag}, log),
                      .wholeLog = true,
                      .trialRecords = records,
                      .appears = {kMerrow + L"started"}}};
}

// A boot that starts the new application while it is on trial.
Boot StartOnTrial(int start, int starts) {
    return {.removeBefore = {kNewRan},
            .after = {.log = {"Initialize(): trial start=[" + std::to_string(start) + "] of starts=[" +
                              std::to_string(starts) + "], at=[*]"},
                      .appears = {kNewRan}}};
}

std::vector<Boot> EachBootCountsOneStart() {
    std::vector<Boot> boots;
    for (int boot = 1; boot <= 4; ++boot) boots.push_back({.after = {.trialRecords = boot}});
    return boots;
}

// A new application that declares itself healthy.
const std::string kHealthyExe = "#!/bin/sh\nrm -f Trial.flag\ntouch new_orvane3.ran\n";

const Lines kRolledBack = {
    kNoFlag,
    "Initialize(): !!! Trial failed, starts=[2], at=[*]",
    "RollbackThreadProc(): removed new=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]",
    "RollbackThreadProc(): restored old=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]",
    "RollbackThreadProc(): removed new=[\\NandFlash\\Merrow\\Images], at=[*]",
    "RollbackThreadProc(): restored old=[\\NandFlash\\Merrow\\Images], at=[*]",
    "RollbackThreadProc(): removed new=[\\NandFlash\\Merrow\\Font], at=[*]",
    "RollbackThreadProc(): restored old=[\\NandFlash\\Merrow\\Font], at=[*]",
    "RollbackThreadProc(): recorded rejected package=[\\NandFlash\\Merrow\\Rejected.txt], at=[*]",
    "RollbackThreadProc(): ended trial, at=[*]",
    "=== Rollback Complete ===",
    "",
    "!!! Reset IOCTL_AIP_SYS_RESET, at=[*]",
};

// Refusals: the package's stored checksum in Rejected.txt, or its security
// version below the floor.
const std::string kEarlierRejected = "checksum=0BADF00D package=OV3_UPGRADE_1.BIN tick=7\r\n";
const std::string kRemovedRequest = "EndRefusal(): removed upgrade request, at=[*]";

DeviceState RejectedDevice(Request request, int earlier, bool rejected) {
    return {.request = request,
            .files = {{kRejected, Repeated(kEarlierRejected, earlier) +
                                      (rejected ? "checksum={checksum} package=X tick=9\r\n" : "")}}};
}

Boot RefusedAsRolledBack(const std::string& package) {
    return {.after = {.end = End::kRefused,
                      .log = {"StartExtraction(): !!! Rolled back=[" + package + "], checksum=[{checksum}], at=[*]",
                              kRemovedRequest}}};
}

std::string FloorRecord(int floor) { return "sequence=1\r\nfloor=" + std::to_string(floor) + "\r\n"; }

DeviceState KeyedDevice(Request request, Signature signature, uint32_t version, int floor, bool key = true) {
    return {.request = request,
            .files = {{kMerrow + L"Floor.A", FloorRecord(floor)}},
            .signing = {.key = key, .signature = signature, .version = version}};
}

Boot FloorBoot(Expect after, int status = 0) { return {.options = kBootTwice, .status = status, .after = after}; }

Boot InstalledAtFloor(long floor) { return FloorBoot({.end = End::kUpgraded, .floor = floor}); }

Boot RefusedBelowFloor(int version, long floor) {
    return FloorBoot({.end = End::kRefused,
                      .log = {"StartExtraction(): !!! Package older than installed, security version=[" +
                                  std::to_string(version) + "], floor=[" + std::to_string(floor) + "], at=[*]",
                              kRemovedRequest},
                      .holds = {{kMerrow + L"Orvane3.exe", kOldExe}},
                      .floor = floor});
}

// With rollback on the floor waits in Floor.next for the word of health.
const std::string kRaised = "Initialize(): trial over, raised security floor=[6], at=[*]";
const std::string kRollbackComplete = "=== Rollback Complete ===";

std::vector<Boot> FloorTrial(bool healthy) {
    const Boot upgrade = FloorBoot({.end = End::kUpgraded, .holds = {{kFloorNext, "floor=6\r\n"}}, .floor = 2});
    Boot next = FloorBoot({.log = {healthy ? kRaised : kRollbackComplete},
                           .notLogged = {healthy ? kRollbackComplete : kRaised},
                           .absent = {kFloorNext},
                           .floor = healthy ? 6 : 2});
    if (healthy) next.removeBefore = {kTrialFlag};
    return {upgrade, next};
}

DeviceState FloorTrialDevice(const char* setting) {
    DeviceState state = KeyedDevice(Request::kRemote, Signature::kVersioned, 6, 2);
    state.files.push_back({kRollbackSetting, setting});
    return state;
}

// Key rotation: the test key signs the package and names the key of
// kNextKeySeed as the one trusted after it.
constexpr unsigned char kNextKeySeed = 9;
// Literal: a path built from another file's constant may be built before it.
const std::wstring kTrustedKeys = L"\\NandFlash\\Merrow\\Upgrade.pub";
const std::wstring kNextKeys = L"\\NandFlash\\Merrow\\Upgrade.next";
const std::wstring kPreviousKeys = L"\\NandFlash\\Merrow\\Previous\\Upgrade.pub";
const std::string kRotated = "UpgradeThreadProc(): rotated trusted keys, keys=[1], at=[*]";

std::string KeyFileOf(unsigned char seed) { return package_testing::PublicKeyFile(package_testing::MakeKey(seed)); }

DeviceState RotatingDevice(Request request = Request::kRemote, DeviceFiles files = {}) {
    return {.request = request,
            .files = std::move(files),
            .signing = {.key = true, .signature = Signature::kWithContent, .nextKeys = {kNextKeySeed}}};
}

// The upgrade and a start of the new version; only the next key is trusted.
Boot Rotated(Lines log = {kRotated}, DeviceFiles holds = {}) {
    holds.push_back({kTrustedKeys, KeyFileOf(kNextKeySeed)});
    return {.options = kBootTwice, .after = {.end = End::kUpgraded, .log = log, .absent = {kNextKeys}, .holds = holds}};
}

// Another package requested, signed by the key of `seed`.
Boot RequestSignedBy(unsigned char seed, Expect after, int status = 0) {
    return {.options = kBootTwice,
            .status = status,
            .requestBefore = PackageRecipe{.exe = "#!/bin/sh\ntouch second_orvane3.ran\n"},
            .requestSignedBy = seed,
            .after = after};
}

const Expect kRefusedAsUntrusted = {.log = {"ExtractThreadProc(): !!! Untrusted signature=[\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN.SIG], at=[*]"},
                                    .halted = "Err0E Preparation failed",
                                    .holds = {{kTrustedKeys, KeyFileOf(kNextKeySeed)}}};

// Models: the package names two; the device's OEM info is given.
DeviceState ModelDevice(bool key = true, std::vector<std::string> models = {"OV3-Pro", "OV3-Lite"}) {
    return {.signing = {.key = key, .signature = Signature::kWithContent, .models = std::move(models)}};
}

Boot ModelBoot(const std::string& oemInfo, Expect after) {
    std::vector<std::string> options = kBootTwice;
    if (!oemInfo.empty()) options = Concat(options, {"--oem-info", oemInfo});
    return {.options = options, .after = after};
}

Expect RefusedForModel(const std::string& shown, const std::string& models) {
    return {.end = End::kRefused,
            .log = {"StartExtraction(): !!! Package for another model=[" + shown + "], models=[" + models + "], at=[*]",
                    kRemovedRequest},
            .holds = {{kMerrow + L"Orvane3.exe", kOldExe}}};
}

// Delta packages over the version they were made from, or over another.
DeviceState DeltaDevice(Request request = Request::kRemote, DeviceFiles files = {}) {
    return {.installed = Installed::kDeltaBase, .request = request, .files = std::move(files)};
}

Boot DeltaInstalled(Expect after) {
    after.end = End::kUpgraded;
    return {.options = kBootTwice, .after = after};
}

// The installation's delta check alone: nothing switched over, the request stays.
Boot DeltaRefusedStep(const std::string& code, Lines log = {}) {
    return {.runner = Runner::kInstallation, .after = {.end = End::kUntouched, .log = log, .code = code}};
}

// The upgrade log.
DeviceState LogDevice(Request request, DeviceFiles files = {}) {
    return {.request = request, .files = std::move(files), .folders = {L"\\Hard Disk"}};
}

Boot LogBoot(int status, End end, UpgradeLogs logs, std::vector<std::string> fail = {}) {
    return {.options = Concat({"--time-scale", "100"}, fail), .status = status, .after = {.end = end, .logs = logs}};
}

const std::string kErr40Result = "=== Upgrade result: code=[Err40] ===\r\n";

// Room: an upgrade's need on each volume held to the room the volume has.
std::string NoRoom(const std::string& volume) {
    return "StartExtraction(): !!! Not enough space, volume=[\\" + volume + "], need=[{need}], free=[{free}], at=[*]";
}

const std::string kErr13Result = "=== Upgrade result: code=[Err13] ===";

Boot ShortOfRoom(const std::string& volume) {
    return {.after = {.end = End::kRefused,
                      .log = {NoRoom(volume), kRemovedRequest},
                      .upgradeLog = {NoRoom(volume), kErr13Result, kRemovedRequest}},
            .room = Room{.volume = volume, .slack = -1}};
}

const std::vector<DeviceRow>& Rows() {
    static const std::vector<DeviceRow> rows = {
        // An upgrade with rollback on keeps the version it replaces.
        {.name = "RemoteUpgradeKeepsTheOldVersion",
         .device = {.files = {{kRollbackSetting, "starts=3\n"}}},
         .boots = {KeepingUpgrade(kKeptEachItem)}},
        {.name = "UsbUpgradeKeepsTheOldVersion",
         .device = {.request = Request::kUsb, .files = {{kRollbackSetting, "starts=3\n"}}},
         .boots = {KeepingUpgrade(kKeptEachItem)}},
        {.name = "WithoutTheSettingNothingIsKept",
         .boots = {{.status = 3,
                    .after = {.end = End::kUpgraded,
                              .log = {"UpgradeThreadProc(): switched over to new exe, at=[*]",
                                      "=== Upgrade Complete ==="},
                              .absent = {kPreviousFolder, kTrialFlag, kPreviousMark}}}}},
        {.name = "AMalformedSettingStillKeeps",
         .device = {.files = {{kRollbackSetting, "starts=x\n"}}},
         .boots = {KeepingUpgrade(Concat({"ReadRollbackSetting(): !!! Invalid rollback setting=[\\NandFlash\\Merrow\\"
                                          "Rollback.cfg], starts=[3], at=[*]"},
                                         kKeptEachItem))}},
        {.name = "AnEarlierPreviousIsReplaced",
         .device = {.files = {{kRollbackSetting, "starts=3\n"},
                              {kPreviousFolder + L"\\Orvane3.exe", "older exe"},
                              {kPreviousFolder + L"\\Images\\Older.bmp", "older image"},
                              {kPreviousFolder + L"\\Stray.txt", "stray"}}},
         .boots = {KeepingUpgrade(kKeptEachItem)}},
        {.name = "AnOldVersionWithoutFontKeepsNone",
         .device = {.files = {{kRollbackSetting, "starts=3\n"}}, .removed = {kMerrow + L"Font"}},
         .boots = {KeepingUpgrade({kKeeping, "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Images], at=[*]",
                                   "UpgradeThreadProc(): kept old=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]"},
                                  WithoutFont(),
                                  "checksum={checksum}\r\npackage={package}\r\nexe=1\r\nimages=1\r\nfont=0\r\n")}},
        // A cut between the marker and the request left Trial.flag of this
        // very package: the switch-over was complete, Previous stays.
        {.name = "ATrialOfTheSamePackageKeepsPreviousAsItIs",
         .device = {.files = {{kRollbackSetting, "starts=3\n"},
                              {kPreviousFolder + L"\\Orvane3.exe", "kept before"},
                              {kTrialFlag, kTrialOfPackage}}},
         .boots = {KeepingUpgrade(
             {"UpgradeThreadProc(): previous version already kept=[\\NandFlash\\Merrow\\Previous], at=[*]",
              "UpgradeThreadProc(): created trial flag, at=[*]"},
             Tree{{"Orvane3.exe", "kept before"}},
             "checksum={checksum}\r\npackage={package}\r\nexe=1\r\nimages=0\r\nfont=0\r\n")}},
        // A marker cut before its flush is no marker: the keeping starts afresh.
        {.name = "AnEmptyMarkerStartsAfresh",
         .device = {.files = {{kRollbackSetting, "starts=3\n"},
                              {kPreviousMark, ""},
                              {kPreviousFolder + L"\\Stray.txt", "stray"}}},
         .boots = {KeepingUpgrade(kKeptEachItem)}},
        {.name = "ASecondUpgradeKeepsTheFirstOnesVersion",
         .device = {.files = {{kRollbackSetting, "starts=2\n"}}},
         .boots = {{.status = 3},
                   [] {
                       Boot second = KeepingUpgrade({}, VersionTree(StandardUpgrade()));
                       second.requestBefore = PackageRecipe{.exe = "#!/bin/sh\ntouch second_orvane3.ran\n",
                                                          .images = NamedFiles{{"Second.bmp", "BM second"}}};
                       return second;
                   }()}},

        // Each boot with Trial.flag there counts one start; once it is gone
        // the records go.
        {.name = "TheFirstStartIsRecorded",
         .device = StartsDevice("starts=3\n", true, 0),
         .boots = {StartCounted({"Initialize(): trial start=[1] of starts=[3], at=[*]"}, 1)}},
        {.name = "TheLastStartIsRecorded",
         .device = StartsDevice("starts=3\n", true, 2),
         .boots = {StartCounted({"Initialize(): trial start=[3] of starts=[3], at=[*]"}, 3)}},
        {.name = "OneStartOfOne",
         .device = StartsDevice("starts=1", true, 0),
         .boots = {StartCounted({"Initialize(): trial start=[1] of starts=[1], at=[*]"}, 1)}},
        {.name = "AHealthyVersionsRecordsGo",
         .device = StartsDevice("starts=3\n", false, 2),
         .boots = {StartCounted({"Initialize(): trial over, removed start records=[2], at=[*]"}, 0)}},
        {.name = "WithoutATrialNothingIsRecorded",
         .device = StartsDevice("starts=3\n", false, 0),
         .boots = {StartCounted({}, 0)}},
        {.name = "WithoutTheSettingNothingIsRecorded",
         .device = StartsDevice(nullptr, true, 1),
         .boots = {StartCounted({}, 1)}},
        // One boot after another, as a user switching the device off and on.
        {.name = "EachBootCountsOneStart",
         .device = StartsDevice("starts=9\n", true, 0),
         .boots = EachBootCountsOneStart()},

        // A new application that never deletes Trial.flag is rolled back once
        // its starts are used up; a healthy one keeps its place.
        {.name = "UsedUpStartsBringTheOldVersionBack",
         .device = {.files = {{kRollbackSetting, "starts=2\n"}}},
         .boots = {{.status = 3},
                   StartOnTrial(1, 2),
                   StartOnTrial(2, 2),
                   {.status = 3,
                    .after = {.log = kRolledBack,
                              .absent = {kPreviousFolder, kTrialFlag, TrialRecord(1), TrialRecord(2), kPreviousMark},
                              .startsWith = {{kRejected, "checksum={checksum} package=OV3_UPGRADE_2024.BIN tick="}},
                              .installed = OldVersion()}},
                   {.after = {.appears = {kMerrow + L"old_orvane3.ran"}}}}},
        {.name = "AHealthyApplicationKeepsItsPlace",
         .device = {.files = {{kRollbackSetting, "starts=2\n"}}},
         .package = {.exe = kHealthyExe},
         .boots = {{.status = 3},
                   StartOnTrial(1, 2),
                   {},
                   {},
                   {.after = {.absent = {TrialRecord(1)},
                              .holds = {{kMerrow + L"Orvane3.exe", kHealthyExe}},
                              .trees = {{kPreviousFolder, OldVersion()}}}}}},
        // A boot whose rollback step fails halts on its code and leaves the
        // rest; the next boot tries again and brings the old version back.
        {.name = "AFailedRollbackStepShowsItsCodeAndTheNextTryEndsIt",
         .device = {.installed = Installed::kOnTrial,
                    .request = Request::kNone,
                    .files = {{kRollbackSetting, "starts=1\n"}, {kTrialFlag, kTrialOfPackage}, {TrialRecord(1), ""}},
                    .readOnly = {kMerrow + L"Images\\Start.bmp"}},
         .boots = {{.status = 6,
                    .after = {.log = {"RollbackThreadProc(): !!! Failed to remove new=[\\NandFlash\\Merrow\\Images], "
                                      "at=[*]",
                                      "=== !!! Rollback Failed ==="},
                              .halted = "Err70 Rollback failed",
                              .logs = {.device = DeviceLog::kThisBoot,
                                       .source = "rollback",
                                       .result = "=== Upgrade result: code=[Err70] ===\r\n"}}},
                   {.status = 3,
                    .writableBefore = {kMerrow + L"Images\\Start.bmp"},
                    .after = {.absent = {kTrialFlag}, .installed = OldVersion()}}}},

        // A package Rejected.txt names is refused; another one installs.
        {.name = "RemoteRejectedIsRefused",
         .device = RejectedDevice(Request::kRemote, 1, true),
         .boots = {RefusedAsRolledBack("\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN")}},
        {.name = "UsbRejectedIsRefused",
         .device = RejectedDevice(Request::kUsb, 1, true),
         .boots = {RefusedAsRolledBack("Hard Disk\\OV3_UPGRADE_7.BIN")}},
        // 3,068 bytes of earlier releases: the line spans two of the pieces
        // the file is read in.
        {.name = "RejectedAcrossTwoPiecesIsRefused",
         .device = RejectedDevice(Request::kRemote, 59, true),
         .boots = {RefusedAsRolledBack("\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN")}},
        {.name = "AnotherChecksumInstalls",
         .device = RejectedDevice(Request::kRemote, 1, false),
         .boots = {{.status = 3, .after = {.end = End::kUpgraded}}}},

        // A keyed device's floor against the signed security version.
        {.name = "RemoteBelowIsRefused",
         .device = KeyedDevice(Request::kRemote, Signature::kVersioned, 4, 5),
         .boots = {RefusedBelowFloor(4, 5)}},
        {.name = "UsbBelowIsRefused",
         .device = KeyedDevice(Request::kUsb, Signature::kVersioned, 0, 1),
         .boots = {RefusedBelowFloor(0, 1)}},
        {.name = "FirstFormatIsVersionZero",
         .device = KeyedDevice(Request::kRemote, Signature::kFirstFormat, 0, 2),
         .boots = {RefusedBelowFloor(0, 2)}},
        {.name = "FirstFormatInstallsAtFloorZero",
         .device = KeyedDevice(Request::kRemote, Signature::kFirstFormat, 0, 0),
         .boots = {InstalledAtFloor(0)}},
        {.name = "EqualInstalls",
         .device = KeyedDevice(Request::kRemote, Signature::kVersioned, 5, 5),
         .boots = {InstalledAtFloor(5)}},
        {.name = "UnsignedIsRefusedAsBefore",
         .device = KeyedDevice(Request::kRemote, Signature::kNone, 0, 5),
         .boots = {FloorBoot({.halted = "Err0E Preparation failed",
                              .exist = {UpgradeFlag(true)},
                              .holds = {{kMerrow + L"Orvane3.exe", kOldExe}},
                              .floor = 5},
                             6)}},
        {.name = "WithoutAKeyAnyVersionInstalls",
         .device = KeyedDevice(Request::kRemote, Signature::kVersioned, 1, 5, false),
         .boots = {InstalledAtFloor(5)}},
        {.name = "RemoteAboveRaisesTheFloorAtCompletion",
         .device = KeyedDevice(Request::kRemote, Signature::kVersioned, 7, 5),
         .boots = {InstalledAtFloor(7)}},
        {.name = "UsbAboveRaisesTheFloor",
         .device = KeyedDevice(Request::kUsb, Signature::kVersioned, 3, 0),
         .boots = {InstalledAtFloor(3)}},
        {.name = "FloorOnTrialRaisesAfterTheWordOfHealth",
         .device = FloorTrialDevice("starts=3\n"),
         .boots = FloorTrial(true)},
        {.name = "FloorOnTrialKeptByARollback", .device = FloorTrialDevice("starts=1\n"), .boots = FloorTrial(false)},

        // Key rotation: several keys in Upgrade.pub, next keys in the signature.
        {.name = "RotationInstallsAndThenTheOldKeyIsRefused",
         .device = RotatingDevice(),
         .boots = {Rotated(), RequestSignedBy(kTestKeySeed, kRefusedAsUntrusted, 6)}},
        {.name = "AfterARotationTheNextKeySigns",
         .device = RotatingDevice(Request::kUsb),
         .boots = {Rotated(), RequestSignedBy(kNextKeySeed, {.end = End::kUpgraded})}},
        {.name = "AnyKeyOfSeveralInUpgradePubSigns",
         .device = {.signing = {.key = true, .signature = Signature::kVersioned, .alsoTrusted = {kNextKeySeed}}},
         .boots = {{.options = kBootTwice, .after = {.end = End::kUpgraded}},
                   RequestSignedBy(kNextKeySeed, {.end = End::kUpgraded})}},
        {.name = "AnUnsignedPackageKeepsTheKeys",
         .device = {.signing = {.key = true, .signature = Signature::kVersioned}},
         .boots = {{.options = kBootTwice,
                    .after = {.end = End::kUpgraded,
                              .notLogged = {kRotated},
                              .absent = {kNextKeys},
                              .holds = {{kTrustedKeys, KeyFileOf(kTestKeySeed)}}}}}},
        {.name = "WithoutAKeyNextKeysAreIgnored",
         .device = {.signing = {.signature = Signature::kWithContent, .nextKeys = {kNextKeySeed}}},
         .boots = {{.options = kBootTwice, .after = {.end = End::kUpgraded, .absent = {kTrustedKeys, kNextKeys}}}}},
        {.name = "RotationWithRollbackOnKeepsTheOldKeys",
         .device = RotatingDevice(Request::kRemote, {{kRollbackSetting, "starts=9\n"}}),
         .boots = {Rotated({"UpgradeThreadProc(): rotated trusted keys, keys=[1], old keys kept, at=[*]"},
                           {{kPreviousKeys, KeyFileOf(kTestKeySeed)}})}},
        {.name = "RollbackBringsTheOldKeysBack",
         .device = RotatingDevice(Request::kRemote, {{kRollbackSetting, "starts=1\n"}}),
         .boots = {Rotated({"UpgradeThreadProc(): rotated trusted keys, keys=[1], old keys kept, at=[*]"}),
                   {.options = kBootTwice,
                    .after = {.log = {"RollbackThreadProc(): restored old keys=[\\NandFlash\\Merrow\\Upgrade.pub], at=[*]",
                                      "RollbackThreadProc(): rotated trusted keys, keys=[1], at=[*]", kRollbackComplete},
                              .absent = {kNextKeys, kPreviousFolder},
                              .holds = {{kTrustedKeys, KeyFileOf(kTestKeySeed)}}}},
                   RequestSignedBy(kTestKeySeed, {.end = End::kUpgraded})}},
        {.name = "AnInterruptedRotationIsFinishedAtTheNextStart",
         .device = {.installed = Installed::kScript,
                    .request = Request::kNone,
                    .files = {{kNextKeys, KeyFileOf(kNextKeySeed)}},
                    .signing = {.key = true}},
         .boots = {{.after = {.log = {"Initialize(): rotated trusted keys, keys=[1], at=[*]"},
                              .absent = {kNextKeys},
                              .holds = {{kTrustedKeys, KeyFileOf(kNextKeySeed)}}}}}},
        {.name = "BetweenTheMovesTheNextKeysAreInForce",
         .device = {.request = Request::kRemote,
                    .files = {{kNextKeys, KeyFileOf(kTestKeySeed)}},
                    .removed = {kTrustedKeys},
                    .signing = {.key = true, .signature = Signature::kVersioned}},
         .boots = {{.options = kBootTwice,
                    .after = {.end = End::kUpgraded, .log = {"ExtractThreadProc(): valid signature, at=[*]"}}}}},

        // Models: the device's OEM info among the package's, case aside.
        {.name = "AModelThatMatchesInstalls",
         .device = ModelDevice(),
         .boots = {ModelBoot("ov3-lite", {.end = End::kUpgraded})}},
        {.name = "AModelThatDoesNotMatchIsRefused",
         .device = ModelDevice(),
         .boots = {ModelBoot("OV3-Max", RefusedForModel("OV3-Max", "OV3-Pro,OV3-Lite"))}},
        {.name = "UsbPackageForAnotherModelIsRefused",
         .device = {.request = Request::kUsb,
                    .signing = {.key = true, .signature = Signature::kWithContent, .models = {"OV3-Pro"}}},
         .boots = {ModelBoot("", RefusedForModel("MERROW-OV3", "OV3-Pro"))}},
        {.name = "TheDefaultOemInfoIsTheBoardName",
         .device = ModelDevice(true, {"OV3-Pro", "MERROW-OV3"}),
         .boots = {ModelBoot("", {.end = End::kUpgraded})}},
        {.name = "APackageThatNamesNoModelIsForAny",
         .device = {.signing = {.key = true, .signature = Signature::kVersioned}},
         .boots = {ModelBoot("OV3-Max", {.end = End::kUpgraded})}},
        {.name = "WithoutAKeyModelsAreNotChecked",
         .device = ModelDevice(false),
         .boots = {ModelBoot("OV3-Max", {.end = End::kUpgraded})}},
        {.name = "LongModelNamesAreCutInTheLogLine",
         .device = ModelDevice(true, {"OV3-Professional-Edition-2026", "OV3-Lite-Edition-2026"}),
         .boots = {ModelBoot("A-Very-Long-OEM-Info-Text-Of-A-Board",
                             RefusedForModel("A-Very-Long-OEM-I...", "OV3-Professional-Edition-..."))}},

        // Delta packages.
        {.name = "RemoteDeltaWithPatchedExeInstallsTheTargetTree",
         .device = DeltaDevice(),
         .package = {.kind = PackageKind::kDelta},
         .boots = {DeltaInstalled({.log = {"UpgradeThreadProc(): patched exe, at=[*]"}})}},
        {.name = "UsbDeltaWithWholeExeInstallsTheTargetTree",
         .device = DeltaDevice(Request::kUsb),
         .package = {.kind = PackageKind::kDeltaWholeExe},
         .boots = {DeltaInstalled({.log = {"UpgradeThreadProc(): delta fits the installed version, at=[*]"}})}},
        {.name = "SignedDeltaOnADeviceWithTheKey",
         .device = {.installed = Installed::kDeltaBase,
                    .signing = {.key = true, .signature = Signature::kByTheMaker}},
         .package = {.kind = PackageKind::kDelta, .signedByTheMaker = true},
         .boots = {DeltaInstalled({.log = {"ExtractThreadProc(): valid signature, at=[*]"}, .floor = 3})}},
        {.name = "DeltaWithRollbackOnKeepsTheVersionItReplaced",
         .device = DeltaDevice(Request::kRemote, {{kRollbackSetting, "starts=9\n"}}),
         .package = {.kind = PackageKind::kDelta},
         .boots = {DeltaInstalled({.log = {"UpgradeThreadProc(): created trial flag, at=[*]"},
                                   .trees = {{kPreviousFolder, VersionTree(DeltaBase())}}})}},
        // Over another installed version: the whole boot halts on the code.
        {.name = "MissingImageIsRefused",
         .device = {.installed = Installed::kDeltaBase, .removed = {kMerrow + L"Images\\Icons\\Ok.bmp"}},
         .package = {.kind = PackageKind::kDelta},
         .boots = {{.options = kBootTwice,
                    .status = 6,
                    .after = {.end = End::kUntouched,
                              .log = {"UpgradeThreadProc(): !!! Delta does not fit, missing=[\\NandFlash\\Merrow\\"
                                      "Images\\Icons\\Ok.bmp], at=[*]"},
                              .halted = "Err80 Delta does not fit"}}}},
        {.name = "ChangedImageOfTheSameSizeIsRefused",
         .device = DeltaDevice(Request::kRemote, {{kMerrow + L"Images\\Start.bmp", std::string(3002, 'x')}}),
         .package = {.kind = PackageKind::kDelta},
         .boots = {DeltaRefusedStep("Err80")}},
        {.name = "ResizedFontIsRefused",
         .device = DeltaDevice(Request::kRemote, {{kMerrow + L"Font\\Small.ttf", "short"}}),
         .package = {.kind = PackageKind::kDelta},
         .boots = {DeltaRefusedStep("Err81", {"UpgradeThreadProc(): !!! Delta does not fit=[\\NandFlash\\Merrow\\Font\\"
                                              "Small.ttf], size=[5], crc=[8F2890A2], at=[*]"})}},
        {.name = "OtherExecutableIsRefused",
         .device = DeltaDevice(Request::kRemote, {{kMerrow + L"Orvane3.exe", "#!/bin/sh\ntouch other.ran\n"}}),
         .package = {.kind = PackageKind::kDelta},
         .boots = {DeltaRefusedStep("Err82")}},

        // The upgrade log of each boot with a request or a rollback.
        {.name = "RemoteUpgradeLogged",
         .device = LogDevice(Request::kRemote),
         .boots = {LogBoot(3, End::kUpgraded,
                           {.device = DeviceLog::kThisBoot, .usb = UsbLog::kAbsent, .source = "remote"})}},
        {.name = "UsbUpgradeLogged",
         .device = LogDevice(Request::kUsb),
         .boots = {LogBoot(3, End::kUpgraded,
                           {.device = DeviceLog::kThisBoot, .usb = UsbLog::kAttempt, .source = "USB"})}},
        {.name = "UsbBrokenImagesLogged",
         .device = LogDevice(Request::kUsb),
         .package = {.brokenImages = true},
         .boots = {LogBoot(6, End::kAny,
                           {.device = DeviceLog::kThisBoot,
                            .usb = UsbLog::kWholeAttempt,
                            .source = "USB",
                            .result = kErr40Result})}},
        {.name = "NoRequestNoLog",
         .device = {.files = {}, .folders = {L"\\Hard Disk"}, .removed = {UpgradeFlag(true)}},
         .boots = {LogBoot(0, End::kAny, {.device = DeviceLog::kAbsent, .usb = UsbLog::kAbsent})}},
        {.name = "LogRotatesPastItsLimit",
         .device = LogDevice(Request::kRemote, {{kDeviceUpgradeLog, kFullUpgradeLog},
                                                {kDeviceUpgradeLog + L".1", "older\r\n"}}),
         .boots = {LogBoot(3, End::kUpgraded,
                           {.device = DeviceLog::kThisBoot,
                            .usb = UsbLog::kAbsent,
                            .source = "remote",
                            .rotated = true})}},
        {.name = "LogOnAFullFlash",
         .device = LogDevice(Request::kRemote),
         .boots = {LogBoot(3, End::kUpgraded, {.device = DeviceLog::kEmpty, .usb = UsbLog::kAbsent},
                           {"--fail", "WriteFile:112:1"})}},
        {.name = "RollbackBootLogged",
         .device = {.installed = Installed::kTrialBoots, .request = Request::kUsb, .folders = {L"\\Hard Disk"}},
         .boots = {LogBoot(3, End::kAny,
                           {.device = DeviceLog::kThisBoot, .usb = UsbLog::kPresent, .source = "rollback"})}},
        {.name = "RemoteRollbackBootLogged",
         .device = {.installed = Installed::kTrialBoots, .folders = {L"\\Hard Disk"}},
         .boots = {LogBoot(3, End::kAny,
                           {.device = DeviceLog::kThisBoot, .usb = UsbLog::kAbsent, .source = "rollback"})}},
        {.name = "UsbLogRotatesPastItsLimit",
         .device = LogDevice(Request::kUsb, {{kUsbUpgradeLog, kFullUpgradeLog}}),
         .boots = {LogBoot(3, End::kUpgraded,
                           {.device = DeviceLog::kThisBoot,
                            .usb = UsbLog::kAttempt,
                            .source = "USB",
                            .usbRotated = true})}},
        {.name = "LogLinesPastTheRoomLeftOutWhole",
         .device = LogDevice(Request::kRemote),
         .package = {.folderEntriesWithData = 900},
         .boots = {LogBoot(3, End::kAny, {.device = DeviceLog::kLeftOut, .usb = UsbLog::kAbsent, .source = "remote"})}},
        {.name = "LogOnAWriteProtectedUsbDisk",
         .device = {.request = Request::kUsb,
                    .files = {{kUsbUpgradeLog, "earlier\r\n"}},
                    .folders = {L"\\Hard Disk"},
                    .readOnly = {kUsbUpgradeLog}},
         .package = {.brokenImages = true},
         .boots = {LogBoot(6, End::kAny,
                           {.device = DeviceLog::kThisBoot,
                            .usb = UsbLog::kEarlier,
                            .source = "USB",
                            .result = kErr40Result})}},
        {.name = "RoomThatFitsUpgrades",
         .boots = {{.status = 3, .after = {.end = End::kUpgraded}, .room = Room{}}}},
        {.name = "RoomShortByOneByteRefuses", .boots = {ShortOfRoom("NandFlash")}},
        {.name = "CardShortOfRoomForTheSectionsRefuses", .boots = {ShortOfRoom("Storage Card")}},
        {.name = "UsbPackageShortOfRoomStaysOnItsDisk",
         .device = {.request = Request::kUsb},
         .boots = {ShortOfRoom("Hard Disk")}},
        {.name = "UsbUpgradeShortOfRoomOnTheFlashRefuses",
         .device = {.request = Request::kUsb},
         .boots = {ShortOfRoom("NandFlash")}},
        {.name = "RoomWithRollbackCountsWhatPreviousKeeps",
         .device = {.files = {{kRollbackSetting, "starts=3\n"}}},
         .boots = {[] {
             Boot boot = KeepingUpgrade(kKeptEachItem);
             boot.room = Room{};
             return boot;
         }()}},
        // Room that shrank after the check: the write that finds the flash
        // full fails as any failed write does, and the old version stays.
        {.name = "FlashFullHalfWayFailsTheUnpacking",
         .boots = {{.runner = Runner::kInstallation,
                    .after = {.end = End::kUntouched,
                              .log = {"Unzip [\\NandFlash\\Merrow\\Images_\\Start.bmp]==> WriteFile Failed !! "
                                      "error = [112]",
                                      "UpgradeThreadProc(): !!! Failed to unzip images=[\\Storage Card\\OV3_Download\\"
                                      "AppImages.zi], at=[*]"},
                              .code = "Err40",
                              .absent = {kMerrow + L"Images_"}},
                    .stepFree = 8192}}},
        {.name = "DeltaRoomThatFitsUpgrades",
         .device = DeltaDevice(),
         .package = {.kind = PackageKind::kDelta},
         .boots = {[] {
             Boot boot = DeltaInstalled({});
             boot.room = Room{};
             return boot;
         }()}},
        {.name = "DeltaWithWholeExeRoomThatFitsUpgrades",
         .device = DeltaDevice(Request::kUsb),
         .package = {.kind = PackageKind::kDeltaWholeExe},
         .boots = {[] {
             Boot boot = DeltaInstalled({});
             boot.room = Room{};
             return boot;
         }()}},
        {.name = "DeltaShortByOneByteRefuses",
         .device = DeltaDevice(),
         .package = {.kind = PackageKind::kDelta},
         .boots = {ShortOfRoom("NandFlash")}},
        {.name = "RollbackShortByOneByteRefuses",
         .device = {.files = {{kRollbackSetting, "starts=3\n"}}},
         .boots = {ShortOfRoom("NandFlash")}},
    };
    return rows;
}

// The message a worker step posts its result with.
constexpr UINT kStepResult = WM_USER + 120;

class DeviceScenario : public testing_support::WorkerTest, public ::testing::WithParamInterface<DeviceRow> {
protected:
    DeviceScenario() : WorkerTest(kStepResult, nullptr) {}

    // A failure's code text, from the installation's table.
    static std::wstring CodeText(const testing_support::PostedResult& posted) {
        if (posted.wParam) return L"";
        return testing_support::CodeTextOf<InstallFailure>(posted.failure);
    }

    // Runs the boot's worker step here; its log and its one posted result.
    BootOutcome Step(const RowRun& run, const Boot& boot) {
        log.Clear();
        run.LaySections();
        if (boot.stepFree) {
            host::SetVolumeCapacity(L"NandFlash", AllocatedBelow(device.Host(L"\\NandFlash")) + *boot.stepFree);
        }
        RunInstallationStep(run.Package(), run.Remote(), window, ResultMessage());
        host::ForgetVolumeCapacities();
        BootOutcome outcome{.stepped = true};
        outcome.run.log = log.Text();
        const auto posted = DrainResults();
        outcome.code = posted.size() == 1 ? CodeText(posted[0]) : L"(" + std::to_wstring(posted.size()) + L" results)";
        return outcome;
    }
};

TEST_P(DeviceScenario, Runs) {
    const DeviceRow& row = GetParam();
    Scratch scratch;
    RowRun run(row, device, scratch);
    run.LayDown();
    ASSERT_FALSE(HasFailure());
    for (size_t number = 0; number < row.boots.size(); ++number) {
        SCOPED_TRACE("boot " + std::to_string(number + 1));
        const Boot& boot = row.boots[number];
        run.Prepare(boot);
        const BootOutcome outcome = boot.runner == Runner::kProcess ? run.RunProcess(boot) : Step(run, boot);
        // A later boot builds on this one's device.
        ASSERT_EQ(run.WhyNot(boot, outcome), "") << outcome.run.err << outcome.run.log;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceScenario, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<DeviceRow>& info) { return info.param.name; });

}  // namespace
