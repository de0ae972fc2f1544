// The messages the workers post to the main window: wParam 1 = success,
// 0 = failure; lParam = the value of the stage's failure enum (0 on
// success), which the shell's failure table turns into its code and screen
// text (stage_failures.h).
#pragma once

#include <windows.h>

#define WM_EXTRACTION_RESULT (WM_USER + 101)
#define WM_UPGRADE_RESULT (WM_USER + 102)
#define WM_ROLLBACK_RESULT (WM_USER + 103)
