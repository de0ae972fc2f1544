// InvalidateRect, ValidateRect, UpdateWindow, BeginPaint, EndPaint: each
// window keeps one update rectangle (the bounds of what needs repainting);
// GetMessageW turns it into WM_PAINT when nothing else is queued.
#include "error.h"
#include "message_queue.h"
#include "window_registry.h"

namespace host {
namespace {

void AddToUpdate(Window& window, const RECT* area, BOOL erase) {
    RECT client{0, 0, window.bounds.right - window.bounds.left,
                window.bounds.bottom - window.bounds.top - window.captionHeight};
    RECT added = client;
    if (area && !IntersectRect(&added, area, &client)) return;
    if (window.updatePending) {
        UnionRect(&window.updateRect, &window.updateRect, &added);
    } else {
        window.updateRect = added;
        window.updatePending = true;
    }
    if (erase) window.erasePending = true;
}

}  // namespace
}  // namespace host

extern "C" BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (!hWnd) {
        // A null window stands for every window.
        for (auto& window : host::AllWindows()) host::AddToUpdate(*window, nullptr, bErase);
        host::WakeMessageQueue();
        return TRUE;
    }
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    host::AddToUpdate(*window, lpRect, bErase);
    host::WakeMessageQueue();
    return TRUE;
}

extern "C" BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    // One rectangle cannot hold a region with a hole: validating part of the
    // update leaves all of it pending.
    RECT covered;
    if (!lpRect || (IntersectRect(&covered, lpRect, &window->updateRect) &&
                    EqualRect(&covered, &window->updateRect))) {
        window->updatePending = false;
        window->erasePending = false;
    }
    return TRUE;
}

extern "C" BOOL WINAPI UpdateWindow(HWND hWnd) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    if (window->visible && window->updatePending) SendMessageW(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

extern "C" HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return nullptr;
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = GetDC(hWnd);
    if (window->updatePending) lpPaint->rcPaint = window->updateRect;
    bool erase = window->erasePending;
    window->updatePending = false;
    window->erasePending = false;
    window->painting = true;
    window->paintRect = lpPaint->rcPaint;
    if (erase && !IsRectEmpty(&lpPaint->rcPaint)) {
        // fErase tells the painter the background is still to be erased.
        lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(lpPaint->hdc), 0) == 0;
    }
    return lpPaint->hdc;
}

extern "C" BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    auto window = host::LookupWindow(hWnd);
    if (window) window->painting = false;
    if (lpPaint && lpPaint->hdc) ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}
