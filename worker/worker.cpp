// PostWorkerResult, AllocateWorkerRecord, StartWorkerThread: the untemplated
// parts of the workers' skeleton.
#include "worker.h"

#include "log_line.h"

void PostWorkerResult(HWND window, UINT message, BOOL succeeded, DWORD failure) {
    if (window) PostMessageW(window, message, succeeded, static_cast<LPARAM>(failure));
}

LPVOID AllocateWorkerRecord(SIZE_T size, LPCWSTR failedLine) {
    LPVOID record = LocalAlloc(LPTR, size);
    if (!record) LogLine(failedLine, GetLastError());
    return record;
}

BOOL StartWorkerThread(LPTHREAD_START_ROUTINE entry, LPVOID record, LPCWSTR failedLine) {
    HANDLE thread = CreateThread(NULL, 0, entry, record, 0, NULL);
    if (thread) return TRUE;
    LogLine(failedLine, GetLastError());
    return FALSE;
}
