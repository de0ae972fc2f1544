// Host declarations of the power manager's system power state request.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define POWER_STATE_ON 0x00010000
#define POWER_STATE_OFF 0x00020000
#define POWER_STATE_SUSPEND 0x00200000
#define POWER_STATE_RESET 0x00800000
#define POWER_FORCE 0x00001000

DWORD WINAPI SetSystemPowerState(LPCWSTR pwsSystemState, DWORD StateFlags, DWORD Options);

#ifdef __cplusplus
}
#endif
