// CountTrialStarts, RecordTrialStart, RemoveTrialRecords: the records of a
// trial's starts.
#include "trial_records.h"

#include <strsafe.h>

#include "device_paths.h"
#include "file_helpers.h"
#include "log_line.h"
#include "rollback_setting.h"

namespace {

BOOL ComposeRecord(int number, WCHAR (&path)[MAX_PATH]) {
    return SUCCEEDED(StringCchPrintfW(path, MAX_PATH, L"%s%d", kTrialRecordPrefix, number));
}

}  // namespace

int CountTrialStarts() {
    int count = 0;
    WCHAR path[MAX_PATH];
    while (count < kMaxRollbackStarts && ComposeRecord(count + 1, path) && FileExists(path)) ++count;
    return count;
}

BOOL RecordTrialStart(int number) {
    WCHAR path[MAX_PATH];
    if (!ComposeRecord(number, path)) return FALSE;
    HANDLE record = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (record == INVALID_HANDLE_VALUE) return FALSE;
    CloseHandle(record);
    return TRUE;
}

BOOL RemoveTrialRecords() {
    // From the last on, so that a cut leaves Trial.1 up to some start: what
    // is left still counts without a gap.
    BOOL removed = TRUE;
    WCHAR path[MAX_PATH];
    for (int number = kMaxRollbackStarts; number >= 1; --number) {
        if (!ComposeRecord(number, path) || !FileExists(path)) continue;
        if (DeleteFileW(path)) continue;
        LogLine(L"RemoveTrialRecords(): !!! Failed to delete file=[%s], error=[%ld]", path, GetLastError());
        removed = FALSE;
    }
    return removed;
}
