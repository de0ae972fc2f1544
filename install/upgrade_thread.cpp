// StartUpgradeThread: the installation worker's thread and its record.
#include "installation.h"

namespace {

// The record belongs to the thread: nobody else touches it once the worker
// runs, and the posted result carries only a constant text.
DWORD WINAPI UpgradeThreadEntry(LPVOID record) {
    Installer* installer = static_cast<Installer*>(record);
    DWORD exitCode = UpgradeThreadProc(installer);
    LocalFree(installer);
    return exitCode;
}

}  // namespace

BOOL StartUpgradeThread(HWND window, UINT message, bool remoteUpgrade, LPCWSTR upgradeFile, LPCWSTR exeFile,
                        LPCWSTR imagesFile, LPCWSTR fontsFile) {
    Installer* installer = static_cast<Installer*>(LocalAlloc(LPTR, sizeof(Installer)));
    if (!installer) {
        NKDbgPrintfW(L"StartUpgradeThread(): !!! Failed to create installer, error=[%ld], at=[%ld]\r\n",
                     GetLastError(), GetTickCount());
        return FALSE;
    }
    installer->notify_window = window;
    installer->notify_message = message;
    installer->remote_upgrade = remoteUpgrade;
    installer->upgrade_file = upgradeFile;
    installer->exe_file = exeFile;
    installer->images_file = imagesFile;
    installer->fonts_file = fontsFile;

    // Nobody waits for the worker; its handle is left to the end of the process.
    HANDLE thread = CreateThread(NULL, 0, UpgradeThreadEntry, installer, 0, NULL);
    if (!thread) {
        NKDbgPrintfW(L"StartUpgradeThread(): !!! Failed to create thread, error=[%ld], at=[%ld]\r\n", GetLastError(),
                     GetTickCount());
        LocalFree(installer);
        return FALSE;
    }
    return TRUE;
}
