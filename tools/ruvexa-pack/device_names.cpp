#include "device_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "messages.h"
#include "temporary_folder.h"

namespace pack {

std::string HostText(LPCWSTR deviceText) {
    std::string text;
    for (; *deviceText; ++deviceText) text += static_cast<char>(*deviceText);
    return text;
}

std::string PackageNamePrefix() {
    const std::string pattern = HostText(kPackageName);
    return pattern.substr(0, pattern.find('*'));
}

std::string PackageNameSuffix() {
    const std::string pattern = HostText(kPackageName);
    return pattern.substr(pattern.find('*') + 1);
}

bool HasPackageName(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    const std::string prefix = PackageNamePrefix();
    const std::string suffix = PackageNameSuffix();
    return name.size() >= prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void WarnUnlessPackageName(const std::string& path) {
    if (HasPackageName(path)) return;
    Warn("the device looks for " + HostText(kPackageName) + " and will not find '" +
         std::filesystem::path(path).filename().string() + "'");
}

std::wstring TemporaryFolderOf(LPCWSTR installed) {
    WCHAR folder[MAX_PATH];
    return ComposeTemporaryFolder(folder, installed) ? folder : L"";
}

}  // namespace pack
