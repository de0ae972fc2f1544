// Host paths as device paths.
#include "device_path.h"

#include <windows.h>

#include <filesystem>

#include "host_file.h"
#include "ruvexa_host.h"

namespace fs = std::filesystem;

namespace pack {

void UseHostRootAsDevice() {
    host::SetDeviceRoot("/");
}

bool DevicePathOf(const std::string& hostPath, std::wstring* devicePath, std::string* reason) {
    std::error_code error;
    // weakly_canonical resolves "." and ".." (which the layer refuses) the
    // way the host does, through symbolic links.
    fs::path absolute = fs::weakly_canonical(fs::absolute(hostPath, error), error);
    if (error) {
        *reason = error.message();
        return false;
    }
    std::string text = absolute.string();
    if (text.find('\\') != std::string::npos) {
        *reason = "the path holds a \"\\\", which is the device's folder separator";
        return false;
    }
    std::wstring wide = host::Utf8ToWide(text);
    for (wchar_t& c : wide) {
        if (c == L'/') c = L'\\';
    }
    // Device paths live in buffers of MAX_PATH units with the terminating zero.
    if (wide.size() >= MAX_PATH) {
        *reason = "the absolute path is " + std::to_string(wide.size()) +
                  " characters long; the device layer takes at most " + std::to_string(MAX_PATH - 1);
        return false;
    }
    *devicePath = wide;
    return true;
}

std::string ShownHostPath(const std::wstring& devicePath) {
    std::string hostPath;
    if (!host::HostPathOf(devicePath, &hostPath)) return host::WideToUtf8(devicePath);
    // The root "/" and the device path's leading "\" would make "//".
    while (hostPath.rfind("//", 0) == 0) hostPath.erase(0, 1);
    std::error_code error;
    fs::path relative = fs::path(hostPath).lexically_relative(fs::current_path(error));
    if (error || relative.empty() || *relative.begin() == "..") return hostPath;
    return relative.string();
}

bool OpenableDevicePath(const std::string& hostPath, std::wstring* devicePath, std::string* error) {
    HostFile file;
    if (!file.OpenForReading(hostPath, error)) return false;
    std::string reason;
    if (!DevicePathOf(hostPath, devicePath, &reason)) {
        *error = "'" + hostPath + "': " + reason;
        return false;
    }
    return true;
}

}  // namespace pack
