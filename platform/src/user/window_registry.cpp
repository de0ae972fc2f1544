// The class registry and the window table behind the window manager.
#include "window_registry.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "casefold.h"
#include "ruvexa_host.h"

namespace host {
namespace {

// Windows are created and destroyed on the UI thread, but PostMessageW checks
// handles from any thread, so the tables are locked.
std::mutex g_mutex;
std::map<std::wstring, std::shared_ptr<WindowClass>> g_classes;  // by folded name
std::map<uintptr_t, std::shared_ptr<Window>> g_windows;          // by handle, oldest first
uintptr_t g_nextHandle = 0x10010;

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

bool AddWindowClass(std::shared_ptr<WindowClass> windowClass) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_classes.emplace(FoldedName(windowClass->name), std::move(windowClass)).second;
}

std::shared_ptr<const WindowClass> FindWindowClass(const std::wstring& name) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_classes.find(FoldedName(name));
    return it == g_classes.end() ? nullptr : it->second;
}

HWND AddWindow(std::shared_ptr<Window> window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    window->handle = reinterpret_cast<HWND>(value);
    g_windows.emplace(value, std::move(window));
    return reinterpret_cast<HWND>(value);
}

std::shared_ptr<Window> LookupWindow(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == g_windows.end() ? nullptr : it->second;
}

std::shared_ptr<Window> LookupWindowOrFail(HWND hwnd) {
    auto window = LookupWindow(hwnd);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

bool WindowExists(HWND hwnd) { return hwnd && LookupWindow(hwnd) != nullptr; }

std::shared_ptr<Window> RemoveWindow(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == g_windows.end()) return nullptr;
    auto window = std::move(it->second);
    g_windows.erase(it);
    return window;
}

std::vector<std::shared_ptr<Window>> AllWindows() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<std::shared_ptr<Window>> windows;
    for (auto& [value, window] : g_windows) windows.push_back(window);
    return windows;
}

std::vector<std::shared_ptr<Window>> ChildrenOf(HWND parent) {
    std::vector<std::shared_ptr<Window>> children;
    for (auto& window : AllWindows()) {
        if (window->parent == parent && (window->style & WS_CHILD)) children.push_back(window);
    }
    return children;
}

HWND TopInputWindow() {
    HWND topLevel = nullptr;
    HWND popup = nullptr;
    for (auto& window : AllWindows()) {
        if (!window->visible || (window->style & WS_CHILD)) continue;
        if (window->modal) {
            popup = window->handle;
        } else if (!topLevel) {
            topLevel = window->handle;
        }
    }
    return popup ? popup : topLevel;
}

void RefreshInputWindow() { SetInputWindow(TopInputWindow()); }

HWND WindowNeedingPaint() {
    for (auto& window : AllWindows()) {
        if (window->visible && window->updatePending) return window->handle;
    }
    return nullptr;
}

RECT ClientScreenRect(const Window& window) {
    RECT client = window.bounds;
    client.top = std::min(client.bottom, client.top + window.captionHeight);
    return client;
}

void InvalidateScreenArea(const RECT& screenArea, HWND except) {
    for (auto& window : AllWindows()) {
        if (window->handle == except || !window->visible || (window->style & WS_CHILD)) continue;
        RECT client = ClientScreenRect(*window);
        if (!Overlaps(client, screenArea)) continue;
        RECT area{std::max(client.left, screenArea.left) - client.left,
                  std::max(client.top, screenArea.top) - client.top,
                  std::min(client.right, screenArea.right) - client.left,
                  std::min(client.bottom, screenArea.bottom) - client.top};
        InvalidateRect(window->handle, &area, TRUE);
    }
}

void ClearWindowRegistry() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_windows.clear();
    g_classes.clear();
}

}  // namespace host
