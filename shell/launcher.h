// Process entry, window procedure, start-up decision, launch and reset.
#pragma once

#include <windows.h>

BOOL InitInstance(HINSTANCE instance, int showCommand);
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void Initialize(HWND window);
BOOL ExecuteFile(LPCWSTR path, LPCWSTR parameters);
// A boot without an upgrade: the trial's start counted (or the rollback,
// once its starts are used up), then the main application or the shell.
void LaunchMainApplication(HWND window);
// A requested package rolled back earlier, or below a keyed device's
// security floor: its code on screen for a moment, then (EndRefusal, on its
// timer) the request removed and the application launched. TRUE when the
// package is refused.
BOOL RefusePackage(HWND window);
void EndRefusal(HWND window);
// The upgrade's stages on the UI thread: each shows itself, starts its
// worker and, when the worker cannot start, ends the stage on screen.
void StartExtraction(HWND window);
void StartInstallation(HWND window);
// The rollback of a version that used up its trial, as a stage of its own.
void StartRollback(HWND window);
// The workers' result messages: wParam 1 = success, lParam the code text.
void OnExtractionResult(HWND window, WPARAM succeeded, LPARAM codeText);
void OnUpgradeResult(HWND window, WPARAM succeeded, LPARAM codeText);
void OnRollbackResult(HWND window, WPARAM succeeded, LPARAM codeText);
// The end of an upgrade attempt, whatever its outcome: its lines, and the
// code of a failure when it has one, to the device's upgrade log and, from a
// USB disk, beside the package.
void EndUpgradeAttempt(LPCWSTR failureCode);
void ResetDevice();
