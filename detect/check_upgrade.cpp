// CheckUpgrade: the request flags, the wait for the package's source folder,
// and the retried package search.
#include <strsafe.h>

#include "detect_constants.h"
#include "device_paths.h"
#include "file_helpers.h"
#include "log_line.h"
#include "upgrade_log.h"
#include "upgrade_search.h"
#include "upgrade_state.h"

namespace {

bool ComposeUsbPath(LPWSTR out, LPCWSTR disk, LPCWSTR name) {
    ZeroMemory(out, MAX_PATH * sizeof(WCHAR));
    return SUCCEEDED(StringCchPrintfW(out, MAX_PATH, L"%s\\%s", disk, name));
}

// Finds the first root folder named "Hard Disk*" and derives the USB
// source's paths from its name.
bool ProbeUsbDisk() {
    WIN32_FIND_DATAW disk;
    HANDLE search = FindFirstFileW(kUsbDiskPattern, &disk);
    if (search == INVALID_HANDLE_VALUE) return false;
    ZeroMemory(g_sourceDir, sizeof(g_sourceDir));
    bool composed = SUCCEEDED(StringCchCopyW(g_sourceDir, MAX_PATH, disk.cFileName)) &&
                    ComposeUsbPath(g_packagePattern, g_sourceDir, kPackageName) &&
                    ComposeUsbPath(g_exeFile, g_sourceDir, kExeFileName) &&
                    ComposeUsbPath(g_imagesFile, g_sourceDir, kImagesFileName) &&
                    ComposeUsbPath(g_fontsFile, g_sourceDir, kFontsFileName);
    FindClose(search);
    return composed;
}

bool ProbeSourceDir() { return g_remoteUpgrade ? FileExists(kRemoteSourceDir) : ProbeUsbDisk(); }

}  // namespace

int CheckUpgrade(ShowStatusLine showStatus) {
    bool requested = false;
    if (FileExists(kUpgradeFlag)) {
        g_remoteUpgrade = false;
        requested = true;
        LogLine(L"CheckUpgrade(): found upgrade flag");
    }
    // Probed second, so a remote request wins when both flags are present.
    if (FileExists(kRemoteUpgradeFlag)) {
        g_remoteUpgrade = true;
        requested = true;
        LogLine(L"CheckUpgrade(): found remote upgrade flag");
    }
    if (!requested) {
        LogLine(L"CheckUpgrade(): !!! Not found upgrade flag");
        return 0;
    }
    BeginUpgradeLog(kUpgradeLogFiles, g_remoteUpgrade ? L"remote" : L"USB");

    showStatus(L"Finding upgrade file...");

    for (int retry = 0; retry < kPackageSearchAttempts; ++retry) {
        // A USB disk may be mounted some seconds after power-on.
        int dirRetry = 0;
        while (!ProbeSourceDir()) {
            Sleep(kSearchRetryDelayMs);
            if (++dirRetry == kSourceDirProbes) {
                LogLine(L"CheckUpgrade(): !!! Not found upgrade source directory");
                return 0;
            }
        }
        LogLine(L"CheckUpgrade(): found upgrade source directory=[%s], dir_retry=[%d]",
                g_remoteUpgrade ? kRemoteSourceDir : g_sourceDir, dirRetry);

        ZeroMemory(g_upgradeFile, sizeof(g_upgradeFile));
        LPCWSTR pattern = g_remoteUpgrade ? kRemotePackagePattern : g_packagePattern;
        if (FindUpgradeFile(pattern, g_upgradeFile, MAX_PATH, retry)) {
            NameUpgradePackage(g_upgradeFile);
            return 1;
        }

        LogLine(L"CheckUpgrade(): !!! Not found upgrade source, retry=[%d]", retry);
        Sleep(kSearchRetryDelayMs);
    }
    LogLine(L"CheckUpgrade(): !!! Not found upgrade source");
    return 0;
}
