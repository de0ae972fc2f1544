// The extraction stage: a found package is verified and split into its
// three section files beside itself, on a worker thread of its own.
#pragma once

#include <windows.h>

#include "package_info.h"

// One record per run, filled completely before the worker starts and only
// touched by the worker afterwards. The paths are constants or process-wide
// buffers that outlive the run.
struct Preparer {
    HWND notify_window;  // null: no result is posted
    UINT notify_message;
    PackageInfo package;  // head then tail, in file order
    LPCWSTR upgrade_file;
    LPCWSTR exe_file;
    LPCWSTR images_file;
    LPCWSTR fonts_file;
    DWORD error;  // an ExtractFailure index
};

// UI thread: removes the stale start-up folder, creates the record and
// starts the worker, which posts its result as `message` to `window`. The
// caller shows the stage. TRUE when the worker started.
BOOL PrepareUpgrade(HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile, LPCWSTR imagesFile,
                    LPCWSTR fontsFile);

// Fills `preparer` and starts the worker. FALSE without a package path (then
// "Err01" is posted to `window`) or when the thread cannot be created.
BOOL PrepareExtract(Preparer* preparer, HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile,
                    LPCWSTR imagesFile, LPCWSTR fontsFile);

// The worker's body: verifies the package, writes the sections, checks the
// checksum and, on a device with a trusted key, the signature, cleans up
// after a failure and posts exactly one result.
DWORD ExtractThreadProc(Preparer* preparer);

// Posts the success result (nothing without a window).
void ReportExtractSuccess(const Preparer* preparer);

// Posts the failure result of `index` (nothing above the table, nothing
// without a window).
void ReportExtractFailure(const Preparer* preparer, DWORD index);
