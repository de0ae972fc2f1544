// Logged opening and closing of the extraction worker's files.
#include "logged_files.h"

#include "log_line.h"

HANDLE CreateFileLogged(LPCWSTR path, DWORD access, DWORD disposition, DWORD attributes) {
    HANDLE file = CreateFileW(path, access, 0, NULL, disposition, attributes, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        // The caller may report the error too: the log line must not change it.
        const DWORD error = GetLastError();
        LogLine(L"ExtractThreadProc(): !!! Failed to create file handler=[%s], error=[%ld]", path, error);
        SetLastError(error);
    }
    return file;
}

void CloseFileLogged(HANDLE file, LPCWSTR path) {
    if (!CloseHandle(file)) {
        LogLine(L"ExtractThreadProc(): !!! Failed to close file handler=[%s], error=[%ld]", path, GetLastError());
    }
}
