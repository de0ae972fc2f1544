// Stream devices, DeviceIoControl, SetSystemPowerState: the board's reset
// driver "AIP1:" and the forced power-state reset both end the boot.
#include <pm.h>

#include <atomic>
#include <cwctype>

#include "error.h"
#include "handle.h"
#include "host_exit_status.h"
#include "ruvexa_host.h"
#include "stream_device.h"

namespace host {
namespace {

constexpr DWORD kResetControlCode = 0xEC000040;

std::atomic<bool> g_resetDriverPresent{true};

class ResetDriver : public KernelObject {};

}  // namespace

void SetResetDriverPresent(bool present) { g_resetDriverPresent = present; }

bool IsStreamDeviceName(LPCWSTR name) {
    if (!name || wcslen(name) != 5 || name[4] != L':' || !iswdigit(name[3])) return false;
    for (int i = 0; i < 3; ++i) {
        if (!iswalpha(name[i])) return false;
    }
    return true;
}

HANDLE OpenStreamDevice(LPCWSTR name) {
    if (g_resetDriverPresent && towupper(name[0]) == L'A' && towupper(name[1]) == L'I' &&
        towupper(name[2]) == L'P' && name[3] == L'1') {
        return RegisterHandle(std::make_shared<ResetDriver>());
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

}  // namespace host

extern "C" BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID, DWORD, LPVOID, DWORD,
                                       LPDWORD lpBytesReturned, LPOVERLAPPED) {
    if (!host::LookupHandleAs<host::ResetDriver>(hDevice)) return host::Fail(ERROR_INVALID_HANDLE);
    if (dwIoControlCode != host::kResetControlCode) return host::Fail(ERROR_NOT_SUPPORTED);
    if (lpBytesReturned) *lpBytesReturned = 0;
    host::EndBoot(host::kExitResetDriver, "reset through AIP1:");
}

extern "C" DWORD WINAPI SetSystemPowerState(LPCWSTR, DWORD StateFlags, DWORD Options) {
    if (StateFlags == POWER_STATE_RESET && (Options & POWER_FORCE)) {
        host::EndBoot(host::kExitPowerStateReset, "forced power-state reset");
    }
    return ERROR_NOT_SUPPORTED;
}
