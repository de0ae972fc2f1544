// TrialStartsUsedUp: counting the starts of a version on trial.
#include "trial_start.h"

#include "device_files.h"
#include "file_helpers.h"
#include "rollback_setting.h"
#include "trial_records.h"

BOOL TrialStartsUsedUp() {
    const int starts = ReadRollbackStarts();
    if (starts == kRollbackOff) return FALSE;
    const int recorded = CountTrialStarts();
    if (!FileExists(kTrialFlag)) {
        if (recorded > 0 && RemoveTrialRecords()) {
            NKDbgPrintfW(L"Initialize(): trial over, removed start records=[%d], at=[%ld]\r\n", recorded,
                         GetTickCount());
        }
        return FALSE;
    }
    if (recorded >= starts) {
        NKDbgPrintfW(L"Initialize(): !!! Trial failed, starts=[%d], at=[%ld]\r\n", recorded, GetTickCount());
        return TRUE;
    }
    // A start that cannot be recorded is not counted; the launch goes on all
    // the same, the device is never stopped by its trial.
    if (RecordTrialStart(recorded + 1)) {
        NKDbgPrintfW(L"Initialize(): trial start=[%d] of starts=[%d], at=[%ld]\r\n", recorded + 1, starts,
                     GetTickCount());
    } else {
        NKDbgPrintfW(L"Initialize(): !!! Failed to record trial start=[%d], error=[%ld], at=[%ld]\r\n", recorded + 1,
                     GetLastError(), GetTickCount());
    }
    return FALSE;
}
