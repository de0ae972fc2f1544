// The device's power manager header, for the compile check against a
// desktop SDK, whose SetSystemPowerState has another signature.
#pragma once

#include <windows.h>

#define POWER_STATE_RESET 0x00800000
#define POWER_FORCE 0x00001000
#define SetSystemPowerState CeSetSystemPowerState
extern "C" DWORD WINAPI CeSetSystemPowerState(LPCWSTR pwsSystemState, DWORD StateFlags, DWORD Options);
