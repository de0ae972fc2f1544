// The display back end of a build without SDL2: no window ever opens, so the
// host runs headless, and a run that asks for a window where a display
// exists says once on standard error why it shows none. GetKeyState reports
// every key up, for no keyboard reaches the program.
#include <cstdio>
#include <functional>

#include "display_backend.h"
#include "display_window.h"
#include "ruvexa_host.h"

namespace host {
namespace {

bool g_headless = false;
HWND g_inputWindow = nullptr;

}  // namespace

void SetHeadless(bool headless) { g_headless = headless; }

bool OpenDisplayIfAvailable(int) {
    static bool told = false;
    if (!g_headless && DisplayExists() && !told) {
        std::fprintf(stderr, "ruvexa: no display window: built without SDL2\n");
        told = true;
    }
    return false;
}

void SetInputWindow(HWND window) { g_inputWindow = window; }
HWND InputWindow() { return g_inputWindow; }
void SetDisplayClosedHook(std::function<void()>) {}

bool DisplayIsInteractive() { return false; }
bool OnDisplayThread() { return false; }
void ShowOnDisplay(const Surface&) {}
void PumpDisplayEvents() {}

}  // namespace host

extern "C" SHORT WINAPI GetKeyState(int) { return 0; }
