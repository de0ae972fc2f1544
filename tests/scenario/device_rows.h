// Rows of device scenarios as data: the device state laid down, the package
// requested, and one or more boots (a run of build/ruvexa, or one worker's
// step on the worker fixture), each with what the device must show after it:
// the end tree, the code, and the named log lines.
//
// Texts in a row may name the package requested by placeholders, filled in
// when the row runs: {checksum} (its stored checksum, eight hex digits) and
// {package} (its file name).
#pragma once

#include <cstdint>
#include <ostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace scenario {

using Lines = std::vector<std::string>;
using DeviceFiles = std::vector<std::pair<std::wstring, std::string>>;  // device path, bytes

// What is installed before the first boot.
enum class Installed {
    kOldVersion,  // MakeUpgradeDevice's old program, images, fonts and start-up folder, with the request
    kDeltaBase,   // DeltaBase(), the version the delta packages are made from
    kScript,      // only a program that leaves "started", and \Windows
    kOnTrial,     // the package's version with the old one in Previous, as an upgrade with rollback on leaves it
    kTrialBoots,  // MakeTrialDevice: the package installed by real boots with starts=1, one start counted
};

enum class Request { kNone, kRemote, kUsb };

// A keyed device: the test key's Upgrade.pub and the package's signature.
// kWithContent: format 3 by the test key, with the next keys and models below.
enum class Signature { kNone, kVersioned, kFirstFormat, kByTheMaker, kWithContent };

// The test key is MakeKey(kTestKeySeed); other keys are named by their seeds.
constexpr unsigned char kTestKeySeed = 7;

struct Signing {
    bool key = false;  // Upgrade.pub there: the test key's, or with kByTheMaker the maker's
    Signature signature = Signature::kNone;
    uint32_t version = 0;  // the security version a kVersioned or kWithContent signature carries
    std::vector<unsigned char> nextKeys{};  // kWithContent: the keys trusted after the installation
    std::vector<std::string> models{};      // kWithContent: the models the package is for
    std::vector<unsigned char> alsoTrusted{};  // further keys in Upgrade.pub, after the test key
};

struct DeviceState {
    Installed installed = Installed::kOldVersion;
    Request request = Request::kRemote;  // the package requested, and where it lies
    DeviceFiles files{};                 // written after the installed version, placeholders filled
    std::vector<std::wstring> folders{};
    std::vector<std::wstring> removed{};   // files or folders taken away afterwards
    std::vector<std::wstring> readOnly{};  // files made read-only last
    Signing signing{};
};

enum class PackageKind { kFull, kDelta, kDeltaWholeExe };

// The package: StandardUpgrade() unless a delta (DeltaBase() to
// DeltaTarget()), with the row's changes.
struct PackageRecipe {
    PackageKind kind = PackageKind::kFull;
    std::optional<std::string> exe{};     // another new program
    std::optional<NamedFiles> images{};   // other images
    bool brokenImages = false;            // the images section is no zip archive
    int folderEntriesWithData = 0;        // images of that many folder entries that each carry data
    bool signedByTheMaker = false;        // a delta signed by a fresh maker's key with security version 3
};

// How the device ended, judged by the shared helpers of upgrade_package.h.
enum class End {
    kAny,
    kUpgraded,   // WhyNotUpgraded to the package's content, with the boot's status
    kRefused,    // WhyNotRefused
    kUntouched,  // the application's folder as laid down (upgrade logs aside); request and package stay
};

// The upgrade logs a boot leaves, in \NandFlash\Merrow and beside a USB package.
enum class DeviceLog { kUnchecked, kAbsent, kEmpty, kThisBoot, kLeftOut };
enum class UsbLog { kUnchecked, kAbsent, kPresent, kAttempt, kWholeAttempt, kEarlier };

struct UpgradeLogs {
    DeviceLog device = DeviceLog::kUnchecked;
    UsbLog usb = UsbLog::kUnchecked;
    std::string source{};  // the header's source: "remote", "USB" or "rollback"
    std::string result{};  // the line both files add after a failed attempt's own
    bool rotated = false;     // the device's full log became Upgrade.log.1
    bool usbRotated = false;  // the USB disk's did
};

struct Expect {
    End end = End::kAny;
    Lines log{};           // in this order, other lines between; ticks masked
    bool wholeLog = false;  // `log` is the whole log
    Lines notLogged{};
    std::string halted{};  // the screen's code and text when the device halts
    std::string code{};    // a worker step's posted code; empty for success
    std::vector<std::wstring> exist{};
    std::vector<std::wstring> absent{};
    DeviceFiles holds{};       // whole contents
    DeviceFiles startsWith{};  // contents' beginnings
    std::vector<std::pair<std::wstring, testing_support::Tree>> trees{};  // a folder's whole tree
    std::optional<testing_support::Tree> installed{};  // the program, Images and Font of the application
    std::optional<long> floor{};                        // SecurityFloorOf
    std::optional<int> trialRecords{};                  // Trial.1 ... Trial.N there, no more
    std::vector<std::wstring> appears{};                // marker files a started program leaves
    UpgradeLogs logs{};
    Lines upgradeLog{};  // in this order in the device's upgrade log, ticks masked
};

