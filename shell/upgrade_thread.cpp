// StartUpgradeThread: the installation worker's thread.
#include "installation.h"
#include "launcher.h"

namespace {

DWORD WINAPI UpgradeThreadEntry(LPVOID) { return UpgradeThreadProc(); }

}  // namespace

BOOL StartUpgradeThread() {
    // Nobody waits for the worker; its handle is left to the end of the process.
    HANDLE thread = CreateThread(NULL, 0, UpgradeThreadEntry, NULL, 0, NULL);
    if (!thread) {
        NKDbgPrintfW(L"StartUpgradeThread(): !!! Failed to create thread, error=[%ld], at=[%ld]\r\n", GetLastError(),
                     GetTickCount());
        return FALSE;
    }
    return TRUE;
}
