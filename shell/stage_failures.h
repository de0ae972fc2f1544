// What the screen shows for a failed worker stage: the one table that pairs
// each failure a stage's worker posts with its code text (owned by the
// stage's code table) and the screen text beside it.
#pragma once

#include <windows.h>

#include "extract_codes.h"
#include "install_codes.h"
#include "rollback_codes.h"

enum class WorkerStage { kExtraction, kInstallation, kRollback };

struct StageFailureRow {
    WorkerStage stage;
    DWORD failure;  // the enum value the worker posts
    LPCWSTR code;   // "Err0F"
    LPCWSTR screen;  // "Preparation failed"
};

// The screen text of a stage that failed without a code: its worker did not
// start. Also the text of a posted failure that has no row.
LPCWSTR StageFailedText(WorkerStage stage);

// The row of `failure` as `stage`'s worker posted it; for a value without a
// row, kUnknownFailureCode and the stage's own text.
StageFailureRow PostedFailureRow(WorkerStage stage, LPARAM failure);

// Every row, for a check that none is missing.
const StageFailureRow* StageFailureRows(size_t* count);
