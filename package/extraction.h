// The extraction stage: a found package is verified and split into its
// three section files beside itself, on a worker thread of its own.
#pragma once

#include <windows.h>

#include "extract_codes.h"
#include "upgrade_attempt.h"
#include "worker.h"

// One record per run (see WorkerRecord), with the attempt it completes.
struct Preparer : WorkerRecord<ExtractFailure> {
    // Given what the extraction verified once it succeeds; null: nothing is
    // kept beyond the posted result.
    UpgradeAttempt* attempt;
};

// UI thread: removes the stale start-up folder, creates the record and
// starts the worker on the attempt's package and section files, which posts
// its result as `message` to `window` and completes `attempt` before it
// posts a success. The caller shows the stage. TRUE when the worker started.
BOOL PrepareUpgrade(HWND window, UINT message, UpgradeAttempt* attempt);

// Fills `preparer` and starts the worker. FALSE without a package (then
// ExtractFailure::kNoUpgradeFile is posted to `window`) or when the thread
// cannot be created.
BOOL PrepareExtract(Preparer* preparer, HWND window, UINT message, UpgradeAttempt* attempt);

// The worker's body: runs ExtractPackageSections on the record's files with
// the device's trusted key and security floor, and posts exactly one result.
DWORD ExtractThreadProc(Preparer* preparer);
