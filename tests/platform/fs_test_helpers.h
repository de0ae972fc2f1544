// Small helpers shared by the file-system tests of the platform layer.
#pragma once

#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <string>

#include "test_support.h"

namespace fs_test {

inline HANDLE Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                   DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(path, access, share, nullptr, disposition, attributes, nullptr);
}

inline bool WriteText(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

inline std::string ReadRest(HANDLE file) {
    std::string text;
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    return text;
}

inline struct stat HostStat(const testing_support::TempDevice& device, const std::wstring& path) {
    struct stat st {};
    lstat(device.Host(path).c_str(), &st);
    return st;
}

}  // namespace fs_test
