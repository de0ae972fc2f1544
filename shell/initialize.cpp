// The boot's first steps (start-up, the search) and its launch step: what a
// boot without an upgrade does. ExecuteFile: launching a program.
#include <shellapi.h>

#include "boot_attempt.h"
#include "boot_steps.h"
#include "file_helpers.h"
#include "install_constants.h"
#include "key_rotation.h"
#include "launcher.h"
#include "log_line.h"
#include "screen_layout.h"
#include "shell_constants.h"
#include "status_screen.h"
#include "trial_start.h"
#include "upgrade_log.h"
#include "upgrade_search.h"

namespace {

BOOL Launch(LPCWSTR path, LPCWSTR parameters) {
    SHELLEXECUTEINFOW request;
    ZeroMemory(&request, sizeof(request));
    request.cbSize = sizeof(request);
    // No error UI from the platform; the process handle it returns is not used.
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpFile = path;
    request.lpParameters = parameters;
    request.nShow = SW_SHOW;
    return ShellExecuteExW(&request);
}

void HidePointer() {
    SetCursorPos(kScreenWidth, kScreenHeight);
    while (ShowCursor(FALSE) >= 0) Sleep(1);
}

}  // namespace

BOOL ExecuteFile(LPCWSTR path, LPCWSTR parameters) {
    if (!FileExists(path)) {
        LogLine(L"ExecuteFile(): !!! File not exist=[%s]", path);
        return FALSE;
    }

    if (Launch(path, parameters)) return TRUE;
    LogLine(L"ExecuteFile(): !!! Failed to execute app=[%s], error=[%ld]", path, GetLastError());
    return FALSE;
}

StepOutcome ShowStartUp(HWND) {
    HidePointer();
    ShowStartScreen();
    return StepOutcome::kDone;
}

StepOutcome SearchForUpgrade(HWND) {
    // May block the UI thread for many seconds while it waits for media.
    if (CheckUpgrade(DrawStatusText, &BootAttempt())) {
        FlushUpgradeLog();
        return StepOutcome::kDone;
    }
    EndUpgradeAttempt(NULL);
    return StepOutcome::kNoRequest;
}

StepOutcome LaunchMainApplication(HWND window) {
    if (TrialStartsUsedUp()) return StepOutcome::kTrialUsedUp;
    // A key rotation a power cut interrupted after the request had gone.
    ResumeKeyRotation();

    if (ExecuteFile(kInstalledExe, NULL) || Launch(kFallbackShell, NULL)) {
        SetTimer(window, IDT_QUIT, kQuitDelayMs, NULL);
        return StepOutcome::kDone;
    }
    LogLine(L"Initialize(): !!! Initialization Failed. Unable to execute app=[%s], error=[%ld]", kFallbackShell,
            GetLastError());
    MessageBoxW(NULL, L"Initialization Failed", L"ERROR", MB_OK | MB_ICONERROR | MB_TOPMOST);
    return StepOutcome::kFailed;
}
