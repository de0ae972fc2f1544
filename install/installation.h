// The installation stage: switches the device over to the extracted files.
#pragma once

#include <windows.h>

// The installation worker's body; posts exactly one WM_UPGRADE_RESULT to
// g_hWnd (none when it is null) and returns 0.
DWORD UpgradeThreadProc();
