// CreateFonts: one bold description at three heights, the platform's default face.
#include "fonts.h"

#include "screen_layout.h"

HFONT g_hFontLarge = NULL;
HFONT g_hFontSmall = NULL;
HFONT g_hFontNarrow = NULL;

BOOL CreateFonts() {
    LOGFONTW font;
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = kLargeFontHeight;  // positive: cell height in pixels
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    g_hFontLarge = CreateFontIndirectW(&font);

    font.lfHeight = kSmallFontHeight;
    g_hFontSmall = CreateFontIndirectW(&font);

    font.lfHeight = kNarrowFontHeight;
    g_hFontNarrow = CreateFontIndirectW(&font);
    return g_hFontLarge != NULL && g_hFontSmall != NULL && g_hFontNarrow != NULL;
}
