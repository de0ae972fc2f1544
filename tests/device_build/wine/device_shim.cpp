// The device's functions for the program's Windows build under Wine, with
// the host build's exit statuses:
//   NKDbgPrintfW       appends each text, UTF-8, to the file RUVEXA_LOG
//   "AIP1:" reset      ends the process with 3 (absent with RUVEXA_NO_RESET_DRIVER)
//   SetSystemPowerState ends it with 4
//   RUVEXA_POWER_OFF_AFTER_MS  switches the device off (status 5) after so long
//   FindFirstFileW     takes a folder path ending in "\" as the folder, as the
//                      device does (the program probes its download folder so)
//   SystemParametersInfoW  answers SPI_GETOEMINFO with the host's default model
// The device's entry point takes a wide command line; wWinMain passes it on.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <string.h>

#undef CreateFileW
#undef DeviceIoControl
#undef CloseHandle
#undef FindFirstFileW
#undef SystemParametersInfoW

#include "ce_only.h"
#include "pm.h"

namespace {

HANDLE const kResetDriverHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0xA1F1));
constexpr DWORD kResetIoControl = 0xEC000040;
CRITICAL_SECTION g_logLock;

DWORD WINAPI PowerOffLater(LPVOID milliseconds) {
    Sleep(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(milliseconds)));
    ExitProcess(5);
}

}  // namespace

extern "C" void NKDbgPrintfW(LPCWSTR format, ...) {
    const DWORD lastError = GetLastError();
    WCHAR text[4096];
    va_list args;
    va_start(args, format);
    int length = _vsnwprintf(text, 4095, format, args);
    va_end(args);
    text[4095] = L'\0';
    if (length < 0) length = static_cast<int>(wcslen(text));
    char utf8[16384];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8, nullptr, nullptr);
    const char* log = getenv("RUVEXA_LOG");
    if (log && bytes > 0) {
        EnterCriticalSection(&g_logLock);
        if (FILE* file = fopen(log, "ab")) {
            fwrite(utf8, 1, static_cast<size_t>(bytes), file);
            fclose(file);
        }
        LeaveCriticalSection(&g_logLock);
    }
    SetLastError(lastError);
}

extern "C" HANDLE WINAPI DeviceShimCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                               DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (name && _wcsicmp(name, L"AIP1:") == 0) {
        if (getenv("RUVEXA_NO_RESET_DRIVER")) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        return kResetDriverHandle;
    }
    return CreateFileW(name, access, share, security, disposition, flags, templateFile);
}

extern "C" BOOL WINAPI DeviceShimDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                                 DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    if (device == kResetDriverHandle) {
        if (code == kResetIoControl) ExitProcess(3);
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
}

extern "C" BOOL WINAPI DeviceShimCloseHandle(HANDLE handle) {
    return handle == kResetDriverHandle ? TRUE : CloseHandle(handle);
}

extern "C" HANDLE WINAPI DeviceShimFindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found) {
    WCHAR trimmed[MAX_PATH];
    size_t length = pattern ? wcslen(pattern) : 0;
    if (length > 1 && length < MAX_PATH && pattern[length - 1] == L'\\') {
        wmemcpy(trimmed, pattern, length - 1);
        trimmed[length - 1] = L'\0';
        return FindFirstFileW(trimmed, found);
    }
    return FindFirstFileW(pattern, found);
}

extern "C" BOOL WINAPI DeviceShimSystemParametersInfoW(UINT action, UINT size, PVOID out, UINT flags) {
    if (action != SPI_GETOEMINFO) return SystemParametersInfoW(action, size, out, flags);
    static const WCHAR kModel[] = L"MERROW-OV3";  // the host's --oem-info default
    if (!out || size < sizeof(kModel)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(out, kModel, sizeof(kModel));
    return TRUE;
}

extern "C" DWORD WINAPI CeSetSystemPowerState(LPCWSTR, DWORD, DWORD) { ExitProcess(4); }

int WINAPI WinMainCE(HINSTANCE, HINSTANCE, LPWSTR, int);

extern "C" int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
    InitializeCriticalSection(&g_logLock);
    if (const char* after = getenv("RUVEXA_POWER_OFF_AFTER_MS")) {
        CreateThread(nullptr, 0, PowerOffLater, reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(atol(after))), 0,
                     nullptr);
    }
    return WinMainCE(instance, previous, commandLine, show);
}
