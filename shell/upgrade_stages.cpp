// StartExtraction, StartInstallation: the upgrade's two worker stages as the
// UI thread starts them, and StartRollback, the rollback's one;
// OnExtractionResult, OnUpgradeResult, OnRollbackResult: what it does with
// their results. The screen is the UI's: each stage shows itself before its
// worker starts, and a worker that cannot start leaves no result to wait
// for, so the stage ends on screen at once. The upgrade's two stages show a
// progress bar while their worker runs and log their duration when its
// result arrives.
#include "boot_attempt.h"
#include "boot_steps.h"
#include "device_paths.h"
#include "extraction.h"
#include "installation.h"
#include "log_line.h"
#include "progress_bar.h"
#include "rollback.h"
#include "rollback_setting.h"
#include "shell_constants.h"
#include "stage_failures.h"
#include "stage_progress.h"
#include "status_screen.h"
#include "upgrade_log.h"

namespace {

// When the running stage's worker was started.
DWORD g_stageStart = 0;

// The bar shows the stage's worker at work from before it starts.
void BeginWorkerStage(HWND window) {
    g_stageStart = GetTickCount();
    ShowProgressBar(window);
}

// The bar goes before the stage's end is drawn. FALSE when no stage was
// running; otherwise its duration.
BOOL EndWorkerStage(HWND window, DWORD* durationMs) {
    *durationMs = GetTickCount() - g_stageStart;
    return RemoveProgressBar(window);
}

// An upgrade stage whose worker did not start: no code, the stage's text.
StepOutcome WorkerNotStarted(HWND window, WorkerStage stage) {
    RemoveProgressBar(window);
    DrawStatusText(StageFailedText(stage));
    EndUpgradeAttempt(NULL);
    return StepOutcome::kFailed;
}

// The end of a stage that changes the installed version: on success the
// device is reset after a moment, on failure its code stays on screen.
StepOutcome EndStageThatResets(WorkerStage stage, WPARAM succeeded, LPARAM failure, LPCWSTR completeLine,
                               LPCWSTR rebootingText, LPCWSTR failedLine) {
    if (succeeded) {
        LogText(completeLine);
        DrawStatusText(rebootingText);
        return StepOutcome::kDone;
    }
    LogText(failedLine);
    const StageFailureRow row = PostedFailureRow(stage, failure);
    DrawErrorText(row.code, row.screen);
    return StepOutcome::kFailed;
}

}  // namespace

StepOutcome StartExtraction(HWND window) {
    BeginWorkerStage(window);
    if (!PrepareUpgrade(window, WM_EXTRACTION_RESULT, &BootAttempt())) {
        return WorkerNotStarted(window, WorkerStage::kExtraction);
    }
    return StepOutcome::kWaiting;
}

StepOutcome StartInstallation(HWND window) {
    DrawStatusText(L"Upgrading...");
    const bool keepPrevious = ReadRollbackStarts() != kRollbackOff;
    BeginWorkerStage(window);
    if (!StartUpgradeThread(window, WM_UPGRADE_RESULT, BootAttempt(), keepPrevious)) {
        return WorkerNotStarted(window, WorkerStage::kInstallation);
    }
    return StepOutcome::kWaiting;
}

StepOutcome StartRollback(HWND window) {
    DrawTitleText(L"UI APP UPGRADE");
    DrawStatusText(L"Rolling back...");
    BeginUpgradeLog(kUpgradeLogFiles, L"rollback");
    if (!StartRollbackThread(window, WM_ROLLBACK_RESULT)) {
        DrawStatusText(StageFailedText(WorkerStage::kRollback));
        FlushUpgradeLog();
        return StepOutcome::kFailed;
    }
    return StepOutcome::kWaiting;
}

StepOutcome OnExtractionResult(HWND window, WPARAM succeeded, LPARAM failure) {
    DWORD durationMs = 0;
    if (EndWorkerStage(window, &durationMs)) {
        StageProgress& progress = RunningStageProgress();
        LogLine(L"OnExtractionResult(): extraction took=[%lu] ms, bytes=[%lu], files=[%lu]", durationMs,
                progress.Done(), progress.Items());
    }
    if (succeeded) {
        LogText(L"=== Extraction Complete ===\r\n\r\n");
        FlushUpgradeLog();
        return StepOutcome::kDone;
    }
    LogText(L"=== !!! Extraction Failed ===\r\n\r\n");
    const StageFailureRow row = PostedFailureRow(WorkerStage::kExtraction, failure);
    DrawErrorText(row.code, row.screen);
    EndUpgradeAttempt(row.code);
    return StepOutcome::kFailed;
}

StepOutcome OnUpgradeResult(HWND window, WPARAM succeeded, LPARAM failure) {
    DWORD durationMs = 0;
    if (EndWorkerStage(window, &durationMs)) {
        // Each unit of the installation is an entry unpacked or a step of the
        // switch-over.
        StageProgress& progress = RunningStageProgress();
        LogLine(L"OnUpgradeResult(): installation took=[%lu] ms, entries=[%lu], steps=[%lu]", durationMs,
                progress.Items(), progress.Done() - progress.Items());
    }
    const StepOutcome outcome =
        EndStageThatResets(WorkerStage::kInstallation, succeeded, failure, L"=== Upgrade Complete ===\r\n\r\n",
                           L"Upgrade complete. Rebooting...", L"=== !!! Upgrade Failed ===\r\n\r\n");
    EndUpgradeAttempt(succeeded ? NULL : PostedFailureRow(WorkerStage::kInstallation, failure).code);
    return outcome;
}

StepOutcome OnRollbackResult(HWND, WPARAM succeeded, LPARAM failure) {
    const StepOutcome outcome =
        EndStageThatResets(WorkerStage::kRollback, succeeded, failure, L"=== Rollback Complete ===\r\n\r\n",
                           L"Rolled back. Rebooting...", L"=== !!! Rollback Failed ===\r\n\r\n");
    // The upgrade log names the code the screen shows, as for the other stages.
    if (!succeeded) KeepResultCode(PostedFailureRow(WorkerStage::kRollback, failure).code);
    FlushUpgradeLog();
    return outcome;
}
