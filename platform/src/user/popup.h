// What dialogs and message boxes share: the popup window with its child
// controls, its drawing, its answers to keys and clicks, and the modal loop.
#pragma once

#include <windows.h>

#include <string>

#include "host_report.h"
#include "window_registry.h"

namespace host {

constexpr int kPopupCaptionHeight = 20;
// The cell height of control texts: an 8-point dialog font on the device's
// screen.
constexpr int kPopupTextFontHeight = 11;

// A hidden modal popup owned by `owner`: `bounds` is the whole popup on the
// screen, caption bar included. Null when creation failed.
HWND CreatePopup(LPCWSTR className, WNDPROC proc, const std::wstring& caption, DWORD style,
                 DWORD exStyle, const RECT& bounds, HWND owner);

// A child control of a popup at `area` (client coordinates). `iconId` names
// the icon of an SS_ICON static.
HWND CreatePopupControl(HWND popup, LPCWSTR className, const std::wstring& text, UINT iconId,
                        const RECT& area, DWORD style, int id);

// Shows the popup and draws it, with its controls, in one copy to the screen.
void ShowPopup(HWND popup);
void DrawPopup(HWND popup);

// The control id a click at `clientPoint` (the popup's client coordinates,
// as in WM_LBUTTONUP) lands on: IDOK for the caption's OK button, a child
// button's id, or 0.
int PopupButtonAt(HWND popup, LPARAM clientPoint);

// The texts of the popup's controls, joined by " | ", for the host's log.
std::wstring PopupTexts(HWND popup);

// Marks a popup as ended with `result`; its modal loop stops.
bool EndPopup(HWND popup, INT_PTR result);

// Fetches and dispatches messages, for every window of the thread, until the
// popup has ended; then destroys it and returns its result. A quit message
// ends the popup too and is posted again for the loop outside.
INT_PTR RunModalLoop(HWND popup);

}  // namespace host
