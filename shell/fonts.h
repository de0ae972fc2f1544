// The launcher's fonts, created once with the window and never deleted.
#pragma once

#include <windows.h>

extern HFONT g_hFontLarge;
extern HFONT g_hFontSmall;
// For a status line too wide for the large font.
extern HFONT g_hFontNarrow;

// All three fonts; TRUE when all exist.
BOOL CreateFonts();
