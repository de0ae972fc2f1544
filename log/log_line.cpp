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

// Formats the text, with the tick tail when `withTick`, and sends it to the
// debug output and the upgrade log. A log call never changes the error its
// caller is about to use.
void Send(LPCWSTR format, va_list args, bool withTick) {
    const DWORD lastError = GetLastError();
    WCHAR text[kLogTextCapacity];
    StringCchVPrintfW(text, kLogTextCapacity, format, args);
    if (withTick) {
        size_t length = 0;
        StringCchLengthW(text, kLogTextCapacity, &length);
        StringCchPrintfW(text + length, kLogTextCapacity - length, L", at=[%ld]\r\n", GetTickCount());
    }
    NKDbgPrintfW(L"%s", text);
    KeepLogText(text);
    SetLastError(lastError);
}

}  // namespace

void LogLine(LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    Send(format, args, true);
    va_end(args);
}

void LogText(LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    Send(format, args, false);
    va_end(args);
}
