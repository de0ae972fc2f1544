// What the window manager needs from the display back end (the framebuffer,
// its SDL2 window and its PNG output), and nothing more: the window manager
// never knows which back end shows the screen.
#pragma once

#include <windows.h>

#include <cstdint>

namespace host {

// Turns the display's pending input (keys, clicks, window close) into
// messages posted to the thread's queue, and keeps the key state that
// GetKeyState reports. Returns at once when there is none or no display.
void PumpDisplayEvents();

// True when a window shows the screen and a person can answer a message box;
// false when headless.
bool DisplayIsInteractive();
// True on the thread that opened the window, the only one that may pump it.
bool OnDisplayThread();

// A bitmap object of width x height pixels, each 0x00RRGGBB, top row first
// (for bitmap resources decoded by the window manager's resource loader).
HBITMAP CreateBitmapFromPixels(int width, int height, const uint32_t* pixels);

}  // namespace host
