// Between the framebuffer, the display window (SDL2's, or none in a build
// without SDL2) and the SDL2 keyboard: the drawing code never sees SDL.
#pragma once

#include <windows.h>

#include <cstdlib>

#include "framebuffer.h"

namespace host {

// True when an X11 or Wayland display is named, on which a window could open.
inline bool DisplayExists() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Copies the screen into the display window when one is open.
void ShowOnDisplay(const Surface& screen);

// The window that receives the display's input messages (null: none).
HWND InputWindow();

// A key went down or up in the display window; `sdlKey` is an SDL_Keycode.
// Updates the key state and posts the key message to the input window.
void HandleDisplayKey(int sdlKey, bool down, bool repeat);

}  // namespace host
