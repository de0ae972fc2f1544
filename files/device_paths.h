// Every fixed path of the device, in one table: the request flags the
// search reads and the installation deletes, the package and the section
// files it is split into (beside a downloaded package, at fixed paths), and
// the signature beside a package; the USB disks searched; the installed
// application and the places an installation and a rollback move it to;
// the start-up folder and the trusted key; the files of a rollback and the
// security floor; the upgrade log; the shell started without an
// application.
#pragma once

#include <windows.h>

#include "fixed_path.h"
#include "upgrade_log.h"

constexpr const WCHAR* kUpgradeFlag = L"\\NandFlash\\Upgrade.flag";
constexpr const WCHAR* kRemoteUpgradeFlag = L"\\NandFlash\\RemoteUpgrade.flag";

constexpr WCHAR kPackageName[] = L"OV3_UPGRADE_*.BIN";
// A package's signature lies beside it, under its name followed by this.
constexpr const WCHAR* kSignatureSuffix = L".SIG";

// The sections are written beside the package under these names.
constexpr WCHAR kExeFileName[] = L"AppExecute.ex";
constexpr WCHAR kImagesFileName[] = L"AppImages.zi";
constexpr WCHAR kFontsFileName[] = L"AppFonts.zi";

// The download folder, the packages searched for in it, and the section
// files of a package found there.
constexpr WCHAR kRemoteSourceDir[] = L"\\Storage Card\\OV3_Download\\";
inline constexpr auto kRemotePackagePath = JoinFixedPath(kRemoteSourceDir, kPackageName);
inline constexpr auto kRemoteExePath = JoinFixedPath(kRemoteSourceDir, kExeFileName);
inline constexpr auto kRemoteImagesPath = JoinFixedPath(kRemoteSourceDir, kImagesFileName);
inline constexpr auto kRemoteFontsPath = JoinFixedPath(kRemoteSourceDir, kFontsFileName);
constexpr const WCHAR* kRemotePackagePattern = kRemotePackagePath.text;
constexpr const WCHAR* kRemoteExeFile = kRemoteExePath.text;
constexpr const WCHAR* kRemoteImagesFile = kRemoteImagesPath.text;
constexpr const WCHAR* kRemoteFontsFile = kRemoteFontsPath.text;

// A root folder whose name begins with "Hard Disk" is a USB disk.
constexpr const WCHAR* kUsbDiskPattern = L"\\Hard Disk*\\";

// Installed paths of the device's main application and its folders. The
// shell starts the application from the same path.
constexpr const WCHAR* kInstalledExe = L"\\NandFlash\\Merrow\\Orvane3.exe";
constexpr const WCHAR* kInstalledImages = L"\\NandFlash\\Merrow\\Images";
constexpr const WCHAR* kInstalledFont = L"\\NandFlash\\Merrow\\Font";
// A delta's patched executable is written here, then moved into place.
constexpr const WCHAR* kTemporaryExe = L"\\NandFlash\\Merrow\\Orvane3.exe_";
// With rollback on, the replaced version is kept under these names, and
// the marker of a keeping in progress (previous_version.h).
constexpr const WCHAR* kPreviousExe = L"\\NandFlash\\Merrow\\Previous\\Orvane3.exe";
constexpr const WCHAR* kPreviousImages = L"\\NandFlash\\Merrow\\Previous\\Images";
constexpr const WCHAR* kPreviousFont = L"\\NandFlash\\Merrow\\Previous\\Font";
constexpr const WCHAR* kPreviousMark = L"\\NandFlash\\Merrow\\Previous.mark";

// A start-up folder left by an earlier installation would start the old
// application next to the new one.
constexpr const WCHAR* kStartUpFolder = L"\\NandFlash\\StartUp\\Merrow\\";
// With this file present, the device installs only packages signed with the
// key it holds; without it, no signature is asked for.
constexpr const WCHAR* kTrustedKeyFile = L"\\NandFlash\\Merrow\\Upgrade.pub";
// A key rotation: the keys a verified package names for after its
// installation, waiting to replace the trusted ones (key_rotation.h), and
// where rollback keeps the replaced ones.
constexpr const WCHAR* kNextKeysFile = L"\\NandFlash\\Merrow\\Upgrade.next";
constexpr const WCHAR* kPreviousKeys = L"\\NandFlash\\Merrow\\Previous\\Upgrade.pub";

// Rollback: the setting that turns it on, the version an upgrade replaced,
// the marker of an upgrade whose new version has not yet declared itself
// healthy, and the releases rolled back.
constexpr const WCHAR* kRollbackSetting = L"\\NandFlash\\Merrow\\Rollback.cfg";
constexpr const WCHAR* kPreviousFolder = L"\\NandFlash\\Merrow\\Previous";
constexpr const WCHAR* kTrialFlag = L"\\NandFlash\\Merrow\\Trial.flag";
// The records of a trial's starts: this prefix and the start's number.
constexpr const WCHAR* kTrialRecordPrefix = L"\\NandFlash\\Merrow\\Trial.";
constexpr const WCHAR* kRejectedFile = L"\\NandFlash\\Merrow\\Rejected.txt";

// The security floor of a keyed device: its two records, and the version of
// a release on trial that becomes the floor once the trial is over
// (security_floor.h).
constexpr const WCHAR* kFloorRecordA = L"\\NandFlash\\Merrow\\Floor.A";
constexpr const WCHAR* kFloorRecordB = L"\\NandFlash\\Merrow\\Floor.B";
constexpr const WCHAR* kTrialFloorFile = L"\\NandFlash\\Merrow\\Floor.next";

// The upgrade log, the one before it, and the name of the copy a USB
// attempt leaves beside its package.
constexpr const WCHAR* kUpgradeLogFile = L"\\NandFlash\\Merrow\\Upgrade.log";
constexpr const WCHAR* kOlderUpgradeLogFile = L"\\NandFlash\\Merrow\\Upgrade.log.1";
constexpr const WCHAR* kUpgradeLogName = L"Upgrade.log";
constexpr const WCHAR* kOlderUpgradeLogName = L"Upgrade.log.1";
constexpr UpgradeLogFiles kUpgradeLogFiles = {kUpgradeLogFile, kOlderUpgradeLogFile, kUpgradeLogName,
                                               kOlderUpgradeLogName};

// Started instead of the main application when that is missing.
constexpr const WCHAR* kFallbackShell = L"explorer.exe";
