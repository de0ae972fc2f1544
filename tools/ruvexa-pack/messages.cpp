// Warnings and errors on standard error.
#include "messages.h"

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

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(value));
    return text;
}

}  // namespace pack
