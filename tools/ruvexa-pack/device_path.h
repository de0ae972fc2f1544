// The tool's bridge to the platform layer: the host's own root serves as the
// device root, and host paths become device paths.
#pragma once

#include <string>

namespace pack {

// Makes "/" the device root, so that a device path is a host path written
// with "\" separators.
void UseHostRootAsDevice();

// The device path of a host file, made absolute first. False, with the
// reason, for a path the layer cannot take (too long, a "\" in a name).
bool DevicePathOf(const std::string& hostPath, std::wstring* devicePath, std::string* reason);

// How to name the host file a device path stands for in a message: relative
// to the working folder when it lies below it, else absolute.
std::string ShownHostPath(const std::wstring& devicePath);

// Checks with the host that `hostPath` is a readable file, then gives its
// device path. False with a message that names the file and the reason.
bool OpenableDevicePath(const std::string& hostPath, std::wstring* devicePath, std::string* error);

}  // namespace pack
