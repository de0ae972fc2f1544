// Forced into every program file of the Windows build that runs under Wine:
// the device's own functions, which a desktop Windows lacks, come from
// device_shim.cpp, and the board's "AIP1:" driver is opened through it.
#pragma once

#include <windows.h>

extern "C" void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

// Files go to the system's CreateFileW; "AIP1:" names the shim's stand-in.
extern "C" HANDLE WINAPI DeviceShimCreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
extern "C" BOOL WINAPI DeviceShimDeviceIoControl(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                                 LPOVERLAPPED);
extern "C" BOOL WINAPI DeviceShimCloseHandle(HANDLE);
// A search for a folder path ending in "\" finds the folder, as the device's
// file system does; desktop Windows finds nothing there.
extern "C" HANDLE WINAPI DeviceShimFindFirstFileW(LPCWSTR, LPWIN32_FIND_DATAW);
// The OEM info, a CE-only action of SystemParametersInfoW (ce_only.h): the
// host's default model, so that both builds stand for the same device.
#include "ce_only.h"
extern "C" BOOL WINAPI DeviceShimSystemParametersInfoW(UINT, UINT, PVOID, UINT);
#define CreateFileW DeviceShimCreateFileW
#define DeviceIoControl DeviceShimDeviceIoControl
#define CloseHandle DeviceShimCloseHandle
#define FindFirstFileW DeviceShimFindFirstFileW
#define SystemParametersInfoW DeviceShimSystemParametersInfoW
