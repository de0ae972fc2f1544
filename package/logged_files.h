// Opening and closing a file for the extraction worker: a failure is logged
// in the worker's words, with the path and the platform's last error.
#pragma once

#include <windows.h>

// CreateFileW without sharing; INVALID_HANDLE_VALUE (logged) on failure,
// with the platform's error left as the failed call set it.
HANDLE CreateFileLogged(LPCWSTR path, DWORD access, DWORD disposition, DWORD attributes);

// A failed close is logged and changes nothing else.
void CloseFileLogged(HANDLE file, LPCWSTR path);
