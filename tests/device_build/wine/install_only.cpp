// The installation worker alone, without a window, on a device that holds
// what the extraction of a remote upgrade leaves; its record holds what the
// search finds. scripts/wine-diff.sh runs it on both builds for the
// installation's faults that a whole run cannot reach: the extraction
// writes all its files or fails first, so a missing exe or images archive
// (Err6A, Err43) only happens to the worker on its own. Without a window,
// the worker posts nothing.
#include <windows.h>

#include "device_paths.h"
#include "installation.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    Installer installer{};
    installer.remote_upgrade = true;
    installer.upgrade_file = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN";
    installer.exe_file = kRemoteExeFile;
    installer.images_file = kRemoteImagesFile;
    installer.fonts_file = kRemoteFontsFile;
    return static_cast<int>(UpgradeThreadProc(&installer));
}
