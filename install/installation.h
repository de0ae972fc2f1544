// The installation stage: switches the device over to the extracted files
// (images, then fonts, then the executable), removes the request, and
// reports one result to the main window.
#pragma once

#include <windows.h>

// The installation worker's body; posts exactly one WM_UPGRADE_RESULT to
// g_hWnd (none when it is null) and returns 0.
DWORD UpgradeThreadProc();

// Posts WM_UPGRADE_RESULT with `succeeded` and the constant `text` to g_hWnd,
// when there is a window; the worker never waits for it.
void PostUpgradeResult(int succeeded, LPCWSTR text);

// Posts the failure result of `index` ("ErrFF" outside the table).
void ReportInstallFailure(DWORD index);
