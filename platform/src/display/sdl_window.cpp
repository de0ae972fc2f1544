// The SDL2 display window: opening it when a display exists, showing the
// framebuffer scaled, and turning its events into window messages
// (PumpDisplayEvents, DisplayIsInteractive), also while the window's thread
// sleeps.
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

#include "dc.h"
#include "display_backend.h"
#include "display_window.h"
#include "message_loop_hooks.h"
#include "ruvexa_host.h"

namespace host {
namespace {

bool g_headless = false;
SDL_Window* g_window = nullptr;
SDL_Renderer* g_renderer = nullptr;
SDL_Texture* g_texture = nullptr;
HWND g_inputWindow = nullptr;
std::thread::id g_displayThread;
std::function<void()> g_closedHook;

void CloseDisplay() {
    if (g_texture) SDL_DestroyTexture(g_texture);
    if (g_renderer) SDL_DestroyRenderer(g_renderer);
    if (g_window) SDL_DestroyWindow(g_window);
    if (g_window) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    g_texture = nullptr;
    g_renderer = nullptr;
    g_window = nullptr;
}

// Mouse positions arrive in framebuffer pixels (the renderer's logical
// size); messages carry them relative to the input window's client area.
void PostMouse(UINT message, int x, int y, WPARAM buttons) {
    if (!g_inputWindow) return;
    PixelRect client;
    if (!ClientAreaOnScreen(g_inputWindow, &client)) return;
    PostMessageW(g_inputWindow, message, buttons, MAKELPARAM(x - client.left, y - client.top));
}

// Twice the screen's size, or 1:1 when twice would not fit the display.
int FittingScale() {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0 &&
        (usable.w < 2 * kScreenWidth || usable.h < 2 * kScreenHeight)) {
        return 1;
    }
    return 2;
}

void DisplayClosed() {
    if (g_closedHook) {
        g_closedHook();
    } else if (g_inputWindow) {
        PostMessageW(g_inputWindow, WM_CLOSE, 0, 0);
    }
}

// The window's thread sleeping (between probes for a USB disk, say) still
// takes the window's keys and clicks into its queue, as the device's input
// driver does: they are handled once the thread fetches messages.
bool SleepTakingInput(std::chrono::nanoseconds left) {
    if (!DisplayIsInteractive() || !OnDisplayThread()) return false;
    auto end = std::chrono::steady_clock::now() + left;
    for (;;) {
        PumpDisplayEvents();
        auto now = std::chrono::steady_clock::now();
        if (now >= end) return true;
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(end - now, std::chrono::milliseconds(10)));
    }
}

}  // namespace

void SetHeadless(bool headless) {
    g_headless = headless;
    if (headless) CloseDisplay();
}

bool OpenDisplayIfAvailable(int scale) {
    if (g_window) return true;
    if (g_headless || !DisplayExists()) return false;
    // SIGINT and SIGTERM stay with the host's entry, which ends the run with
    // the signal's status; SDL would turn them into a window close.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "ruvexa: no display window: %s\n", SDL_GetError());
        return false;
    }
    // SDL falls back to its off-screen driver when the display cannot be
    // reached; nobody could see or answer such a window.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) {
        std::fprintf(stderr, "ruvexa: no display window: the display cannot be reached\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    if (scale < 1) scale = FittingScale();
    g_window = SDL_CreateWindow("Ruvexa", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                kScreenWidth * scale, kScreenHeight * scale, SDL_WINDOW_RESIZABLE);
    if (g_window) g_renderer = SDL_CreateRenderer(g_window, -1, 0);
    if (g_renderer) {
        SDL_RenderSetLogicalSize(g_renderer, kScreenWidth, kScreenHeight);
        g_texture = SDL_CreateTexture(g_renderer, SDL_PIXELFORMAT_RGB888,
                                      SDL_TEXTUREACCESS_STREAMING, kScreenWidth, kScreenHeight);
    }
    if (!g_texture) {
        std::fprintf(stderr, "ruvexa: no display window: %s\n", SDL_GetError());
        CloseDisplay();
        return false;
    }
    g_displayThread = std::this_thread::get_id();
    InstallSleepHook(SleepTakingInput);
    ShowOnDisplay(*ScreenSurface());
    return true;
}

void SetInputWindow(HWND window) { g_inputWindow = window; }
HWND InputWindow() { return g_inputWindow; }
void SetDisplayClosedHook(std::function<void()> hook) { g_closedHook = std::move(hook); }

bool DisplayIsInteractive() { return g_window != nullptr; }
bool OnDisplayThread() { return std::this_thread::get_id() == g_displayThread; }

void ShowOnDisplay(const Surface& screen) {
    if (!g_texture) return;
    // SDL_PIXELFORMAT_RGB888 is 0x00RRGGBB per pixel, as the surface holds.
    SDL_UpdateTexture(g_texture, nullptr, screen.Pixels().data(), screen.Width() * 4);
    SDL_RenderClear(g_renderer);
    SDL_RenderCopy(g_renderer, g_texture, nullptr, nullptr);
    SDL_RenderPresent(g_renderer);
}

void PumpDisplayEvents() {
    if (!g_window) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                HandleDisplayKey(event.key.keysym.sym, event.type == SDL_KEYDOWN,
                                 event.key.repeat != 0);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT) {
                    bool down = event.type == SDL_MOUSEBUTTONDOWN;
                    PostMouse(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, event.button.x, event.button.y,
                              down ? MK_LBUTTON : 0);
                }
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                    event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    ShowOnDisplay(*ScreenSurface());
                }
                break;
            case SDL_QUIT: DisplayClosed(); break;
            default: break;
        }
    }
}

}  // namespace host
