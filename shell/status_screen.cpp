// ShowStartScreen, DrawVersionText, DrawTitleText, DrawStatusText, DrawErrorText,
// InkColour.
#include "status_screen.h"

#include <strsafe.h>

#include "app_state.h"
#include "fonts.h"
#include "screen_layout.h"

namespace {

bool IsDarkBackground() {
    return GetRValue(g_bkColor) < kDarkComponentLimit && GetGValue(g_bkColor) < kDarkComponentLimit &&
           GetBValue(g_bkColor) < kDarkComponentLimit;
}

// Text is black unless the background is dark, then white. The background
// mode stays opaque, so every line sits on a box of g_bkColor.
void ApplyTextColour(HDC dc) {
    if (IsDarkBackground()) SetTextColor(dc, RGB(255, 255, 255));
}

void DrawBandText(HDC dc, LPCWSTR text, RECT band, UINT format) {
    DrawTextW(dc, text, -1, &band, format);
}

}  // namespace

void ShowStartScreen() { DrawVersionText(kVersionLine1, kVersionLine2, kVersionLine3); }

void DrawVersionText(LPCWSTR line1, LPCWSTR line2, LPCWSTR line3) {
    HDC dc = GetDC(g_hWnd);
    HGDIOBJ previousFont = SelectObject(dc, g_hFontSmall);
    SetBkColor(dc, g_bkColor);
    ApplyTextColour(dc);
    if (line1) DrawBandText(dc, line1, kVersionBand1, kVersionFormat);
    if (line2) DrawBandText(dc, line2, kVersionBand2, kVersionFormat);
    if (line3) DrawBandText(dc, line3, kVersionBand3, kVersionFormat);
    SelectObject(dc, previousFont);
    ReleaseDC(g_hWnd, dc);
}

void DrawTitleText(LPCWSTR text) {
    HDC dc = GetDC(g_hWnd);
    HGDIOBJ previousFont = SelectObject(dc, g_hFontLarge);
    SetBkColor(dc, g_bkColor);
    ApplyTextColour(dc);
    DrawBandText(dc, text, kTitleBand, kTitleFormat);
    SelectObject(dc, previousFont);
    ReleaseDC(g_hWnd, dc);
}

// Composes the band off-screen and copies it in one step, so the line
// changes without flicker and the previous text leaves no trace.
void DrawStatusText(LPCWSTR text) {
    const LONG width = kStatusBand.right - kStatusBand.left;
    const LONG height = kStatusBand.bottom - kStatusBand.top;

    HDC windowDc = GetDC(g_hWnd);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP band = CreateCompatibleBitmap(windowDc, width, height);
    HGDIOBJ previousFont = SelectObject(memoryDc, g_hFontLarge);
    HGDIOBJ previousBitmap = SelectObject(memoryDc, band);

    SetBkColor(memoryDc, g_bkColor);
    ApplyTextColour(memoryDc);
    RECT whole = {0, 0, width, height};
    HBRUSH fill = CreateSolidBrush(g_bkColor);
    FillRect(memoryDc, &whole, fill);
    DeleteObject(fill);
    RECT textArea = whole;
    SIZE extent = {};
    if (GetTextExtentPoint32W(memoryDc, text, static_cast<int>(wcslen(text)), &extent) && extent.cx > width) {
        SelectObject(memoryDc, g_hFontNarrow);
        textArea.top = (kLargeFontHeight - kNarrowFontHeight) / 2;
    }
    DrawBandText(memoryDc, text, textArea, kStatusFormat);

    BitBlt(windowDc, kStatusBand.left, kStatusBand.top, width, height, memoryDc, 0, 0, SRCCOPY);

    SelectObject(memoryDc, previousBitmap);
    SelectObject(memoryDc, previousFont);
    DeleteObject(band);
    DeleteDC(memoryDc);
    ReleaseDC(g_hWnd, windowDc);
}

void DrawErrorText(LPCWSTR code, LPCWSTR message) {
    // Each step is bounded by the buffer; the program's own codes and
    // messages need 24 of its 99 characters.
    WCHAR line[kErrorTextLength] = {};
    StringCchCopyW(line, kErrorTextLength, code);
    StringCchCatW(line, kErrorTextLength, L" ");
    StringCchCatW(line, kErrorTextLength, message);
    DrawStatusText(line);
}

COLORREF InkColour() { return IsDarkBackground() ? RGB(255, 255, 255) : RGB(0, 0, 0); }
