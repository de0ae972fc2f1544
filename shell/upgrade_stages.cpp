// StartExtraction, StartInstallation: the upgrade's two worker stages as the
// UI thread starts them, and StartRollback, the rollback's one;
// OnExtractionResult, OnUpgradeResult, OnRollbackResult: what it does with
// their results. The screen is the UI's: each stage shows itself
// before its worker starts, and a worker that cannot start leaves no result
// to wait for, so the stage ends on screen at once. The upgrade's two stages
// show a progress bar while their worker runs and log their duration when
// its result arrives. EndUpgradeAttempt: the attempt's lines to the upgrade
// logs.
#include "device_paths.h"
#include "extraction.h"
#include "installation.h"
#include "launcher.h"
#include "log_line.h"
#include "progress_bar.h"
#include "rollback.h"
#include "rollback_setting.h"
#include "shell_constants.h"
#include "stage_progress.h"
#include "status_screen.h"
#include "upgrade_log.h"
#include "upgrade_state.h"

namespace {

// Each stage's failure, on its own or after the code its worker posted.
constexpr const WCHAR* kPreparationFailed = L"Preparation failed";
constexpr const WCHAR* kUpgradeFailed = L"Upgrade failed";
constexpr const WCHAR* kRollbackFailed = L"Rollback failed";
constexpr const WCHAR* kDeltaDoesNotFit = L"Delta does not fit";

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

}  // namespace

void StartExtraction(HWND window) {
    DrawTitleText(L"UI APP UPGRADE");
    DrawStatusText(L"Preparing...");
    // Before anything is written: a refused package changes nothing here.
    if (RefusePackage(window)) return;
    SectionFiles sections = FoundSectionFiles();
    BeginWorkerStage(window);
    if (!PrepareUpgrade(window, WM_EXTRACTION_RESULT, g_upgradeFile, sections.exe_file, sections.images_file,
                        sections.fonts_file)) {
        RemoveProgressBar(window);
        DrawStatusText(kPreparationFailed);
        EndUpgradeAttempt(NULL);
    }
}

void StartInstallation(HWND window) {
    DrawStatusText(L"Upgrading...");
    SectionFiles sections = FoundSectionFiles();
    const bool keepPrevious = ReadRollbackStarts() != kRollbackOff;
    DWORD securityVersion = 0;
    const BOOL keyed = PreparedSecurityVersion(&securityVersion);
    BeginWorkerStage(window);
    if (!StartUpgradeThread(window, WM_UPGRADE_RESULT, g_remoteUpgrade, g_upgradeFile, sections.exe_file,
                            sections.images_file, sections.fonts_file, keepPrevious, PreparedPackageChecksum(),
                            keyed ? &securityVersion : NULL, PreparedPackageIsDelta())) {
        RemoveProgressBar(window);
        DrawStatusText(kUpgradeFailed);
        EndUpgradeAttempt(NULL);
    }
}

void StartRollback(HWND window) {
    DrawTitleText(L"UI APP UPGRADE");
    DrawStatusText(L"Rolling back...");
    BeginUpgradeLog(kUpgradeLogFiles, L"rollback");
    if (!StartRollbackThread(window, WM_ROLLBACK_RESULT)) {
        DrawStatusText(kRollbackFailed);
        FlushUpgradeLog();
    }
}

void OnExtractionResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    DWORD durationMs = 0;
    if (EndWorkerStage(window, &durationMs)) {
        StageProgress& progress = RunningStageProgress();
        LogLine(L"OnExtractionResult(): extraction took=[%lu] ms, bytes=[%lu], files=[%lu]", durationMs,
                progress.Done(), progress.Items());
    }
    if (succeeded) {
        LogText(L"=== Extraction Complete ===\r\n\r\n");
        FlushUpgradeLog();
        StartInstallation(window);
    } else {
        LogText(L"=== !!! Extraction Failed ===\r\n\r\n");
        DrawErrorText(reinterpret_cast<LPCWSTR>(codeText), kPreparationFailed);
        EndUpgradeAttempt(reinterpret_cast<LPCWSTR>(codeText));
    }
}

namespace {

// The end of a stage that changes the installed version: on success the
// device is reset after a moment, on failure its code stays on screen.
void EndStageThatResets(HWND window, WPARAM succeeded, LPARAM codeText, LPCWSTR completeLine,
                        LPCWSTR rebootingText, LPCWSTR failedLine, LPCWSTR failedText) {
    if (succeeded) {
        LogText(completeLine);
        DrawStatusText(rebootingText);
        SetTimer(window, IDT_RESET, kResetDelayMs, NULL);
    } else {
        LogText(failedLine);
        DrawErrorText(reinterpret_cast<LPCWSTR>(codeText), failedText);
    }
}

}  // namespace

void OnUpgradeResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    DWORD durationMs = 0;
    if (EndWorkerStage(window, &durationMs)) {
        // Each unit of the installation is an entry unpacked or a step of the
        // switch-over.
        StageProgress& progress = RunningStageProgress();
        LogLine(L"OnUpgradeResult(): installation took=[%lu] ms, entries=[%lu], steps=[%lu]", durationMs,
                progress.Items(), progress.Done() - progress.Items());
    }
    EndStageThatResets(window, succeeded, codeText, L"=== Upgrade Complete ===\r\n\r\n",
                       L"Upgrade complete. Rebooting...", L"=== !!! Upgrade Failed ===\r\n\r\n",
                       IsDeltaMismatchCode(reinterpret_cast<LPCWSTR>(codeText)) ? kDeltaDoesNotFit : kUpgradeFailed);
    EndUpgradeAttempt(succeeded ? NULL : reinterpret_cast<LPCWSTR>(codeText));
}

void OnRollbackResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    EndStageThatResets(window, succeeded, codeText, L"=== Rollback Complete ===\r\n\r\n",
                       L"Rolled back. Rebooting...", L"=== !!! Rollback Failed ===\r\n\r\n", kRollbackFailed);
    FlushUpgradeLog();
}

void EndUpgradeAttempt(LPCWSTR failureCode) {
    if (failureCode) KeepResultCode(failureCode);
    FlushUpgradeLog();
    if (!g_remoteUpgrade && g_sourceDir[0]) CopyUpgradeLogTo(g_sourceDir);
}
