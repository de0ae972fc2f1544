// PostUpgradeResult, ReportInstallFailure: the installation's one result.
#include "app_state.h"
#include "install_codes.h"
#include "installation.h"
#include "result_messages.h"

void PostUpgradeResult(int succeeded, LPCWSTR text) {
    if (g_hWnd) PostMessageW(g_hWnd, WM_UPGRADE_RESULT, succeeded, reinterpret_cast<LPARAM>(text));
}

void ReportInstallFailure(DWORD index) { PostUpgradeResult(0, InstallFailureCode(index)); }
