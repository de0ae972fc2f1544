// The window manager's records: registered classes and live windows, shared
// by the window, painting, message, dialog and message box files.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace host {

// The device's screen: CW_USEDEFAULT windows cover it, popups centre on it.
constexpr int kDesktopWidth = 480;
constexpr int kDesktopHeight = 272;

struct WindowClass {
    std::wstring name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
    HICON icon = nullptr;
};

// One window. Rectangles: `bounds` is in screen coordinates; the client
// area starts `captionHeight` pixels below its top (popups with a caption
// bar) and fills the rest. Update and paint rectangles are client coordinates.
struct Window {
    HWND handle = nullptr;
    std::shared_ptr<const WindowClass> windowClass;
    std::wstring text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT bounds{};
    int captionHeight = 0;
    HWND parent = nullptr;  // the owner, for popups
    std::thread::id thread;  // the thread that created it, where its procedure runs
    int controlId = 0;
    bool visible = false;
    bool destroying = false;

    bool updatePending = false;
    bool erasePending = false;
    RECT updateRect{};
    bool painting = false;
    RECT paintRect{};

    // Modal popups (dialogs and message boxes).
    bool modal = false;
    bool modalEnded = false;
    INT_PTR modalResult = 0;
    DLGPROC dialogProc = nullptr;
    UINT iconId = 0;  // static icon controls
};

// Class registry. Names compare case-insensitively, as on the device.
bool AddWindowClass(std::shared_ptr<WindowClass> windowClass);  // false: name taken
std::shared_ptr<const WindowClass> FindWindowClass(const std::wstring& name);

// Window table. Handles are never reused, so a destroyed window's handle
// stays invalid.
HWND AddWindow(std::shared_ptr<Window> window);
std::shared_ptr<Window> LookupWindow(HWND hwnd);
// As LookupWindow; an unknown handle also sets ERROR_INVALID_WINDOW_HANDLE.
std::shared_ptr<Window> LookupWindowOrFail(HWND hwnd);
bool WindowExists(HWND hwnd);
std::shared_ptr<Window> RemoveWindow(HWND hwnd);
// Live windows, oldest first.
std::vector<std::shared_ptr<Window>> AllWindows();
std::vector<std::shared_ptr<Window>> ChildrenOf(HWND parent);

// The window that takes keyboard and pointer input: the newest visible
// modal popup, else the oldest visible top-level window. RefreshInputWindow
// hands it to the display back end after windows come, go, show or hide.
HWND TopInputWindow();
void RefreshInputWindow();

// The first visible window with a pending update, or null.
HWND WindowNeedingPaint();

// Client area in screen coordinates.
RECT ClientScreenRect(const Window& window);

// Marks `screenArea` for repainting on every other visible top-level window
// that it overlaps (what a closed popup uncovers).
void InvalidateScreenArea(const RECT& screenArea, HWND except);

// Forgets every window and class (tests, between cases).
void ClearWindowRegistry();

// Pointer position and show count back to their start (cursor.cpp).
void ResetCursor();

}  // namespace host
