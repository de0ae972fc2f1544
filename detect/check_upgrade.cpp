// CheckUpgrade: the request flags, the wait for the package's source folder,
// and the retried package search.
#include <strsafe.h>

#include "detect_constants.h"
#include "device_paths.h"
#include "file_helpers.h"
#include "log_line.h"
#include "upgrade_log.h"
#include "upgrade_search.h"

namespace {

bool ComposeUsbPath(LPWSTR out, LPCWSTR disk, LPCWSTR name) {
    ZeroMemory(out, MAX_PATH * sizeof(WCHAR));
    return SUCCEEDED(StringCchPrintfW(out, MAX_PATH, L"%s\\%s", disk, name));
}

// Finds the first root folder named "Hard Disk*" and derives the USB
// source's paths from its name.
bool ProbeUsbDisk(UpgradeAttempt* attempt) {
    WIN32_FIND_DATAW disk;
    HANDLE search = FindFirstFileW(kUsbDiskPattern, &disk);
    if (search == INVALID_HANDLE_VALUE) return false;
    ZeroMemory(attempt->source_dir, sizeof(attempt->source_dir));
    LPCWSTR dir = attempt->source_dir;
    bool composed = SUCCEEDED(StringCchCopyW(attempt->source_dir, MAX_PATH, disk.cFileName)) &&
                    ComposeUsbPath(attempt->package_pattern, dir, kPackageName) &&
                    ComposeUsbPath(attempt->exe_file, dir, kExeFileName) &&
                    ComposeUsbPath(attempt->images_file, dir, kImagesFileName) &&
                    ComposeUsbPath(attempt->fonts_file, dir, kFontsFileName);
    FindClose(search);
    return composed;
}

// A downloaded package's sections go beside it, at fixed paths.
bool ProbeDownloadFolder(UpgradeAttempt* attempt) {
    if (!FileExists(kRemoteSourceDir)) return false;
    StringCchCopyW(attempt->exe_file, MAX_PATH, kRemoteExeFile);
    StringCchCopyW(attempt->images_file, MAX_PATH, kRemoteImagesFile);
    StringCchCopyW(attempt->fonts_file, MAX_PATH, kRemoteFontsFile);
    return true;
}

bool ProbeSourceDir(UpgradeAttempt* attempt) {
    return attempt->remote ? ProbeDownloadFolder(attempt) : ProbeUsbDisk(attempt);
}

}  // namespace

int CheckUpgrade(ShowStatusLine showStatus, UpgradeAttempt* attempt) {
    bool requested = false;
    if (FileExists(kUpgradeFlag)) {
        attempt->remote = false;
        requested = true;
        LogLine(L"CheckUpgrade(): found upgrade flag");
    }
    // Probed second, so a remote request wins when both flags are present.
    if (FileExists(kRemoteUpgradeFlag)) {
        attempt->remote = true;
        requested = true;
        LogLine(L"CheckUpgrade(): found remote upgrade flag");
    }
    if (!requested) {
        LogLine(L"CheckUpgrade(): !!! Not found upgrade flag");
        return 0;
    }
    BeginUpgradeLog(kUpgradeLogFiles, attempt->remote ? L"remote" : L"USB");

    showStatus(L"Finding upgrade file...");

    for (int retry = 0; retry < kPackageSearchAttempts; ++retry) {
        // A USB disk may be mounted some seconds after power-on.
        int dirRetry = 0;
        while (!ProbeSourceDir(attempt)) {
            Sleep(kSearchRetryDelayMs);
            if (++dirRetry == kSourceDirProbes) {
                LogLine(L"CheckUpgrade(): !!! Not found upgrade source directory");
                return 0;
            }
        }
        LogLine(L"CheckUpgrade(): found upgrade source directory=[%s], dir_retry=[%d]",
                attempt->remote ? kRemoteSourceDir : attempt->source_dir, dirRetry);

        ZeroMemory(attempt->package_file, sizeof(attempt->package_file));
        LPCWSTR pattern = attempt->remote ? kRemotePackagePattern : attempt->package_pattern;
        if (FindUpgradeFile(pattern, attempt->package_file, MAX_PATH, retry)) {
            NameUpgradePackage(attempt->package_file);
            return 1;
        }

        LogLine(L"CheckUpgrade(): !!! Not found upgrade source, retry=[%d]", retry);
        Sleep(kSearchRetryDelayMs);
    }
    LogLine(L"CheckUpgrade(): !!! Not found upgrade source");
    return 0;
}
