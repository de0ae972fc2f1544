// Presenting the screen: the screen PNG, the numbered frames and the display
// window, each updated only when the screen really changed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "display_window.h"
#include "framebuffer.h"
#include "png_file.h"
#include "ruvexa_host.h"

namespace host {
namespace {

std::mutex g_lock;
std::string g_screenPath;
std::string g_framesFolder;
unsigned g_frameNumber = 0;
// The screen as last presented, whole. The final write at the end of a boot
// writes this copy: it may come from another thread (the switch-off timer)
// while the UI thread draws on the screen itself.
std::optional<Surface> g_presented;
// The next present writes even an unchanged screen (to a new output).
bool g_mustWrite = true;

}  // namespace

void SetScreenPng(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_screenPath = path;
    g_mustWrite = true;
}

// The highest frame number already in `folder`: a later boot of the same run
// goes on where the earlier one stopped.
unsigned LastFrameNumber(const std::string& folder) {
    unsigned last = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        unsigned number = 0;
        char tail = 0;
        if (name.size() == 8 && std::sscanf(name.c_str(), "%4u.pn%c", &number, &tail) == 2 && tail == 'g') {
            last = std::max(last, number);
        }
    }
    return last;
}

void SetFramesFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_lock);
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) std::fprintf(stderr, "ruvexa: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
    g_framesFolder = folder;
    g_frameNumber = folder.empty() ? 0 : LastFrameNumber(folder);
    g_mustWrite = true;
}

bool WriteScreenPng(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_lock);
    return WritePngFile(path, g_presented ? *g_presented : *ScreenSurface());
}

void PresentScreen() {
    std::lock_guard<std::mutex> lock(g_lock);
    const Surface& screen = *ScreenSurface();
    if (!g_mustWrite && g_presented && g_presented->Pixels() == screen.Pixels()) return;
    g_mustWrite = false;
    g_presented = screen;
    if (!g_screenPath.empty()) WritePngFile(g_screenPath, screen);
    if (!g_framesFolder.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/%04u.png", ++g_frameNumber);
        WritePngFile(g_framesFolder + name, screen);
    }
    ShowOnDisplay(screen);
}

}  // namespace host
