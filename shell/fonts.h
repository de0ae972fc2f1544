// The launcher's two fonts, created once with the window and never deleted.
#pragma once

#include <windows.h>

extern HFONT g_hFontLarge;
extern HFONT g_hFontSmall;

// Both fonts; TRUE when both exist.
BOOL CreateFonts();
