#include "host_screen_setup.h"

#include "ruvexa_host.h"

namespace host {

void SetUpScreen(const HostOptions& options) {
    SetHeadless(options.headless);
    if (!options.screenPng.empty()) {
        SetScreenPng(options.screenPng);
        // The last frame is on disk already; rewrite it at exit as promised.
        const std::string path = options.screenPng;
        AddEndOfBootHook([path] { WriteScreenPng(path); });
    }
    if (!options.framesFolder.empty()) SetFramesFolder(options.framesFolder);
    if (!options.headless) OpenDisplayIfAvailable();
}

}  // namespace host
