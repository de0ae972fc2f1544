// PostUpgradeResult, ReportInstallFailure: the installation's one result.
#include "install_codes.h"
#include "installation.h"

void PostUpgradeResult(const Installer* installer, int succeeded, LPCWSTR text) {
    if (installer->notify_window) {
        PostMessageW(installer->notify_window, installer->notify_message, succeeded, reinterpret_cast<LPARAM>(text));
    }
}

void ReportInstallFailure(const Installer* installer, DWORD index) {
    PostUpgradeResult(installer, 0, InstallFailureCode(index));
}
