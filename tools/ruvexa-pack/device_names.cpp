#include "device_names.h"

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

}  // namespace pack
