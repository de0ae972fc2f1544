// RefuseRejectedPackage, EndRefusal: a requested package that was rolled
// back earlier is not installed again. Its code shows for a moment; then the
// request goes, with a downloaded package and its signature, and the boot
// goes on as one without a request, so the device is never left halted.
#include <strsafe.h>

#include "device_files.h"
#include "file_helpers.h"
#include "launcher.h"
#include "rejected_package.h"
#include "shell_constants.h"
#include "status_screen.h"
#include "upgrade_state.h"

namespace {

// A failure is only logged: a request that stays is refused again.
void DeleteRequestFile(LPCWSTR path) {
    if (!DeleteFileW(path)) {
        NKDbgPrintfW(L"EndRefusal(): !!! Failed to delete file=[%s], error=[%ld], at=[%ld]\r\n", path, GetLastError(),
                     GetTickCount());
    }
}

}  // namespace

BOOL RefuseRejectedPackage(HWND window) {
    DWORD checksum = 0;
    if (!IsRejectedPackage(g_upgradeFile, &checksum)) return FALSE;
    NKDbgPrintfW(L"StartExtraction(): !!! Rolled back=[%s], checksum=[%08lX], at=[%ld]\r\n",
                 g_upgradeFile, checksum, GetTickCount());
    DrawErrorText(L"Err10", L"Package rolled back earlier");
    SetTimer(window, IDT_REFUSAL, kRefusalDelayMs, NULL);
    return TRUE;
}

void EndRefusal(HWND window) {
    if (g_remoteUpgrade) {
        DeleteRequestFile(kRemoteUpgradeFlag);
        DeleteRequestFile(g_upgradeFile);
        WCHAR signatureFile[MAX_PATH];
        if (SUCCEEDED(StringCchPrintfW(signatureFile, MAX_PATH, L"%s%s", g_upgradeFile, kSignatureSuffix)) &&
            FileExists(signatureFile)) {
            DeleteRequestFile(signatureFile);
        }
    } else {
        DeleteRequestFile(kUpgradeFlag);
    }
    NKDbgPrintfW(L"EndRefusal(): removed upgrade request, at=[%ld]\r\n", GetTickCount());
    LaunchMainApplication(window);
}
