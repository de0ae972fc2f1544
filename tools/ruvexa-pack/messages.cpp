// Warnings and errors on standard error.
#include "messages.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>

#include "ruvexa_host.h"

namespace pack {

void Warn(const std::string& text) {
    std::cerr << "ruvexa-pack: warning: " << text << "\n";
}

int Fail(const std::string& text) {
    std::cerr << "ruvexa-pack: error: " << text << "\n";
    return kExitFailure;
}

std::string FileError(const std::string& path, int errnoValue) {
    return "'" + path + "': " + std::strerror(errnoValue);
}

std::string Win32ErrorText(unsigned long win32Error) {
    WCHAR text[256];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(win32Error), 0, text, sizeof(text) / sizeof(text[0]), nullptr);
    // The system's texts end in "\r\n".
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) --length;
    if (length == 0) return "error " + std::to_string(win32Error);
    return host::WideToUtf8(std::wstring_view(text, length));
}

QuietResults::QuietResults(bool quiet) : quiet_(quiet) {
    // A stream without a buffer writes nothing.
    if (quiet_) results_ = std::cout.rdbuf(nullptr);
}

QuietResults::~QuietResults() {
    if (quiet_) std::cout.rdbuf(results_);
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(value));
    return text;
}

}  // namespace pack
