// DialogBoxParamW, EndDialog: modal dialogs from the program's dialog
// templates. Dialog units become pixels with the base units of an 8-point
// dialog font, 6 x 13 pixels for 4 x 8 units; the template's size is the
// client area, and the caption bar is added above it. Without a display the
// dialog is drawn, reported on standard error and answered with OK.
#include <string>

#include "display_backend.h"
#include "error.h"
#include "popup.h"
#include "resource_lookup.h"

namespace host {
namespace {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
constexpr LPCWSTR kDialogClassName = L"#32770";

int PixelsX(int dialogUnits) { return dialogUnits * kBaseUnitX / 4; }
int PixelsY(int dialogUnits) { return dialogUnits * kBaseUnitY / 8; }

bool Ended(HWND dialog) {
    auto window = LookupWindow(dialog);
    return !window || window->modalEnded;
}

INT_PTR CallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto window = LookupWindow(dialog);
    if (!window || !window->dialogProc) return FALSE;
    return window->dialogProc(dialog, message, wParam, lParam);
}

// The dialog manager's part: keys and clicks become commands, a close
// request unanswered by the dialog procedure becomes IDCANCEL.
LRESULT CALLBACK DialogWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                WORD command = wParam == VK_RETURN ? IDOK : IDCANCEL;
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, 0), 0);
            }
            return 0;
        case WM_LBUTTONUP:
            if (int command = PopupButtonAt(dialog, lParam)) {
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, 0), 0);
            }
            return 0;
        default:
            break;
    }
    INT_PTR handled = CallDialogProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG || handled) return handled;
    switch (message) {
        case WM_CLOSE:
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(dialog, &paint);
            DrawPopup(dialog);
            EndPaint(dialog, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return 0;
    }
}

HWND CreateDialogFromTemplate(const DialogResource& dialog, HWND owner) {
    // Template coordinates count from the owner's client area.
    RECT origin{0, 0, 0, 0};
    if (auto ownerWindow = LookupWindow(owner)) origin = ClientScreenRect(*ownerWindow);
    int left = origin.left + PixelsX(dialog.x);
    int top = origin.top + PixelsY(dialog.y);
    RECT bounds{left, top, left + PixelsX(dialog.cx), top + kPopupCaptionHeight + PixelsY(dialog.cy)};
    HWND hwnd = CreatePopup(kDialogClassName, DialogWindowProc, dialog.caption ? dialog.caption : L"",
                            dialog.style, dialog.exStyle, bounds, owner);
    if (!hwnd) return nullptr;
    for (size_t i = 0; i < dialog.controlCount; ++i) {
        const DialogControlResource& control = dialog.controls[i];
        RECT area{PixelsX(control.x), PixelsY(control.y), PixelsX(control.x + control.cx),
                  PixelsY(control.y + control.cy)};
        CreatePopupControl(hwnd, control.className ? control.className : L"STATIC",
                           control.text ? control.text : L"", control.iconId, area, control.style, control.id);
    }
    return hwnd;
}

}  // namespace
}  // namespace host

extern "C" INT_PTR WINAPI DialogBoxParamW(HINSTANCE, LPCWSTR lpTemplateName, HWND hWndParent,
                                          DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    UINT id = 0;
    const host::DialogResource* dialog =
        host::ResourceIdOf(lpTemplateName, &id) ? host::FindDialogResource(id) : nullptr;
    if (!dialog) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    if (hWndParent && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    if (!lpDialogFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    HWND hwnd = host::CreateDialogFromTemplate(*dialog, hWndParent);
    if (!hwnd) return -1;
    host::LookupWindow(hwnd)->dialogProc = lpDialogFunc;

    auto controls = host::ChildrenOf(hwnd);
    HWND firstControl = controls.empty() ? nullptr : controls.front()->handle;
    SendMessageW(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstControl), dwInitParam);
    // A dialog ended while it initialised is never shown.
    if (!host::Ended(hwnd)) {
        host::ShowPopup(hwnd);
        if (!host::DisplayIsInteractive()) {
            auto window = host::LookupWindow(hwnd);
            host::ReportToHost(L"dialog: " + window->text + L": " + host::PopupTexts(hwnd));
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
            // Nobody can answer a dialog whose procedure ignores OK.
            if (!host::Ended(hwnd)) host::EndPopup(hwnd, IDOK);
        }
    }
    return host::RunModalLoop(hwnd);
}

extern "C" BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    auto window = host::LookupWindow(hDlg);
    if (!window || !window->dialogProc || !host::EndPopup(hDlg, nResult)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}
