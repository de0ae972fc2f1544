// Logged opening and closing of the extraction worker's files.
#include "logged_files.h"

HANDLE CreateFileLogged(LPCWSTR path, DWORD access, DWORD disposition, DWORD attributes) {
    HANDLE file = CreateFileW(path, access, 0, NULL, disposition, attributes, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to create file handler=[%s], error=[%ld], at=[%ld]\r\n", path,
                     GetLastError(), GetTickCount());
    }
    return file;
}

void CloseFileLogged(HANDLE file, LPCWSTR path) {
    if (!CloseHandle(file)) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to close file handler=[%s], error=[%ld], at=[%ld]\r\n", path,
                     GetLastError(), GetTickCount());
    }
}
