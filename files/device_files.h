// The device's fixed files that the stages share: the request flags the
// search reads and the installation deletes, the package and the section
// files it is split into (beside a downloaded package, at fixed paths), and
// the signature beside a package.
#pragma once

#include <windows.h>

constexpr const WCHAR* kUpgradeFlag = L"\\NandFlash\\Upgrade.flag";
constexpr const WCHAR* kRemoteUpgradeFlag = L"\\NandFlash\\RemoteUpgrade.flag";

constexpr const WCHAR* kPackageName = L"OV3_UPGRADE_*.BIN";
// A package's signature lies beside it, under its name followed by this.
constexpr const WCHAR* kSignatureSuffix = L".SIG";

// The sections are written beside the package under these names.
constexpr const WCHAR* kExeFileName = L"AppExecute.ex";
constexpr const WCHAR* kImagesFileName = L"AppImages.zi";
constexpr const WCHAR* kFontsFileName = L"AppFonts.zi";

// The download folder, and the section files of a package found in it.
constexpr const WCHAR* kRemoteSourceDir = L"\\Storage Card\\OV3_Download\\";
constexpr const WCHAR* kRemoteExeFile = L"\\Storage Card\\OV3_Download\\AppExecute.ex";
constexpr const WCHAR* kRemoteImagesFile = L"\\Storage Card\\OV3_Download\\AppImages.zi";
constexpr const WCHAR* kRemoteFontsFile = L"\\Storage Card\\OV3_Download\\AppFonts.zi";
