// The rollback stage: a new version that used up its trial's starts without
// deleting Trial.flag is moved out, the version kept in Previous moved back,
// the release recorded as rejected and the trial ended, on a worker thread
// of its own that reports one result to the main window.
//
// Every step can be redone after a power cut: Trial.flag names which items
// the old version had (trial_flag.h), so an item still in Previous is
// yet to come back and one gone from it is back; Trial.flag goes only once
// the rejected release is recorded, and with it the rollback is over.
#pragma once

#include <windows.h>

#include "kept_items.h"
#include "rollback_codes.h"
#include "worker.h"

// One record per run (see WorkerRecord; no package or section paths).
struct Rollback : WorkerRecord<RollbackFailure> {
    bool old_items[kItemCount];  // which items the old version had
};

// UI thread: creates the record and starts the worker, which posts its
// result as `message` to `window`. The caller shows the stage. TRUE when the
// worker started; the record is the worker's, freed when it ends.
BOOL StartRollbackThread(HWND window, UINT message);

// The worker's body; posts exactly one result (none without a window) and
// returns 0.
DWORD RollbackThreadProc(Rollback* rollback);
