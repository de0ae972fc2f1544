// Process entry, window procedure, launch and reset.
#pragma once

#include <windows.h>

BOOL InitInstance(HINSTANCE instance, int showCommand);
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL ExecuteFile(LPCWSTR path, LPCWSTR parameters);
void ResetDevice();
