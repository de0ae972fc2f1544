// ScheduleReset: the reset a moment after a stage that changed the installed
// version. ResetDevice: the board's reset driver first, the forced
// power-state reset when that driver is absent.
#include <pm.h>

#include "boot_steps.h"
#include "launcher.h"
#include "log_line.h"
#include "shell_constants.h"
#include "upgrade_log.h"

void ResetDevice() {
    // The driver's handle is left open: the device is going down.
    HANDLE driver = CreateFileW(kResetDriver, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (driver != INVALID_HANDLE_VALUE) {
        LogLine(L"!!! Reset IOCTL_AIP_SYS_RESET");
        FlushUpgradeLog();
        DeviceIoControl(driver, IOCTL_AIP_SYS_RESET, NULL, 0, NULL, 0, NULL, NULL);
        return;
    }
    LogLine(L"!!! Reset POWER_STATE_RESET");
    FlushUpgradeLog();
    SetSystemPowerState(NULL, POWER_STATE_RESET, POWER_FORCE);
}

StepOutcome ScheduleReset(HWND window) {
    SetTimer(window, IDT_RESET, kResetDelayMs, NULL);
    return StepOutcome::kWaiting;
}
