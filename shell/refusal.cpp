// CheckRefusal, EndRefusal: a requested package that was rolled back
// earlier, that a keyed device's security floor or model rules out, or that
// the device has no room for, is not installed. Its code shows for a moment;
// then the request goes, with a
// downloaded package and its signature, and the boot goes on as one without
// a request, so the device is never left halted.
#include <strsafe.h>

#include "boot_attempt.h"
#include "boot_steps.h"
#include "device_paths.h"
#include "file_helpers.h"
#include "log_line.h"
#include "refusal_codes.h"
#include "model_refusal.h"
#include "rejected_package.h"
#include "security_floor.h"
#include "shell_constants.h"
#include "space_refusal.h"
#include "signature_check.h"
#include "status_screen.h"
#include "upgrade_log.h"

namespace {

// A failure is only logged: a request that stays is refused again.
void DeleteRequestFile(LPCWSTR path) {
    if (!DeleteFileW(path)) {
        LogLine(L"EndRefusal(): !!! Failed to delete file=[%s], error=[%ld]", path, GetLastError());
    }
}

// On a device with a trusted key, a package whose signature claims a
// security version below the floor. The claim is not verified here: it can
// only refuse a package, and one that passes is verified by the extraction.
// A package without a readable signature is left to the extraction, which
// refuses it.
BOOL IsBelowSecurityFloor(LPCWSTR package, DWORD* version, DWORD* floor) {
    if (!FileExists(kTrustedKeyFile) || !ReadSecurityVersion(package, version)) return FALSE;
    *floor = ReadSecurityFloor();
    return *version < *floor;
}

void ShowRefusal(HWND window, Refusal refusal) {
    const LPCWSTR code = FailureCode(refusal);
    DrawErrorText(code, RefusalText(refusal));
    KeepResultCode(code);
    SetTimer(window, IDT_REFUSAL, kRefusalDelayMs, NULL);
}

// TRUE when the package is refused.
BOOL RefusePackage(HWND window, LPCWSTR package) {
    DWORD checksum = 0;
    if (IsRejectedPackage(package, &checksum)) {
        LogLine(L"StartExtraction(): !!! Rolled back=[%s], checksum=[%08lX]", package, checksum);
        ShowRefusal(window, Refusal::kRolledBack);
        return TRUE;
    }
    DWORD version = 0, floor = 0;
    if (IsBelowSecurityFloor(package, &version, &floor)) {
        // Without the path, which the search logged: the line stays within
        // the 127 characters the device's debug output takes.
        LogLine(L"StartExtraction(): !!! Package older than installed, security version=[%lu], floor=[%lu]", version,
                floor);
        ShowRefusal(window, Refusal::kBelowSecurityFloor);
        return TRUE;
    }
    if (IsForAnotherModel(package, BootAttempt().device_model)) {
        ShowRefusal(window, Refusal::kAnotherModel);
        return TRUE;
    }
    if (IsShortOfSpace(BootAttempt())) {
        ShowRefusal(window, Refusal::kNotEnoughSpace);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

StepOutcome CheckRefusal(HWND window) {
    DrawTitleText(L"UI APP UPGRADE");
    DrawStatusText(L"Preparing...");
    // The extraction holds the package to the same model.
    ReadDeviceModel(BootAttempt().device_model);
    // Before anything is written: a refused package changes nothing here.
    return RefusePackage(window, BootAttempt().package_file) ? StepOutcome::kRefused : StepOutcome::kDone;
}

StepOutcome EndRefusal(HWND) {
    const UpgradeAttempt& attempt = BootAttempt();
    if (attempt.remote) {
        DeleteRequestFile(kRemoteUpgradeFlag);
        DeleteRequestFile(attempt.package_file);
        WCHAR signatureFile[MAX_PATH];
        if (SUCCEEDED(StringCchPrintfW(signatureFile, MAX_PATH, L"%s%s", attempt.package_file, kSignatureSuffix)) &&
            FileExists(signatureFile)) {
            DeleteRequestFile(signatureFile);
        }
    } else {
        DeleteRequestFile(kUpgradeFlag);
    }
    LogLine(L"EndRefusal(): removed upgrade request");
    EndUpgradeAttempt(NULL);
    return StepOutcome::kDone;
}
