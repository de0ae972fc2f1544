// The board's OEM info, as the device reports it: set by the host's
// --oem-info, read by SystemParametersInfoW.
#include <mutex>

#include "ruvexa_host.h"

namespace host {
namespace {

std::mutex g_oemInfoLock;

std::wstring& OemInfoText() {
    static std::wstring text = kDefaultOemInfo;
    return text;
}

}  // namespace

void SetOemInfo(const std::wstring& text) {
    std::lock_guard<std::mutex> lock(g_oemInfoLock);
    OemInfoText() = text;
}

std::wstring OemInfo() {
    std::lock_guard<std::mutex> lock(g_oemInfoLock);
    return OemInfoText();
}

}  // namespace host
