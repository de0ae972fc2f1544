// Between the framebuffer, the SDL2 window and the SDL2 keyboard: the
// drawing code never sees SDL.
#pragma once

#include <windows.h>

#include "framebuffer.h"

namespace host {

// Copies the screen into the display window when one is open.
void ShowOnDisplay(const Surface& screen);

// The window that receives the display's input messages (null: none).
HWND InputWindow();

// A key went down or up in the display window; `sdlKey` is an SDL_Keycode.
// Updates the key state and posts the key message to the input window.
void HandleDisplayKey(int sdlKey, bool down, bool repeat);

}  // namespace host
