// Process entry, window procedure, start-up decision, launch and reset.
#pragma once

#include <windows.h>

BOOL InitInstance(HINSTANCE instance, int showCommand);
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void Initialize(HWND window);
BOOL ExecuteFile(LPCWSTR path, LPCWSTR parameters);
BOOL StartUpgradeThread();
void ResetDevice();
