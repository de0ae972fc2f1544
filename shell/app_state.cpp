#include "app_state.h"

HINSTANCE g_hInstance = NULL;
HWND g_hWnd = NULL;
COLORREF g_bkColor = RGB(255, 255, 255);
