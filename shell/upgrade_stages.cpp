// StartExtraction, StartInstallation: the upgrade's two worker stages as the
// UI thread starts them, and StartRollback, the rollback's one;
// OnExtractionResult, OnUpgradeResult, OnRollbackResult: what it does with
// their results. The screen is the UI's: each stage shows itself
// before its worker starts, and a worker that cannot start leaves no result
// to wait for, so the stage ends on screen at once.
#include "extraction.h"
#include "installation.h"
#include "launcher.h"
#include "rollback.h"
#include "rollback_setting.h"
#include "shell_constants.h"
#include "status_screen.h"
#include "upgrade_state.h"

namespace {

// Each stage's failure, on its own or after the code its worker posted.
constexpr const WCHAR* kPreparationFailed = L"Preparation failed";
constexpr const WCHAR* kUpgradeFailed = L"Upgrade failed";
constexpr const WCHAR* kRollbackFailed = L"Rollback failed";

}  // namespace

void StartExtraction(HWND window) {
    DrawTitleText(L"UI APP UPGRADE");
    DrawStatusText(L"Preparing...");
    // Before anything is written: a refused package changes nothing here.
    if (RefuseRejectedPackage(window)) return;
    SectionFiles sections = FoundSectionFiles();
    if (!PrepareUpgrade(window, WM_EXTRACTION_RESULT, g_upgradeFile, sections.exe_file, sections.images_file,
                        sections.fonts_file)) {
        DrawStatusText(kPreparationFailed);
    }
}

void StartInstallation(HWND window) {
    DrawStatusText(L"Upgrading...");
    SectionFiles sections = FoundSectionFiles();
    const bool keepPrevious = ReadRollbackStarts() != kRollbackOff;
    if (!StartUpgradeThread(window, WM_UPGRADE_RESULT, g_remoteUpgrade, g_upgradeFile, sections.exe_file,
                            sections.images_file, sections.fonts_file, keepPrevious, PreparedPackageChecksum())) {
        DrawStatusText(kUpgradeFailed);
    }
}

void StartRollback(HWND window) {
    DrawTitleText(L"UI APP UPGRADE");
    DrawStatusText(L"Rolling back...");
    if (!StartRollbackThread(window, WM_ROLLBACK_RESULT)) DrawStatusText(kRollbackFailed);
}

void OnExtractionResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    if (succeeded) {
        NKDbgPrintfW(L"=== Extraction Complete ===\r\n\r\n");
        StartInstallation(window);
    } else {
        NKDbgPrintfW(L"=== !!! Extraction Failed ===\r\n\r\n");
        DrawErrorText(reinterpret_cast<LPCWSTR>(codeText), kPreparationFailed);
    }
}

void OnUpgradeResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    if (succeeded) {
        NKDbgPrintfW(L"=== Upgrade Complete ===\r\n\r\n");
        DrawStatusText(L"Upgrade complete. Rebooting...");
        SetTimer(window, IDT_RESET, kResetDelayMs, NULL);
    } else {
        NKDbgPrintfW(L"=== !!! Upgrade Failed ===\r\n\r\n");
        DrawErrorText(reinterpret_cast<LPCWSTR>(codeText), kUpgradeFailed);
    }
}

void OnRollbackResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    if (succeeded) {
        NKDbgPrintfW(L"=== Rollback Complete ===\r\n\r\n");
        DrawStatusText(L"Rolled back. Rebooting...");
        SetTimer(window, IDT_RESET, kResetDelayMs, NULL);
    } else {
        NKDbgPrintfW(L"=== !!! Rollback Failed ===\r\n\r\n");
        DrawErrorText(reinterpret_cast<LPCWSTR>(codeText), kRollbackFailed);
    }
}
