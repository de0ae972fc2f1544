// PostWorkerResult, AllocateWorkerRecord, StartWorkerThread: the untemplated
// parts of the workers' skeleton.
#include "worker.h"

void PostWorkerResult(HWND window, UINT message, BOOL succeeded, LPCWSTR text) {
    if (window) PostMessageW(window, message, succeeded, reinterpret_cast<LPARAM>(text));
}

LPVOID AllocateWorkerRecord(SIZE_T size, LPCWSTR failedLine) {
    LPVOID record = LocalAlloc(LPTR, size);
    if (!record) NKDbgPrintfW(failedLine, GetLastError(), GetTickCount());
    return record;
}

BOOL StartWorkerThread(LPTHREAD_START_ROUTINE entry, LPVOID record, LPCWSTR failedLine) {
    HANDLE thread = CreateThread(NULL, 0, entry, record, 0, NULL);
    if (thread) return TRUE;
    NKDbgPrintfW(failedLine, GetLastError(), GetTickCount());
    return FALSE;
}
