// TrialStartsUsedUp: counting the starts of a version on trial.
#include "trial_start.h"

#include "device_files.h"
#include "file_helpers.h"
#include "rollback_setting.h"
#include "security_floor.h"
#include "trial_records.h"

namespace {

// The release on trial has proved itself: its security version, kept since
// the upgrade, becomes the floor, and only then is it forgotten. A cut in
// between raises the floor again to the same version, which changes nothing;
// a floor that cannot be written keeps the version for the next boot.
void RaiseFloorAfterTrial() {
    DWORD version = 0;
    if (!ReadTrialSecurityVersion(&version)) return;
    BOOL raised = FALSE;
    if (!RaiseSecurityFloor(version, &raised)) {
        NKDbgPrintfW(L"Initialize(): !!! Failed to raise security floor=[%lu], error=[%ld], at=[%ld]\r\n", version,
                     GetLastError(), GetTickCount());
        return;
    }
    if (raised) {
        NKDbgPrintfW(L"Initialize(): trial over, raised security floor=[%lu], at=[%ld]\r\n", version, GetTickCount());
    }
    if (!ForgetTrialSecurityVersion()) {
        NKDbgPrintfW(L"Initialize(): !!! Failed to delete file=[%s], error=[%ld], at=[%ld]\r\n", kTrialFloorFile,
                     GetLastError(), GetTickCount());
    }
}

}  // namespace

BOOL TrialStartsUsedUp() {
    const int starts = ReadRollbackStarts();
    if (starts == kRollbackOff) return FALSE;
    const int recorded = CountTrialStarts();
    if (!FileExists(kTrialFlag)) {
        RaiseFloorAfterTrial();
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
