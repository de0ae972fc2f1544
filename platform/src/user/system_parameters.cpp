// SystemParametersInfoW: of the CE system parameters, the OEM info
// (SPI_GETOEMINFO), the board's text that tells the device's model.
#include <string.h>

#include "error.h"
#include "ruvexa_host.h"

extern "C" BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT uiParam, LPVOID pvParam, UINT) {
    if (uiAction != SPI_GETOEMINFO || !pvParam) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::wstring text = host::OemInfo();
    const size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    if (uiParam < bytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(pvParam, text.c_str(), bytes);
    return TRUE;
}
