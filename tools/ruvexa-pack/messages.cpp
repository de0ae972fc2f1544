// Warnings and errors on standard error.
#include "messages.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

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
    // The host's words for the codes the layer makes of errno values.
    switch (win32Error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED: return std::strerror(EACCES);
    case ERROR_SHARING_VIOLATION: return "the file is in use";
    case ERROR_DISK_FULL: return std::strerror(ENOSPC);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return std::strerror(EEXIST);
    case ERROR_FILENAME_EXCED_RANGE: return std::strerror(ENAMETOOLONG);
    case ERROR_DIRECTORY: return std::strerror(ENOTDIR);
    case ERROR_WRITE_PROTECT: return std::strerror(EROFS);
    }
    return "error " + std::to_string(win32Error);
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(value));
    return text;
}

}  // namespace pack
