// NKDbgPrintfW and the log sink: each text is formatted with the device's
// semantics and handed on as UTF-8, byte for byte, "\r\n" included.
#include <cstdio>
#include <mutex>
#include <set>

#include "format.h"
#include "ruvexa_host.h"

namespace host {
namespace {

// One lock for the sink and every write through it, so that texts from
// several threads reach the log whole and a sink is never swapped mid-write.
std::mutex g_logMutex;
LogSink g_logSink;

// The device's NKDbgPrintfW formats into a buffer of this many units, the
// terminating zero included: a longer text may be cut there.
constexpr size_t kDeviceDebugTextCapacity = 128;
// Call sites already warned about, each known by its text up to the first
// "[": the program formats its lines itself and passes each through one
// "%s", so the format alone would not tell them apart.
std::set<std::wstring> g_warnedSites;
bool g_warnOfLongTexts = true;

// Called with the lock held. The host writes the text whole all the same.
void WarnOfLongText(const std::wstring& text) {
    if (!g_warnOfLongTexts || text.size() < kDeviceDebugTextCapacity ||
        !g_warnedSites.insert(text.substr(0, text.find(L'['))).second) {
        return;
    }
    std::fprintf(stderr, "ruvexa-host: warning: a debug text of %zu characters; the device may cut it at %zu: %s\n",
                 text.size(), kDeviceDebugTextCapacity - 1, WideToUtf8(text.substr(0, 60)).c_str());
    std::fflush(stderr);
}

void WriteToStandardError(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void SetLogSink(LogSink sink) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_logSink = std::move(sink);
}

void WarnOfLongDebugTexts(bool enabled) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_warnOfLongTexts = enabled;
}

}  // namespace host

extern "C" void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
    if (!lpszFmt) return;
    // The caller's last error is not ours to change.
    DWORD lastError = GetLastError();
    va_list args;
    va_start(args, lpszFmt);
    const std::wstring text = host::FormatDeviceText(lpszFmt, args);
    std::string utf8 = host::WideToUtf8(text);
    va_end(args);
    {
        std::lock_guard<std::mutex> lock(host::g_logMutex);
        host::WarnOfLongText(text);
        if (host::g_logSink) {
            host::g_logSink(utf8);
        } else {
            host::WriteToStandardError(utf8);
        }
    }
    SetLastError(lastError);
}
