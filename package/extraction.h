// The extraction stage: a found package is verified and split into its
// three section files beside itself, on a worker thread of its own.
#pragma once

#include <windows.h>

#include "extract_codes.h"
#include "package_info.h"
#include "worker.h"

// One record per run (see WorkerRecord), with the package's head and tail.
struct Preparer : WorkerRecord<ExtractFailure> {
    PackageInfo package;  // head then tail, in file order
    // A trusted key verified the signature, which carries this version.
    bool keyed;
    DWORD security_version;
};

// UI thread: removes the stale start-up folder, creates the record and
// starts the worker, which posts its result as `message` to `window`. The
// caller shows the stage. TRUE when the worker started.
BOOL PrepareUpgrade(HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile, LPCWSTR imagesFile,
                    LPCWSTR fontsFile);

// The stored checksum of the package PrepareUpgrade's worker verified: read
// on the UI thread once the extraction's success has been posted; 0 before.
DWORD PreparedPackageChecksum();
// Likewise the security version of its verified signature: FALSE on a device
// without a trusted key, where versions do not count.
BOOL PreparedSecurityVersion(DWORD* version);
// Whether that package is a delta package; false before.
bool PreparedPackageIsDelta();

// Fills `preparer` and starts the worker. FALSE without a package path (then
// "Err01" is posted to `window`) or when the thread cannot be created.
BOOL PrepareExtract(Preparer* preparer, HWND window, UINT message, LPCWSTR upgradeFile, LPCWSTR exeFile,
                    LPCWSTR imagesFile, LPCWSTR fontsFile);

// The worker's body: verifies the package, writes the sections, checks the
// checksum and, on a device with a trusted key, the signature, cleans up
// after a failure and posts exactly one result.
DWORD ExtractThreadProc(Preparer* preparer);
