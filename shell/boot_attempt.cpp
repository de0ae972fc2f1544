// BootAttempt, EndUpgradeAttempt.
#include "boot_attempt.h"

#include "upgrade_log.h"

UpgradeAttempt& BootAttempt() {
    static UpgradeAttempt attempt = {};
    return attempt;
}

void EndUpgradeAttempt(LPCWSTR failureCode) {
    if (failureCode) KeepResultCode(failureCode);
    FlushUpgradeLog();
    const UpgradeAttempt& attempt = BootAttempt();
    if (!attempt.remote && attempt.source_dir[0]) CopyUpgradeLogTo(attempt.source_dir);
}
