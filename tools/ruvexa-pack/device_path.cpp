// Host paths as device paths, and the capture of the program's debug log.
#include "device_path.h"

#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "messages.h"
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
    std::error_code error;
    fs::path relative = fs::path(hostPath).lexically_relative(fs::current_path(error));
    if (error || relative.empty() || *relative.begin() == "..") return hostPath;
    return relative.string();
}

bool OpenableDevicePath(const std::string& hostPath, std::wstring* devicePath, std::string* error) {
    int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = FileError(hostPath, errno);
        return false;
    }
    struct stat st;
    bool isFile = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    if (!isFile) {
        *error = "'" + hostPath + "' is not a regular file";
        return false;
    }
    std::string reason;
    if (!DevicePathOf(hostPath, devicePath, &reason)) {
        *error = "'" + hostPath + "': " + reason;
        return false;
    }
    return true;
}

// The tool shows the device's lines itself; the host's warning that the
// device may cut a long one is no news to its user.
ProgramLog::ProgramLog() {
    host::SetLogSink([this](std::string_view utf8) { text_.append(utf8); });
    host::WarnOfLongDebugTexts(false);
}

ProgramLog::~ProgramLog() {
    host::SetLogSink({});
    host::WarnOfLongDebugTexts(true);
}

std::vector<std::string> ProgramLog::Lines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text_.size()) {
        size_t end = text_.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text_.substr(start));
            break;
        }
        lines.push_back(text_.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string ProgramLog::LastFailureLine() const {
    std::vector<std::string> lines = Lines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->find("!!!") != std::string::npos) return *line;
    }
    return {};
}

}  // namespace pack
