#include "host_screen_setup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "ruvexa_host.h"

namespace host {
namespace {

bool Refuse(const std::string& what, const std::string& path, int errnoValue, std::string* error) {
    *error = "cannot write " + what + " " + path + ": " + std::strerror(errnoValue);
    return false;
}

}  // namespace

bool CheckScreenOutputs(const HostOptions& options, std::string* error) {
    if (!options.screenPng.empty()) {
        // Opened without truncating: the first screen overwrites it anyway.
        int fd = open(options.screenPng.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return Refuse("the screen", options.screenPng, errno, error);
        close(fd);
    }
    if (!options.framesFolder.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(options.framesFolder, failure);
        if (failure) return Refuse("frames to", options.framesFolder, failure.value(), error);
        // A probe file: permission bits alone say nothing when run as root.
        std::string probe = options.framesFolder + "/.ruvexa-probe-XXXXXX";
        int fd = mkstemp(probe.data());
        if (fd < 0) return Refuse("frames to", options.framesFolder, errno, error);
        close(fd);
        unlink(probe.c_str());
    }
    return true;
}

void SetUpScreen(const HostOptions& options) {
    SetHeadless(options.headless);
    if (!options.screenPng.empty()) {
        SetScreenPng(options.screenPng);
        // The last frame is on disk already; rewrite it at exit as promised.
        const std::string path = options.screenPng;
        AddEndOfBootHook([path] { WriteScreenPng(path); });
    }
    if (!options.framesFolder.empty()) SetFramesFolder(options.framesFolder);
    if (!options.headless) OpenDisplayIfAvailable(options.zoom);
}

}  // namespace host
