// What the launcher draws on its window: version lines, the title line and
// the status line. UI thread only; each call takes and returns its own DC.
#pragma once

#include <windows.h>

void ShowStartScreen();
// A null text is skipped.
void DrawVersionText(LPCWSTR line1, LPCWSTR line2, LPCWSTR line3);
void DrawTitleText(LPCWSTR text);
// Replaces the whole status band.
void DrawStatusText(LPCWSTR text);
// The code, one space and the message as the status line.
void DrawErrorText(LPCWSTR code, LPCWSTR message);
// What texts are drawn in on the window's background: black, or white on a
// dark background.
COLORREF InkColour();
