// STAND-IN for the installation worker, until it is built: it installs
// nothing and reports the stage as failed with "ErrFF", so that an upgrade
// run ends on the window's "Upgrade failed" line instead of hanging on
// "Upgrading...".
#include "app_state.h"
#include "installation.h"
#include "result_messages.h"

DWORD UpgradeThreadProc() {
    NKDbgPrintfW(L"UpgradeThreadProc(): !!! Installation is not available in this build, at=[%ld]\r\n",
                 GetTickCount());
    if (g_hWnd) PostMessageW(g_hWnd, WM_UPGRADE_RESULT, 0, reinterpret_cast<LPARAM>(L"ErrFF"));
    return 0;
}
