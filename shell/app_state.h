// Process-wide state of the launcher shell, owned by the UI thread and
// defined beside the window procedure.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;
// Written at the start of every window message and never changed after the
// first: the drawing operations take their window from it.
extern HWND g_hWnd;
// The colour of the window's pixel (0, 0) after the first paint.
extern COLORREF g_bkColor;