// A volume given just the room the boot's upgrade needs there and `slack`
// bytes more (fewer when negative). The need is what the device reports
// when refused on a copy of the device with the volume nearly full; a row's
// texts name it as {need} and the room the boot then finds as {free}.
struct Room {
    std::string volume = "NandFlash";
    long long slack = 0;
};

// What a boot on the device at `deviceRoot` needs on `volume`, and what the
// volume held when the device looked, told by the device itself: the boot
// runs with `options` on a copy of the device whose volume has one unit
// free, and the refusal names both. None (a test failure added) when the
// copy is not refused for that volume.
struct RoomProbe {
    long long need = 0;
    long long used = 0;
};
std::optional<RoomProbe> ProbeRoom(const std::string& deviceRoot, const std::string& volume,
                                   const std::vector<std::string>& options, const Scratch& scratch);

// The --volume-size option that leaves `volume` with the probed need and
// `slack` bytes more (fewer when negative).
std::vector<std::string> RoomOption(const std::string& volume, const RoomProbe& probe, long long slack);

// What the files and folders below a host folder take as the host's
// volumes count them: each file in whole 4 KiB units, each folder one unit.
unsigned long long AllocatedBelow(const std::string& hostFolder);

// How a boot runs: the whole program, or one worker's step in this process.
enum class Runner { kProcess, kInstallation };

struct Boot {
    Runner runner = Runner::kProcess;
    std::vector<std::string> options = {"--time-scale", "100"};
    int status = 0;  // the process's exit status
    // Done to the device before the boot, as its user or application would.
    std::vector<std::wstring> removeBefore{};
    std::vector<std::wstring> writableBefore{};
    std::optional<PackageRecipe> requestBefore{};  // another package requested, at the row's place
    std::optional<unsigned char> requestSignedBy{};  // its signature (versioned, 0) by the key of this seed
    Expect after{};
    std::optional<Room> room{};  // a process boot with --volume-size for it
    // A worker step, which no check of room precedes: the flash has this
    // many bytes free, as when its room shrank after the check.
    std::optional<unsigned long long> stepFree{};
};

struct DeviceRow {
    std::string name;
    DeviceState device{};
    PackageRecipe package{};
    std::vector<Boot> boots{};
};

// A failing row is reported by its name.
void PrintTo(const DeviceRow& row, std::ostream* out);

// `text` `count` times over.
std::string Repeated(const std::string& text, int count);

// Device paths the rows name.
extern const std::wstring kTrialFlag;       // \NandFlash\Merrow\Trial.flag
extern const std::wstring kRollbackSetting;  // \NandFlash\Merrow\Rollback.cfg
extern const std::wstring kDeviceUpgradeLog;  // \NandFlash\Merrow\Upgrade.log
extern const std::wstring kUsbUpgradeLog;     // \Hard Disk\Upgrade.log
// The Trial.flag an upgrade with rollback on leaves for the package when the
// old version had all three items.
extern const char* const kTrialOfPackage;
extern const std::string kFullUpgradeLog;  // an upgrade log at its limit of 64 KiB

std::wstring TrialRecord(int number);

}  // namespace scenario

namespace scenario {

// What one boot came to: the run of build/ruvexa, or a worker step's log
// (in `run.log`) and its posted code.
struct BootOutcome {
    RuvexaRun run{};
    bool stepped = false;  // a worker's step, not a process
    std::wstring code{};   // the step's posted code, empty for success
};

// One row on one device: lays it down, runs its boots and judges each.
class RowRun {
public:
    RowRun(const DeviceRow& row, const testing_support::TempDevice& device, const Scratch& scratch);

    // Builds the package and lays the device down.
    void LayDown();
    // What the boot's user or application does before it.
    void Prepare(const Boot& boot);
    BootOutcome RunProcess(const Boot& boot);
    // The package's sections where the extraction leaves them, for a step
    // of the installation worker.
    void LaySections() const;
    bool Remote() const { return row_.device.request != Request::kUsb; }
    const BuiltPackage& Package() const { return package_; }
    // Why the device is not as `boot` expects after `outcome`; empty when it is.
    std::string WhyNot(const Boot& boot, const BootOutcome& outcome) const;

private:
    std::string Fill(std::string text) const;
    void BuildPackage(const PackageRecipe& recipe);
    // The boot's options with the --volume-size its room asks for.
    std::vector<std::string> OptionsFor(const Boot& boot);
    std::string WhyLogsWrong(const UpgradeLogs& logs, const RuvexaRun& run) const;

    const DeviceRow& row_;
    const testing_support::TempDevice& device_;
    const Scratch& scratch_;
    UpgradeContent content_;
    BuiltPackage package_;
    testing_support::Tree laidDown_;  // the application's folder once laid down
    std::string logBefore_;           // the device's upgrade log before the first boot
    std::string usbLogBefore_;        // the USB disk's, once laid down
    int packages_ = 0;
    long long need_ = -1;  // the room's need, once probed
    long long free_ = -1;  // and the room given
};

}  // namespace scenario
