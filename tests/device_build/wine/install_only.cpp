// The installation worker alone, without a window, on a device that holds
// what the extraction of a remote upgrade leaves; the upgrade state is what
// the search sets. scripts/wine-diff.sh runs it on both builds for the
// installation's faults that a whole run cannot reach: the extraction
// writes all its files or fails first, so a missing exe or images archive
// (Err6A, Err43) only happens to the worker on its own.
#include <strsafe.h>
#include <windows.h>

#include "installation.h"
#include "upgrade_state.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    g_remoteUpgrade = true;
    StringCchCopyW(g_upgradeFile, MAX_PATH, L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN");
    return static_cast<int>(UpgradeThreadProc());
}
