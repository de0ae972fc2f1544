// StartRollbackThread, RollbackThreadProc: the rollback worker and its
// thread. For each of the exe, the images and the font: a new item where the
// old version had none is removed; an old one still in Previous comes back
// after the new one is removed. Then Previous goes, the release is recorded
// in Rejected.txt, and Trial.flag and the start records go, in that order.
#include <string.h>

#include "device_paths.h"
#include "file_helpers.h"
#include "install_constants.h"
#include "log_line.h"
#include "previous_version.h"
#include "rollback.h"
#include "security_floor.h"
#include "small_text_file.h"
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

// " tick=N\r\n" after `line`.
void AppendTick(char* line, size_t capacity) {
    char digits[16];
    int count = 0;
    for (DWORD tick = GetTickCount(); count == 0 || tick; tick /= 10)
        digits[count++] = static_cast<char>('0' + tick % 10);
    size_t length = strlen(line);
    for (const char* c = " tick="; *c && length + 1 < capacity; ++c) line[length++] = *c;
    while (count > 0 && length + 1 < capacity) line[length++] = digits[--count];
    for (const char* c = "\r\n"; *c && length + 1 < capacity; ++c) line[length++] = *c;
    line[length] = '\0';
}

// The checksum and package lines of Trial.flag on one line of Rejected.txt,
// with the tick count; a release recorded before (by a rollback cut short)
// is not recorded twice.
BOOL RecordRejected(Rollback* rollback, const char* trial) {
    const char* lineEnd = strstr(trial, "\r\n");
    const char* packageEnd = lineEnd ? strstr(lineEnd + 2, "\r\n") : NULL;
    char line[kTrialMaxBytes + 32] = {};
    if (lineEnd && packageEnd) {
        strncat(line, trial, lineEnd - trial);
        strcat(line, " ");
        strncat(line, lineEnd + 2, packageEnd - lineEnd - 2);
    } else {
        strcat(line, "checksum=unknown");  // a Trial.flag the installation did not write
    }
    if (FileHoldsText(kRejectedFile, line)) return TRUE;
    AppendTick(line, sizeof(line));

    HANDLE file = CreateFileW(kRejectedFile, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    BOOL done = file != INVALID_HANDLE_VALUE && SetFilePointer(file, 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER &&
                WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, NULL) && written == strlen(line) &&
                FlushFileBuffers(file);
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!done) {
        LogLine(L"RollbackThreadProc(): !!! Failed to record rejected package=[%s], error=[%ld]", kRejectedFile, error);
        rollback->error = RollbackFailure::kRecordRejected;
        return FALSE;
    }
    LogLine(L"RollbackThreadProc(): recorded rejected package=[%s]", kRejectedFile);
    return TRUE;
}

// The package line of Trial.flag names the upgrade log's package; its
// bytes are ASCII, as the installation wrote them.
void NameTrialPackage(const char* trial) {
    const char* name = strstr(trial, "\r\npackage=");
    if (!name) return;
    name += strlen("\r\npackage=");
    WCHAR wide[MAX_PATH];
    DWORD length = 0;
    for (; name[length] && name[length] != '\r' && length + 1 < MAX_PATH; ++length) {
        wide[length] = static_cast<unsigned char>(name[length]);
    }
    wide[length] = L'\0';
    NameUpgradePackage(wide);
}

}  // namespace

DWORD RollbackThreadProc(Rollback* rollback) {
    WorkerResult<Rollback> result(rollback);
    char trial[kTrialMaxBytes];
    if (!ReadSmallFile(kTrialFlag, trial, kTrialMaxBytes)) {
        LogLine(L"RollbackThreadProc(): !!! Failed to read trial=[%s], error=[%ld]", kTrialFlag, GetLastError());
        rollback->error = RollbackFailure::kReadTrial;
        return 0;
    }
    NameTrialPackage(trial);
    // Without the items in Trial.flag, Previous tells them: a rollback that
    // has not yet begun finds there every item the old version had.
    if (!ParseTrialItems(trial, rollback->old_items)) {
        for (int item = 0; item < kItemCount; ++item) rollback->old_items[item] = FileExists(kPreviousItems[item]);
    }
    for (int item = 0; item < kItemCount; ++item) {
        if (!RestoreItem(rollback, static_cast<PreviousItem>(item))) return 0;
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
    if (!ForgetTrialSecurityVersion() || !DeleteFileW(kTrialFlag) || !RemoveTrialRecords()) {
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
