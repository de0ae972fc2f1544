// MessageBoxW: a box centred on the screen with its caption, its text and an
// OK button, reported on standard error. Without a display it is answered
// at once with its type's default button (OK for the program's own box);
// with one, Enter, Escape, the OK button or closing the window answer it.
#include <algorithm>
#include <iterator>
#include <mutex>
#include <string>

#include "display_backend.h"
#include "error.h"
#include "popup.h"
#include "ruvexa_host.h"

namespace host {
namespace {

constexpr LPCWSTR kMessageBoxClassName = L"#MessageBox";
constexpr int kMargin = 16;
constexpr int kMinTextWidth = 168;
constexpr int kMaxTextWidth = kDesktopWidth - 4 * kMargin;
constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 24;

// The box shown last, as "CAPTION: TEXT", and the screen's latest text when
// it came up.
std::mutex g_lastBoxMutex;
std::wstring g_lastBox;
std::wstring g_screenTextUnderLastBox;

LRESULT CALLBACK MessageBoxWindowProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_SPACE) EndPopup(box, IDOK);
            return 0;
        case WM_LBUTTONUP:
            if (PopupButtonAt(box, lParam) == IDOK) EndPopup(box, IDOK);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) EndPopup(box, IDOK);
            return 0;
        case WM_CLOSE:
            EndPopup(box, IDOK);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(box, &paint);
            DrawPopup(box);
            EndPaint(box, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return 0;
    }
}

// The text's size when wrapped to the widest box the screen allows.
SIZE MeasureText(const std::wstring& text) {
    HDC screen = GetDC(nullptr);
    LOGFONTW description{};
    description.lfHeight = kPopupTextFontHeight;
    description.lfCharSet = DEFAULT_CHARSET;
    HFONT font = CreateFontIndirectW(&description);
    HGDIOBJ previous = SelectObject(screen, font);
    RECT area{0, 0, kMaxTextWidth, 0};
    DrawTextW(screen, text.c_str(), -1, &area, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return SIZE{std::clamp<LONG>(area.right - area.left, kMinTextWidth, kMaxTextWidth),
                std::clamp<LONG>(area.bottom - area.top, kPopupTextFontHeight, kDesktopHeight / 2)};
}

// The button Enter stands for: the box type's first button, or the second
// or third with MB_DEFBUTTON2 or MB_DEFBUTTON3.
int DefaultButtonOf(UINT type) {
    static const int kButtons[][3] = {
        {IDOK, IDOK, IDOK},           {IDOK, IDCANCEL, IDCANCEL},  {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},      {IDYES, IDNO, IDNO},         {IDRETRY, IDCANCEL, IDCANCEL},
    };
    const UINT kind = type & MB_TYPEMASK;
    const UINT position = std::min<UINT>((type & MB_DEFMASK) >> 8, 2);
    return kind < std::size(kButtons) ? kButtons[kind][position] : IDOK;
}

}  // namespace

std::wstring MessageBoxSaidLast() {
    std::lock_guard<std::mutex> lock(g_lastBoxMutex);
    return LatestScreenText() == g_screenTextUnderLastBox ? g_lastBox : std::wstring();
}

}  // namespace host

extern "C" int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    if (hWnd && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::wstring text = lpText ? lpText : L"";
    std::wstring caption = lpCaption ? lpCaption : L"Error";

    SIZE textSize = host::MeasureText(text);
    int width = textSize.cx + 2 * host::kMargin;
    int clientHeight = host::kMargin + textSize.cy + host::kMargin + host::kButtonHeight + host::kMargin / 2;
    int height = host::kPopupCaptionHeight + clientHeight;
    int left = (host::kDesktopWidth - width) / 2;
    int top = std::max(0, (host::kDesktopHeight - height) / 2);
    HWND box = host::CreatePopup(host::kMessageBoxClassName, host::MessageBoxWindowProc, caption, WS_CAPTION,
                                 0, RECT{left, top, left + width, top + height}, hWnd);
    if (!box) return 0;
    RECT textArea{host::kMargin, host::kMargin, host::kMargin + textSize.cx, host::kMargin + textSize.cy};
    host::CreatePopupControl(box, L"STATIC", text, 0, textArea, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, -1);
    int buttonLeft = (width - host::kButtonWidth) / 2;
    int buttonTop = textArea.bottom + host::kMargin;
    host::CreatePopupControl(box, L"BUTTON", L"OK", 0,
                             RECT{buttonLeft, buttonTop, buttonLeft + host::kButtonWidth, buttonTop + host::kButtonHeight},
                             WS_VISIBLE | BS_DEFPUSHBUTTON, IDOK);
    {
        std::lock_guard<std::mutex> lock(host::g_lastBoxMutex);
        host::g_lastBox = caption + L": " + text;
        host::g_screenTextUnderLastBox = host::LatestScreenText();
    }
    host::ShowPopup(box);
    host::ReportToHost(L"message box: " + caption + L": " + text);
    // Without a display the box closes at once, as if Enter were pressed.
    if (!host::DisplayIsInteractive()) host::EndPopup(box, host::DefaultButtonOf(uType));
    return static_cast<int>(host::RunModalLoop(box));
}
