// Fixed paths, patterns, waits and retry counts of the upgrade search.
#pragma once

#include <windows.h>

constexpr const WCHAR* kUpgradeFlag = L"\\NandFlash\\Upgrade.flag";
constexpr const WCHAR* kRemoteUpgradeFlag = L"\\NandFlash\\RemoteUpgrade.flag";

// A root folder whose name begins with "Hard Disk" is a USB disk.
constexpr const WCHAR* kUsbDiskPattern = L"\\Hard Disk*\\";
constexpr const WCHAR* kPackageName = L"OV3_UPGRADE_*.BIN";
// A package's signature lies beside it, under its name followed by this.
constexpr const WCHAR* kSignatureSuffix = L".SIG";

constexpr const WCHAR* kRemoteSourceDir = L"\\Storage Card\\OV3_Download\\";
constexpr const WCHAR* kRemotePackagePattern = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN";
constexpr const WCHAR* kRemoteExeFile = L"\\Storage Card\\OV3_Download\\AppExecute.ex";
constexpr const WCHAR* kRemoteImagesFile = L"\\Storage Card\\OV3_Download\\AppImages.zi";
constexpr const WCHAR* kRemoteFontsFile = L"\\Storage Card\\OV3_Download\\AppFonts.zi";

constexpr const WCHAR* kExeFileName = L"AppExecute.ex";
constexpr const WCHAR* kImagesFileName = L"AppImages.zi";
constexpr const WCHAR* kFontsFileName = L"AppFonts.zi";

constexpr int kPackageSearchAttempts = 10;
constexpr int kSourceDirProbes = 20;
constexpr DWORD kSearchRetryDelayMs = 1000;
