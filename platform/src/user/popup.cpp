// Popups: creating a modal popup and its controls, drawing them (composed
// off-screen and copied in one step, so that the screen changes once), hit
// testing their buttons, and the modal message loop.
#include "popup.h"

#include <vector>

#include "casefold.h"
#include "dib_decode.h"
#include "display_backend.h"
#include "error.h"
#include "message_queue.h"
#include "resource_lookup.h"
#include "ruvexa_host.h"

namespace host {
namespace {

constexpr COLORREF kFrameColor = RGB(0, 0, 0);
constexpr COLORREF kCaptionColor = RGB(0, 60, 136);
constexpr COLORREF kCaptionTextColor = RGB(255, 255, 255);
constexpr COLORREF kFaceColor = RGB(212, 208, 200);
constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr int kCaptionFontHeight = 14;

// The OK button at the right end of the caption bar, in popup coordinates.
RECT CaptionOkButton(const Window& popup) {
    int width = popup.bounds.right - popup.bounds.left;
    return RECT{width - 34, 2, width - 3, kPopupCaptionHeight - 2};
}

HFONT MakeFont(int height, int weight) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    return CreateFontIndirectW(&font);
}

void Fill(HDC dc, const RECT& area, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void Frame(HDC dc, const RECT& area, COLORREF color) {
    Fill(dc, RECT{area.left, area.top, area.right, area.top + 1}, color);
    Fill(dc, RECT{area.left, area.bottom - 1, area.right, area.bottom}, color);
    Fill(dc, RECT{area.left, area.top, area.left + 1, area.bottom}, color);
    Fill(dc, RECT{area.right - 1, area.top, area.right, area.bottom}, color);
}

void DrawButton(HDC dc, RECT area, const std::wstring& text) {
    Fill(dc, area, kFaceColor);
    Frame(dc, area, kFrameColor);
    SetTextColor(dc, kTextColor);
    DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// An icon blended over the face colour, drawn at its own size.
void DrawIcon(HDC dc, UINT iconId, const RECT& area) {
    const FileResource* resource = FindIconResource(iconId);
    DecodedImage icon;
    if (!resource || !DecodeIcoFile(resource->bytes, resource->size, &icon)) return;
    uint32_t face = (GetRValue(kFaceColor) << 16) | (GetGValue(kFaceColor) << 8) | GetBValue(kFaceColor);
    for (size_t i = 0; i < icon.pixels.size(); ++i) {
        uint32_t a = icon.alpha[i];
        uint32_t blended = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            uint32_t fg = (icon.pixels[i] >> shift) & 0xFF;
            uint32_t bg = (face >> shift) & 0xFF;
            blended |= ((fg * a + bg * (255 - a)) / 255) << shift;
        }
        icon.pixels[i] = blended;
    }
    HBITMAP bitmap = CreateBitmapFromPixels(icon.width, icon.height, icon.pixels.data());
    HDC iconDc = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(iconDc, bitmap);
    BitBlt(dc, area.left, area.top, icon.width, icon.height, iconDc, 0, 0, SRCCOPY);
    SelectObject(iconDc, previous);
    DeleteDC(iconDc);
    DeleteObject(bitmap);
}

void DrawControl(HDC dc, const Window& control, const RECT& popupOnScreen) {
    RECT area = control.bounds;
    OffsetRect(&area, -popupOnScreen.left, -popupOnScreen.top);
    bool isButton = NamesEqualIgnoringCase(control.windowClass->name, L"BUTTON");
    if (isButton) {
        DrawButton(dc, area, control.text);
    } else if ((control.style & SS_TYPEMASK) == SS_ICON) {
        DrawIcon(dc, control.iconId, area);
    } else {
        // A one-line control keeps its text on one line, running past the
        // control rather than losing its end: the host's font is wider than
        // the device's.
        UINT format = area.bottom - area.top < 2 * kPopupTextFontHeight ? DT_SINGLELINE | DT_NOCLIP : DT_WORDBREAK;
        if ((control.style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
        if ((control.style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
        if (control.style & SS_NOPREFIX) format |= DT_NOPREFIX;
        SetTextColor(dc, kTextColor);
        DrawTextW(dc, control.text.c_str(), -1, &area, format);
    }
}

}  // namespace

HWND CreatePopup(LPCWSTR className, WNDPROC proc, const std::wstring& caption, DWORD style,
                 DWORD exStyle, const RECT& bounds, HWND owner) {
    if (!FindWindowClass(className)) {
        auto windowClass = std::make_shared<WindowClass>();
        windowClass->name = className;
        windowClass->proc = proc;
        AddWindowClass(windowClass);
    }
    HWND hwnd = CreateWindowExW(exStyle, className, caption.c_str(), (style & ~WS_VISIBLE) | WS_POPUP,
                                bounds.left, bounds.top, bounds.right - bounds.left,
                                bounds.bottom - bounds.top, owner, nullptr, nullptr, nullptr);
    if (auto window = LookupWindow(hwnd)) {
        window->captionHeight = kPopupCaptionHeight;
        window->modal = true;
    }
    return hwnd;
}

HWND CreatePopupControl(HWND popup, LPCWSTR className, const std::wstring& text, UINT iconId,
                        const RECT& area, DWORD style, int id) {
    if (!FindWindowClass(className)) {
        auto windowClass = std::make_shared<WindowClass>();
        windowClass->name = className;
        windowClass->proc = DefWindowProcW;
        AddWindowClass(windowClass);
    }
    // Created hidden so that the control never takes a paint of its own: the
    // popup draws its controls.
    HWND hwnd = CreateWindowExW(0, className, text.c_str(), (style & ~WS_VISIBLE) | WS_CHILD, area.left,
                                area.top, area.right - area.left, area.bottom - area.top, popup,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    if (auto control = LookupWindow(hwnd)) {
        control->style |= style & WS_VISIBLE;
        control->visible = (style & WS_VISIBLE) != 0;
        control->iconId = iconId;
    }
    return hwnd;
}

void ShowPopup(HWND popup) {
    auto window = LookupWindow(popup);
    if (!window) return;
    window->visible = true;
    window->style |= WS_VISIBLE;
    RefreshInputWindow();
    DrawPopup(popup);
}

void DrawPopup(HWND popup) {
    auto window = LookupWindow(popup);
    if (!window || !window->visible) return;
    RECT onScreen = window->bounds;
    int width = onScreen.right - onScreen.left;
    int height = onScreen.bottom - onScreen.top;
    if (width <= 0 || height <= 0) return;

    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previousBitmap = SelectObject(canvas, bitmap);
    SetBkMode(canvas, TRANSPARENT);

    RECT whole{0, 0, width, height};
    Fill(canvas, whole, kFaceColor);
    RECT caption{0, 0, width, kPopupCaptionHeight};
    Fill(canvas, caption, kCaptionColor);
    Frame(canvas, whole, kFrameColor);

    HFONT captionFont = MakeFont(kCaptionFontHeight, FW_BOLD);
    HGDIOBJ previousFont = SelectObject(canvas, captionFont);
    SetTextColor(canvas, kCaptionTextColor);
    RECT captionText{6, 0, width - 40, kPopupCaptionHeight};
    DrawTextW(canvas, window->text.c_str(), -1, &captionText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (window->exStyle & WS_EX_CAPTIONOKBTN) DrawButton(canvas, CaptionOkButton(*window), L"OK");

    HFONT textFont = MakeFont(kPopupTextFontHeight, FW_NORMAL);
    SelectObject(canvas, textFont);
    for (auto& control : ChildrenOf(popup)) {
        if (control->visible) DrawControl(canvas, *control, onScreen);
    }
    SelectObject(canvas, previousFont);
    DeleteObject(textFont);
    DeleteObject(captionFont);

    BitBlt(screen, onScreen.left, onScreen.top, width, height, canvas, 0, 0, SRCCOPY);
    SelectObject(canvas, previousBitmap);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
}

int PopupButtonAt(HWND popup, LPARAM clientPoint) {
    auto window = LookupWindow(popup);
    if (!window) return 0;
    RECT client = ClientScreenRect(*window);
    POINT onScreen{client.left + static_cast<short>(LOWORD(clientPoint)),
                   client.top + static_cast<short>(HIWORD(clientPoint))};
    if (window->exStyle & WS_EX_CAPTIONOKBTN) {
        RECT ok = CaptionOkButton(*window);
        OffsetRect(&ok, window->bounds.left, window->bounds.top);
        if (PtInRect(&ok, onScreen)) return IDOK;
    }
    for (auto& control : ChildrenOf(popup)) {
        if (control->visible && NamesEqualIgnoringCase(control->windowClass->name, L"BUTTON") &&
            PtInRect(&control->bounds, onScreen)) {
            return control->controlId;
        }
    }
    return 0;
}

std::wstring PopupTexts(HWND popup) {
    std::wstring texts;
    for (auto& control : ChildrenOf(popup)) {
        if (control->text.empty() || NamesEqualIgnoringCase(control->windowClass->name, L"BUTTON")) continue;
        if (!texts.empty()) texts += L" | ";
        texts += control->text;
    }
    return texts;
}

bool EndPopup(HWND popup, INT_PTR result) {
    auto window = LookupWindow(popup);
    if (!window || !window->modal) return false;
    window->modalEnded = true;
    window->modalResult = result;
    WakeMessageQueue();
    return true;
}

INT_PTR RunModalLoop(HWND popup) {
    auto window = LookupWindow(popup);
    if (!window) return 0;
    MSG msg;
    while (!window->modalEnded) {
        BOOL fetched = GetMessageW(&msg, nullptr, 0, 0);
        if (fetched == 0) {
            EndPopup(popup, IDCANCEL);
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (fetched == -1) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    INT_PTR result = window->modalResult;
    // Destroying the popup hands the area it covered back to the windows
    // below, which repaint it.
    DestroyWindow(popup);
    return result;
}

}  // namespace host
