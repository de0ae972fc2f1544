// The trusted keys' replacement in two moves, each one rename on the flash,
// so that at any moment one complete key file is in force.
#include "key_rotation.h"

#include "device_paths.h"
#include "file_helpers.h"
#include "log_line.h"
#include "package_constants.h"

namespace {

bool IsThere(LPCWSTR path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// The number of keys of a trusted key file, for the log: one key file each.
DWORD KeysIn(LPCWSTR path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const DWORD size = GetFileSize(file, NULL);
    CloseHandle(file);
    return size == INVALID_FILE_SIZE ? 0 : size / kPublicKeyFileSize;
}

}  // namespace

LPCWSTR TrustedKeyFileInForce() {
    if (!IsThere(kTrustedKeyFile) && IsThere(kNextKeysFile)) return kNextKeysFile;
    return kTrustedKeyFile;
}

BOOL HoldsTrustedKeys() { return IsThere(kTrustedKeyFile) || IsThere(kNextKeysFile); }

BOOL PrepareKeyRotation(const BYTE* nextKeys, DWORD size) {
    if (size == 0) {
        if (!IsThere(kNextKeysFile) || DeleteFileW(kNextKeysFile)) return TRUE;
        LogLine(L"UpgradeThreadProc(): !!! Failed to delete file=[%s], error=[%ld]", kNextKeysFile, GetLastError());
        return FALSE;
    }
    HANDLE file = CreateFileW(kNextKeysFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    BOOL ok = file != INVALID_HANDLE_VALUE && WriteFile(file, nextKeys, size, &written, NULL) && written == size &&
              FlushFileBuffers(file);
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file)) ok = FALSE;
    if (!ok) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to write next keys=[%s], error=[%ld]", kNextKeysFile, error);
        return FALSE;
    }
    LogLine(L"UpgradeThreadProc(): wrote next keys=[%s]", kNextKeysFile);
    return TRUE;
}

BOOL FinishKeyRotation(bool keepReplaced, LPCWSTR caller) {
    if (!IsThere(kNextKeysFile)) return TRUE;
    if (IsThere(kTrustedKeyFile)) {
        // A copy kept by an earlier rotation of this same version is stale.
        if (keepReplaced && IsThere(kPreviousKeys)) DeleteFileW(kPreviousKeys);
        const BOOL moved = keepReplaced ? MoveFileW(kTrustedKeyFile, kPreviousKeys) : DeleteFileW(kTrustedKeyFile);
        if (!moved) {
            LogLine(L"%s(): !!! Failed to replace trusted keys=[%s], error=[%ld]", caller, kTrustedKeyFile,
                    GetLastError());
            return FALSE;
        }
    }
    if (!MoveFileW(kNextKeysFile, kTrustedKeyFile)) {
        LogLine(L"%s(): !!! Failed to move next keys=[%s], error=[%ld]", caller, kNextKeysFile, GetLastError());
        return FALSE;
    }
    LogLine(L"%s(): rotated trusted keys, keys=[%lu]%s", caller, KeysIn(kTrustedKeyFile),
            keepReplaced ? L", old keys kept" : L"");
    return TRUE;
}

void ResumeKeyRotation() {
    if (!IsThere(kNextKeysFile)) return;
    FinishKeyRotation(IsThere(kTrialFlag) && IsThere(kPreviousFolder), L"Initialize");
}

BOOL RestorePreviousKeys() {
    if (!IsThere(kPreviousKeys)) return FinishKeyRotation(false, L"RollbackThreadProc");
    // The upgrade's own rotation is completed first, so that some key file
    // is in force at every moment.
    if (!IsThere(kTrustedKeyFile) && !FinishKeyRotation(false, L"RollbackThreadProc")) return FALSE;
    // An Upgrade.next beside a complete Upgrade.pub is not in force.
    if (IsThere(kNextKeysFile)) DeleteFileW(kNextKeysFile);
    if (!MoveFileW(kPreviousKeys, kNextKeysFile)) {
        LogLine(L"RollbackThreadProc(): !!! Failed to restore old keys=[%s], error=[%ld]", kPreviousKeys,
                GetLastError());
        return FALSE;
    }
    LogLine(L"RollbackThreadProc(): restored old keys=[%s]", kTrustedKeyFile);
    return FinishKeyRotation(false, L"RollbackThreadProc");
}
