// The installation stage: switches the device over to the extracted files
// (images, then fonts, then the executable), removes the request, and
// reports one result to the main window, on a worker thread of its own.
#pragma once

#include <windows.h>

#include <optional>

#include "install_codes.h"
#include "kept_items.h"
#include "upgrade_attempt.h"
#include "worker.h"

// One record per run (see WorkerRecord), with where the package came from
// and what the extraction verified of it.
struct Installer : WorkerRecord<InstallFailure> {
    // The package came from the download folder: its flag, the package and
    // its signature go after a success. A USB disk's package stays.
    bool remote_upgrade;
    // Rollback on: the replaced version is kept in Previous and the new one
    // starts a trial (previous_version.h).
    bool keep_previous;
    DWORD package_checksum;  // the package's stored checksum, for the trial
    // A device with a trusted key: the verified security version becomes the
    // floor once the release has proved itself (security_floor.h); none
    // without a trusted key.
    std::optional<DWORD> security_version;
    // A delta package: the sections are installed against the installed
    // version (delta_install.h).
    bool delta;
    bool delta_exe_patch;  // its exe section is a patch, not the whole file
    // The keys trusted once the package is installed, as a trusted key file
    // (key_rotation.h); size 0: the keys stay.
    const BYTE* next_keys;
    DWORD next_keys_size;
    // Which items the old version had: from the marker, once it is ready.
    bool old_items[kItemCount];
};

// UI thread: creates the record for `attempt` and starts the worker, which
// posts its result as `message` to `window`. The caller shows the stage.
// TRUE when the worker started; the record is the worker's, freed when it
// ends. The attempt must outlive the worker: the record points into it.
BOOL StartUpgradeThread(HWND window, UINT message, const UpgradeAttempt& attempt, bool keepPrevious = false);

// The worker's body; posts exactly one result (none without a window) and
// returns 0.
DWORD UpgradeThreadProc(Installer* installer);
