// Upgrade packages for scenario runs, made by build/ruvexa-pack from an
// executable and folders of images and fonts, and read back into sections;
// the installed device they upgrade.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ruvexa_runner.h"

namespace scenario {

using NamedFiles = std::vector<std::pair<std::string, std::string>>;  // name, bytes

struct UpgradeContent {
    std::string exe;
    NamedFiles images;
    NamedFiles fonts;
};

struct BuiltPackage {
    std::string bytes;
    std::string exeSection;
    std::string imagesSection;
    std::string fontsSection;
};

// A new main application that leaves "new_orvane3.ran" in its folder, two
// images and one font.
UpgradeContent StandardUpgrade();
// The standard upgrade with `images` more images of 40 KB of random bytes:
// a package of several transfer chunks and many entries.
UpgradeContent LargeUpgrade(int images);

// Packs `content` with build/ruvexa-pack in the scratch folder `name`; the
// sections are cut out of the package by the sizes in its tail.
BuiltPackage BuildUpgradePackage(const UpgradeContent& content, const Scratch& scratch,
                                 const std::string& name = "content");

// Delta packages. The version a delta is made from: a program that leaves
// "old_orvane3.ran" and carries code after its script (so that a patch is
// smaller than the whole), images in two folders and two fonts.
UpgradeContent DeltaBase();
// The next version of `base`: its script changed, one image changed, one
// added, one font changed; with `wholeExe` the executable is new throughout.
UpgradeContent DeltaTarget(const UpgradeContent& base, bool wholeExe = false);
// ruvexa-pack delta --from (`from` built) --to (`to` built), signed by
// `key` (a secret key file) with security version 3 when given.
BuiltPackage BuildDeltaPackage(const UpgradeContent& from, const UpgradeContent& to, const Scratch& scratch,
                               const std::string& key = "");
// `content` installed as the device's version, with a start-up folder and
// \Windows as MakeUpgradeDevice makes them.
void InstallVersion(const testing_support::TempDevice& device, const UpgradeContent& content);
// `content` as a tree below the application's folder, as Previous keeps it.
testing_support::Tree VersionTree(const UpgradeContent& content);

extern const std::wstring kDownload;           // the download folder, "\" at its end
extern const std::wstring kRemotePackage;      // a package in it
extern const std::wstring kUsbPackage;         // a package on a USB disk
extern const std::wstring kMerrow;             // the installed application's folder, "\" at its end
extern const std::wstring kStartUpFolder;      // the start-up folder an upgrade removes
extern const std::wstring kPreviousFolder;     // the version an upgrade with rollback on keeps
extern const wchar_t* const kSectionFiles[3];  // the extracted sections, beside the package

// Of a remote upgrade or a USB one: the request's flag, the package, and the
// folder the sections are extracted to ("\" at its end).
std::wstring UpgradeFlag(bool remote);
std::wstring PackagePath(bool remote);
std::wstring SectionFolder(bool remote);

// The installed device before the upgrade (an old program, images, fonts and
// a start-up folder), with the request and the package of a remote or a
// local upgrade.
void MakeUpgradeDevice(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote);

// The version MakeUpgradeDevice installs, as a tree below the application's
// folder: what Previous must hold after an upgrade with rollback on.
testing_support::Tree OldVersion();

// The trial marker an upgrade with rollback on leaves for `package`, found
// in the download folder or on the USB disk: its stored checksum, its name,
// and the items of the old version.
std::string TrialMarker(const BuiltPackage& package, bool remote,
                        const std::string& items = "exe=1\r\nimages=1\r\nfont=1\r\n");

// The request of an upgrade: its flag and its package.
void RequestUpgrade(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote);

// Why a device made by MakeUpgradeDevice has not ended upgraded to `content`
// after `run` (empty when it has): the last boot ended with `endStatus`, the
// new program is installed, Images and Font hold exactly the new files, no
// temporary folder is left, and with `requestCleared` the request's flag and
// the extracted sections are gone too. A boot that ended by itself (status 0)
// must also have started the new program; one that ended in a reset did not.
std::string WhyNotUpgraded(const testing_support::TempDevice& device, const RuvexaRun& run,
                           const UpgradeContent& content, bool remote, bool requestCleared = true, int endStatus = 0);

// With rollback on (`starts` counted starts): why the device has not ended
// with the version of MakeUpgradeDevice kept in Previous byte for byte, the
// trial of `package` marked and no marker of the keeping left (empty when it
// has).
// `oldVersion` is what was installed before, OldVersion() unless given.
std::string WhyPreviousNotKept(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote,
                               const testing_support::Tree& oldVersion = OldVersion());

// A device upgraded to `package` with rollback on and one start counted of
// `starts`, so that its next boot rolls back (`starts` 1) or starts again.
void MakeTrialDevice(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote,
                     const Scratch& scratch);

// Why the device has not ended rolled back after `run`: the last boot ended
// by itself and started the old application, which is installed byte for
// byte, no Previous, trial or record is left, and Rejected.txt names
// `package` once.
std::string WhyNotRolledBack(const testing_support::TempDevice& device, const RuvexaRun& run,
                             const BuiltPackage& package);

// Why the device has not refused its requested package in `run` (empty when
// it has): the boot ended by itself without an extraction, the request's flag
// is gone with a downloaded package and its signature (a USB disk's stay), no
// section was written and the start-up folder is still there, and the old
// application started. With `packageMayStay` a downloaded package may stay
// behind its deleted flag, as a power cut between the two deletions leaves it.
std::string WhyNotRefused(const testing_support::TempDevice& device, const RuvexaRun& run, bool remote,
                          bool packageMayStay = false);

// A keyed device: the test key as Upgrade.pub, the package's signature
// carrying `securityVersion`, and one floor record holding `floor`.
void MakeKeyed(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote,
               uint32_t securityVersion, uint32_t floor);

// A keyed device whose package rotates its key: the test key as Upgrade.pub,
// the package's signature (format 3) by it naming the next key for after.
void MakeRotating(const testing_support::TempDevice& device, const BuiltPackage& package, bool remote);
// The trusted key files before and after that rotation.
std::string OldKeyFile();
std::string NextKeyFile();
// The key file in force: Upgrade.pub, or while it is missing Upgrade.next;
// empty when neither is there.
std::string KeysInForce(const testing_support::TempDevice& device);
// Why the device does not trust exactly `keyFile` with no rotation left
// waiting (empty when it does).
std::string WhyNotTrusting(const testing_support::TempDevice& device, const std::string& keyFile);

// The installed version, as a tree below the application's folder: the
// program, Images and Font.
testing_support::Tree InstalledVersion(const testing_support::TempDevice& device);

// `tree` without the upgrade logs the program keeps beside what it installs.
testing_support::Tree WithoutUpgradeLogs(testing_support::Tree tree);
// The security floor the device's records hold, read as documented: the
// valid one of Floor.A and Floor.B with the higher sequence number; -1
// without a valid record.
long SecurityFloorOf(const testing_support::TempDevice& device);

}  // namespace scenario
