// The messages the workers post to the main window: wParam 1 = success,
// 0 = failure; lParam = a constant UTF-16 text that nobody frees (empty on
// success, the failure code on failure).
#pragma once

#include <windows.h>

#define WM_EXTRACTION_RESULT (WM_USER + 101)
#define WM_UPGRADE_RESULT (WM_USER + 102)
#define WM_ROLLBACK_RESULT (WM_USER + 103)
