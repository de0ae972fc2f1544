// NKDbgPrintfW and the log sink: each text is formatted with the device's
// semantics and handed on as UTF-8, byte for byte, "\r\n" included.
#include <cstdio>
#include <mutex>

#include "format.h"
#include "ruvexa_host.h"

namespace host {
namespace {

// One lock for the sink and every write through it, so that texts from
// several threads reach the log whole and a sink is never swapped mid-write.
std::mutex g_logMutex;
LogSink g_logSink;

void WriteToStandardError(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void SetLogSink(LogSink sink) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_logSink = std::move(sink);
}

}  // namespace host

extern "C" void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
    if (!lpszFmt) return;
    // The caller's last error is not ours to change.
    DWORD lastError = GetLastError();
    va_list args;
    va_start(args, lpszFmt);
    std::string utf8 = host::WideToUtf8(host::FormatDeviceText(lpszFmt, args));
    va_end(args);
    {
        std::lock_guard<std::mutex> lock(host::g_logMutex);
        if (host::g_logSink) {
            host::g_logSink(utf8);
        } else {
            host::WriteToStandardError(utf8);
        }
    }
    SetLastError(lastError);
}
