// The installation stage: switches the device over to the extracted files
// (images, then fonts, then the executable), removes the request, and
// reports one result to the main window, on a worker thread of its own.
#pragma once

#include <windows.h>

// One record per run, filled completely before the worker starts and only
// touched by the worker afterwards. The paths are constants or process-wide
// buffers that outlive the run.
struct Installer {
    HWND notify_window;  // null: no result is posted
    UINT notify_message;
    // The package came from the download folder: its flag, the package and
    // its signature go after a success. A USB disk's package stays.
    bool remote_upgrade;
    LPCWSTR upgrade_file;
    LPCWSTR exe_file;
    LPCWSTR images_file;
    LPCWSTR fonts_file;
    DWORD error;  // an InstallFailure index
};

// UI thread: creates the record and starts the worker, which posts its
// result as `message` to `window`. The caller shows the stage. TRUE when the
// worker started; the record is the worker's, freed when it ends.
BOOL StartUpgradeThread(HWND window, UINT message, bool remoteUpgrade, LPCWSTR upgradeFile, LPCWSTR exeFile,
                        LPCWSTR imagesFile, LPCWSTR fontsFile);

// The worker's body; posts exactly one result (none without a window) and
// returns 0.
DWORD UpgradeThreadProc(Installer* installer);

// Posts the result with `succeeded` and the constant `text`, when there is a
// window; the worker never waits for it.
void PostUpgradeResult(const Installer* installer, int succeeded, LPCWSTR text);

// Posts the failure result of `index` ("ErrFF" outside the table).
void ReportInstallFailure(const Installer* installer, DWORD index);
