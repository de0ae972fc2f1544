// LogLine, LogText: every text is formatted into one buffer and handed to
// NKDbgPrintfW whole, so that the debug output is what the call site's
// format alone would have printed, and kept for the upgrade log.
#include "log_line.h"

#include <stdarg.h>
#include <strsafe.h>

#include "upgrade_log.h"

namespace {

// Long enough for a line with two full paths; the device's debug port may
// cut a text well before this, the buffer never does.
constexpr size_t kLogTextCapacity = 1024;

void Send(LPCWSTR text) {
    NKDbgPrintfW(L"%s", text);
    KeepLogText(text);
}

}  // namespace

void LogLine(LPCWSTR format, ...) {
    // A log call never changes the error its caller is about to use.
    const DWORD lastError = GetLastError();
    WCHAR text[kLogTextCapacity];
    va_list args;
    va_start(args, format);
    StringCchVPrintfW(text, kLogTextCapacity, format, args);
    va_end(args);
    size_t length = 0;
    StringCchLengthW(text, kLogTextCapacity, &length);
    StringCchPrintfW(text + length, kLogTextCapacity - length, L", at=[%ld]\r\n", GetTickCount());
    Send(text);
    SetLastError(lastError);
}

void LogText(LPCWSTR format, ...) {
    const DWORD lastError = GetLastError();
    WCHAR text[kLogTextCapacity];
    va_list args;
    va_start(args, format);
    StringCchVPrintfW(text, kLogTextCapacity, format, args);
    va_end(args);
    Send(text);
    SetLastError(lastError);
}
