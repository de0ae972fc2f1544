// The boot as the window's messages drive it: the start, the refusal's
// timer and the workers' results go through the boot's one table.
#pragma once

#include <windows.h>

// On the start-up timer: the boot's first step.
void BeginBoot(HWND window);
// On the refusal's timer: the refused request ends and the boot goes on.
void OnRefusalShown(HWND window);
// A worker's result message (WM_EXTRACTION_RESULT, WM_UPGRADE_RESULT,
// WM_ROLLBACK_RESULT): wParam 1 = success, lParam the failure's value.
void OnStageResult(HWND window, UINT message, WPARAM succeeded, LPARAM failure);
