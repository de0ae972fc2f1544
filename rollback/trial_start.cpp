// TrialStartsUsedUp: counting the starts of a version on trial.
#include "trial_start.h"

#include "device_paths.h"
#include "log_line.h"
#include "rollback_setting.h"
#include "security_floor.h"
#include "trial_flag.h"
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
        LogLine(L"Initialize(): !!! Failed to raise security floor=[%lu], error=[%ld]", version, GetLastError());
        return;
    }
    if (raised) {
        LogLine(L"Initialize(): trial over, raised security floor=[%lu]", version);
    }
    if (!ForgetTrialSecurityVersion()) {
        LogLine(L"Initialize(): !!! Failed to delete file=[%s], error=[%ld]", kTrialFloorFile, GetLastError());
    }
}

}  // namespace

BOOL TrialStartsUsedUp() {
    const int starts = ReadRollbackStarts();
    if (starts == kRollbackOff) return FALSE;
    const int recorded = CountTrialStarts();
    if (!TrialFlagExists()) {
        RaiseFloorAfterTrial();
        if (recorded > 0 && RemoveTrialRecords()) {
            LogLine(L"Initialize(): trial over, removed start records=[%d]", recorded);
        }
        return FALSE;
    }
    if (recorded >= starts) {
        LogLine(L"Initialize(): !!! Trial failed, starts=[%d]", recorded);
        return TRUE;
    }
    // A start that cannot be recorded is not counted; the launch goes on all
    // the same, the device is never stopped by its trial.
    if (RecordTrialStart(recorded + 1)) {
        LogLine(L"Initialize(): trial start=[%d] of starts=[%d]", recorded + 1, starts);
    } else {
        LogLine(L"Initialize(): !!! Failed to record trial start=[%d], error=[%ld]", recorded + 1, GetLastError());
    }
    return FALSE;
}
