// StartRollbackThread, RollbackThreadProc: the rollback worker and its
// thread. For each of the exe, the images and the font: a new item where the
// old version had none is removed; an old one still in Previous comes back
// after the new one is removed; keys kept there come back as the trusted
// keys. Then Previous goes, the release is recorded
// in Rejected.txt, and Trial.flag and the start records go, in that order.
#include "device_paths.h"
#include "file_helpers.h"
#include "key_rotation.h"
#include "log_line.h"
#include "rejected_package.h"
#include "rollback.h"
#include "security_floor.h"
#include "trial_flag.h"
#include "trial_records.h"
#include "upgrade_log.h"

namespace {

// Removes the installed `item`, a file or a folder; TRUE when it is gone.
BOOL RemoveInstalled(PreviousItem item) {
    LPCWSTR installed = kInstalledItems[item];
    if (!FileExists(installed)) return TRUE;
    if (item == kItemExe ? DeleteFileW(installed) : (RemoveFolder(installed), !FileExists(installed))) {
        LogLine(L"RollbackThreadProc(): removed new=[%s]", installed);
        return TRUE;
    }
    LogLine(L"RollbackThreadProc(): !!! Failed to remove new=[%s]", installed);
    return FALSE;
}

BOOL RestoreItem(Rollback* rollback, PreviousItem item) {
    // An old item gone from Previous is back already, or never was.
    const bool comesBack = rollback->old_items[item] && FileExists(kPreviousItems[item]);
    if (!comesBack && rollback->old_items[item]) return TRUE;
    if (!RemoveInstalled(item)) {
        rollback->error = RollbackFailure::kRemoveNew;
        return FALSE;
    }
    if (!comesBack) return TRUE;
    if (!MoveFileW(kPreviousItems[item], kInstalledItems[item])) {
        LogLine(L"RollbackThreadProc(): !!! Failed to restore old=[%s], error=[%ld]", kInstalledItems[item],
                GetLastError());
        rollback->error = RollbackFailure::kRestoreOld;
        return FALSE;
    }
    LogLine(L"RollbackThreadProc(): restored old=[%s]", kInstalledItems[item]);
    return TRUE;
}

// The release on trial added to Rejected.txt, unless a rollback cut short
// recorded it already.
BOOL RecordRejected(Rollback* rollback, const TrialFlag& trial) {
    BOOL recorded = FALSE;
    if (!RecordRejectedRelease(trial, &recorded)) {
        LogLine(L"RollbackThreadProc(): !!! Failed to record rejected package=[%s], error=[%ld]", kRejectedFile,
                GetLastError());
        rollback->error = RollbackFailure::kRecordRejected;
        return FALSE;
    }
    if (recorded) LogLine(L"RollbackThreadProc(): recorded rejected package=[%s]", kRejectedFile);
    return TRUE;
}

// The package Trial.flag names is the upgrade log's package; its bytes are
// ASCII, as the installation wrote them.
void NameTrialPackage(const TrialFlag& trial) {
    if (!trial.package_known) return;
    WCHAR wide[MAX_PATH];
    DWORD length = 0;
    for (; trial.package[length] && length + 1 < MAX_PATH; ++length) {
        wide[length] = static_cast<unsigned char>(trial.package[length]);
    }
    wide[length] = L'\0';
    NameUpgradePackage(wide);
}

}  // namespace

DWORD RollbackThreadProc(Rollback* rollback) {
    WorkerResult<Rollback> result(rollback);
    TrialFlag trial;
    if (!ReadTrialFlag(&trial)) {
        LogLine(L"RollbackThreadProc(): !!! Failed to read trial=[%s], error=[%ld]", kTrialFlag, GetLastError());
        rollback->error = RollbackFailure::kReadTrial;
        return 0;
    }
    NameTrialPackage(trial);
    // Without the items in Trial.flag, Previous tells them: a rollback that
    // has not yet begun finds there every item the old version had.
    for (int item = 0; item < kItemCount; ++item) {
        rollback->old_items[item] = trial.items_known ? trial.old_items[item] : FileExists(kPreviousItems[item]);
    }
    for (int item = 0; item < kItemCount; ++item) {
        if (!RestoreItem(rollback, static_cast<PreviousItem>(item))) return 0;
    }
    // The keys the old version trusted come back with it, before Previous
    // goes; a step that fails is redone by the next boot's rollback.
    if (!RestorePreviousKeys()) {
        rollback->error = RollbackFailure::kRestoreOld;
        return 0;
    }
    // Previous goes before the trial ends: a rollback cut short finds the
    // trial still there and comes back for it.
    if (!RemoveDirectoryW(kPreviousFolder) && GetLastError() != ERROR_FILE_NOT_FOUND &&
        GetLastError() != ERROR_PATH_NOT_FOUND) {
        LogLine(L"RollbackThreadProc(): !!! Failed to delete folder=[%s], error=[%ld]", kPreviousFolder,
                GetLastError());
        rollback->error = RollbackFailure::kEndTrial;
        return 0;
    }
    if (!RecordRejected(rollback, trial)) return 0;
    // The trial's security version goes before Trial.flag: the boot that finds
    // Trial.flag gone must not take a rolled-back release for a healthy one.
    // Trial.flag goes next: records left without it go at the next boot.
    if (!ForgetTrialSecurityVersion() || !DeleteTrialFlag() || !RemoveTrialRecords()) {
        LogLine(L"RollbackThreadProc(): !!! Failed to end trial=[%s], error=[%ld]", kTrialFlag, GetLastError());
        rollback->error = RollbackFailure::kEndTrial;
        return 0;
    }
    LogLine(L"RollbackThreadProc(): ended trial");
    result.MarkSucceeded();
    return 0;
}

BOOL StartRollbackThread(HWND window, UINT message) {
    Rollback* rollback =
        NewWorkerRecord<Rollback>(L"StartRollbackThread(): !!! Failed to create rollback, error=[%ld]");
    if (!rollback) return FALSE;
    FillWorkerRecord(rollback, window, message, NULL, NULL, NULL, NULL);
    return StartWorker<Rollback, RollbackThreadProc, RecordAfterRun::Freed>(
        rollback, L"StartRollbackThread(): !!! Failed to create thread, error=[%ld]");
}
