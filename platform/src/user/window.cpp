// RegisterClassW, CreateWindowExW, ShowWindow, DestroyWindow, IsWindow,
// GetWindowRect, GetClientRect, GetParent, SetWindowPos, DefWindowProcW.
#include <memory>

#include "error.h"
#include "message_queue.h"
#include "window_registry.h"

namespace host {
namespace {

void MoveWithDescendants(HWND hwnd, int dx, int dy) {
    for (auto& child : ChildrenOf(hwnd)) {
        OffsetRect(&child->bounds, dx, dy);
        MoveWithDescendants(child->handle, dx, dy);
    }
}

void InvalidateWhole(Window& window) {
    window.updatePending = false;
    InvalidateRect(window.handle, nullptr, TRUE);
}

}  // namespace
}  // namespace host

extern "C" ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName ||
        !*lpWndClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto windowClass = std::make_shared<host::WindowClass>();
    windowClass->name = lpWndClass->lpszClassName;
    windowClass->style = lpWndClass->style;
    windowClass->proc = lpWndClass->lpfnWndProc;
    windowClass->background = lpWndClass->hbrBackground;
    windowClass->icon = lpWndClass->hIcon;
    if (!host::AddWindowClass(windowClass)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    static ATOM nextAtom = 0xC000;
    return nextAtom++;
}

extern "C" HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                                       DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                                       HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
    auto windowClass = lpClassName ? host::FindWindowClass(lpClassName) : nullptr;
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto parent = hWndParent ? host::LookupWindow(hWndParent) : nullptr;
    if (hWndParent && !parent) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // CW_USEDEFAULT places a window at the screen's corner and makes it as
    // large as the screen.
    if (X == CW_USEDEFAULT) X = Y = 0;
    if (nWidth == CW_USEDEFAULT) {
        nWidth = host::kDesktopWidth;
        nHeight = host::kDesktopHeight;
    }
    auto window = std::make_shared<host::Window>();
    window->thread = std::this_thread::get_id();
    window->windowClass = windowClass;
    window->text = lpWindowName ? lpWindowName : L"";
    window->style = dwStyle;
    window->exStyle = dwExStyle;
    window->parent = hWndParent;
    RECT origin{0, 0, 0, 0};
    if (parent && (dwStyle & WS_CHILD)) {
        origin = host::ClientScreenRect(*parent);
        window->controlId = static_cast<int>(reinterpret_cast<intptr_t>(hMenu));
    }
    window->bounds = RECT{origin.left + X, origin.top + Y, origin.left + X + nWidth, origin.top + Y + nHeight};
    HWND hwnd = host::AddWindow(window);

    CREATESTRUCTW create{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X,
                         static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    if ((dwStyle & WS_VISIBLE) && host::WindowExists(hwnd)) {
        window->visible = true;
        host::InvalidateWhole(*window);
        host::RefreshInputWindow();
    }
    return hwnd;
}

extern "C" BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    BOOL wasVisible = window->visible;
    bool show = nCmdShow != SW_HIDE;
    if (show && !wasVisible) {
        window->visible = true;
        window->style |= WS_VISIBLE;
        host::InvalidateWhole(*window);
    } else if (!show && wasVisible) {
        window->visible = false;
        window->style &= ~WS_VISIBLE;
        host::InvalidateScreenArea(window->bounds, hWnd);
    }
    host::RefreshInputWindow();
    return wasVisible;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hWnd) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    if (window->destroying) return TRUE;
    window->destroying = true;
    // Owned popups go first, then the window itself hears WM_DESTROY while
    // its handle still works, then its children.
    for (auto& other : host::AllWindows()) {
        if (other->parent == hWnd && !(other->style & WS_CHILD)) DestroyWindow(other->handle);
    }
    SendMessageW(hWnd, WM_DESTROY, 0, 0);
    for (auto& child : host::ChildrenOf(hWnd)) DestroyWindow(child->handle);
    host::RemoveWindow(hWnd);
    host::KillTimersOf(hWnd);
    host::DiscardPostedMessages(hWnd);
    if (window->modal && !window->modalEnded) {
        window->modalEnded = true;
        window->modalResult = 0;
    }
    if (window->visible && !(window->style & WS_CHILD)) host::InvalidateScreenArea(window->bounds, hWnd);
    host::RefreshInputWindow();
    return TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND hWnd) { return host::WindowExists(hWnd) ? TRUE : FALSE; }

extern "C" BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect = window->bounds;
    return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT client = host::ClientScreenRect(*window);
    *lpRect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    return TRUE;
}

extern "C" HWND WINAPI GetParent(HWND hWnd) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return nullptr;
    // A popup's owner counts as its parent, as on the device.
    if (!(window->style & (WS_CHILD | WS_POPUP))) return nullptr;
    return window->parent;
}

extern "C" BOOL WINAPI SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT uFlags) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return FALSE;
    RECT old = window->bounds;
    bool wasVisible = window->visible;
    RECT origin{0, 0, 0, 0};
    auto parent = (window->style & WS_CHILD) ? host::LookupWindow(window->parent) : nullptr;
    if (parent) origin = host::ClientScreenRect(*parent);
    RECT moved = old;
    if (!(uFlags & SWP_NOMOVE)) {
        moved = RECT{origin.left + X, origin.top + Y, origin.left + X + (old.right - old.left),
                     origin.top + Y + (old.bottom - old.top)};
    }
    if (!(uFlags & SWP_NOSIZE)) {
        moved.right = moved.left + cx;
        moved.bottom = moved.top + cy;
    }
    window->bounds = moved;
    host::MoveWithDescendants(hWnd, moved.left - old.left, moved.top - old.top);
    if (uFlags & SWP_SHOWWINDOW) window->visible = true;
    if (uFlags & SWP_HIDEWINDOW) window->visible = false;
    if (uFlags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) host::RefreshInputWindow();
    bool changed = !EqualRect(&old, &moved) || (uFlags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW));
    // Only what was or becomes visible needs painting.
    if (changed && !(uFlags & SWP_NOREDRAW)) {
        if (wasVisible) host::InvalidateScreenArea(old, hWnd);
        if (window->visible) host::InvalidateWhole(*window);
    }
    return TRUE;
}

extern "C" LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM) {
    switch (Msg) {
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (BeginPaint(hWnd, &paint)) EndPaint(hWnd, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {
            auto window = host::LookupWindow(hWnd);
            if (!window || !window->windowClass->background) return 0;
            RECT area;
            if (window->painting) {
                area = window->paintRect;
            } else {
                GetClientRect(hWnd, &area);
            }
            FillRect(reinterpret_cast<HDC>(wParam), &area, window->windowClass->background);
            return 1;
        }
        default:
            return 0;
    }
}
