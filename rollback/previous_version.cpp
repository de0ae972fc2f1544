// PreparePrevious, ClearInstalled, StartTrial: keeping the replaced version
// and starting the new one's trial (the marker is described in
// previous_version.h).
#include "previous_version.h"

#include "device_paths.h"
#include "file_helpers.h"
#include "log_line.h"
#include "previous_mark.h"
#include "security_floor.h"
#include "trial_flag.h"
#include "trial_records.h"

namespace {

// A trial marker of the same package: its switch-over was complete.
BOOL TrialOfSamePackage(DWORD packageChecksum) {
    TrialFlag trial;
    return ReadTrialFlag(&trial) && trial.checksum_known && trial.checksum == packageChecksum;
}

BOOL PreparationFailed(LPCWSTR path) {
    LogLine(L"UpgradeThreadProc(): !!! Failed to prepare previous version=[%s], error=[%ld]", path, GetLastError());
    return FALSE;
}

}  // namespace

BOOL PreparePrevious(DWORD packageChecksum, bool (&oldItems)[kItemCount]) {
    if (ReadPreviousMark(oldItems)) {
        LogLine(L"UpgradeThreadProc(): resuming previous version=[%s]", kPreviousFolder);
        return TRUE;
    }
    // Previous is complete when this package's switch-over was: what it
    // holds is what the old version had.
    for (int item = 0; item < kItemCount; ++item) oldItems[item] = FileExists(kPreviousItems[item]);
    if (TrialOfSamePackage(packageChecksum)) {
        LogLine(L"UpgradeThreadProc(): previous version already kept=[%s]", kPreviousFolder);
        return TRUE;
    }
    // A marker that is no complete text was cut before its flush: nothing
    // had moved yet, so the folder holds no part of this upgrade.
    if (FileExists(kPreviousMark) && !DeleteFileW(kPreviousMark)) return PreparationFailed(kPreviousMark);
    if (FileExists(kPreviousFolder)) {
        RemoveFolder(kPreviousFolder);
        if (FileExists(kPreviousFolder)) return PreparationFailed(kPreviousFolder);
    }
    if (!CreateDirectoryW(kPreviousFolder, NULL)) return PreparationFailed(kPreviousFolder);
    for (int item = 0; item < kItemCount; ++item) oldItems[item] = FileExists(kInstalledItems[item]);
    if (!WritePreviousMark(oldItems)) return PreparationFailed(kPreviousMark);
    LogLine(L"UpgradeThreadProc(): keeping previous version=[%s]", kPreviousFolder);
    return TRUE;
}

BOOL ClearInstalled(bool keepPrevious, const bool (&oldItems)[kItemCount], PreviousItem item) {
    LPCWSTR installed = kInstalledItems[item];
    if (keepPrevious && oldItems[item] && !FileExists(kPreviousItems[item]) && FileExists(installed)) {
        if (MoveFileW(installed, kPreviousItems[item])) {
            LogLine(L"UpgradeThreadProc(): kept old=[%s]", installed);
            return TRUE;
        }
        LogLine(L"UpgradeThreadProc(): !!! Failed to keep old=[%s], error=[%ld]", installed, GetLastError());
        return FALSE;
    }
    if (item == kItemExe) return !FileExists(installed) || DeleteFileW(installed);
    // A folder that was missing, or empty and now removed, leaves the
    // place free; only one still there stops the switch-over.
    return RemoveFolder(installed) || !FileExists(installed);
}

BOOL StartTrial(DWORD packageChecksum, LPCWSTR packageFile, std::optional<DWORD> securityVersion,
                const bool (&oldItems)[kItemCount]) {
    // The version that becomes the floor once the trial is over, kept before
    // the trial starts, so that no trial runs without it.
    if (securityVersion && !KeepTrialSecurityVersion(*securityVersion)) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to keep security version=[%s], error=[%ld]", kTrialFloorFile,
                GetLastError());
        return FALSE;
    }
    // The new trial counts its own starts: an earlier trial's records go
    // before its marker is written.
    if (!RemoveTrialRecords() || !WriteTrialFlag(packageChecksum, packageFile, oldItems)) {
        LogLine(L"UpgradeThreadProc(): !!! Failed to create trial flag=[%s], error=[%ld]", kTrialFlag, GetLastError());
        return FALSE;
    }
    LogLine(L"UpgradeThreadProc(): created trial flag");
    // A marker left behind would make the next upgrade take the version it
    // replaces for a new one: the request stays until the marker goes.
    if (!FileExists(kPreviousMark) || DeleteFileW(kPreviousMark)) return TRUE;
    LogLine(L"UpgradeThreadProc(): !!! Failed to delete file=[%s]", kPreviousMark);
    return FALSE;
}
