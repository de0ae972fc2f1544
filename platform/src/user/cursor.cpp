// SetCursorPos, GetCursorPos, ShowCursor: the pointer's position (kept on
// the screen) and its show count. The host draws no pointer of its own.
#include <algorithm>
#include <atomic>

#include "window_registry.h"

namespace host {
namespace {

std::atomic<int> g_cursorX{0};
std::atomic<int> g_cursorY{0};
std::atomic<int> g_showCount{0};

}  // namespace

void ResetCursor() {
    g_cursorX = 0;
    g_cursorY = 0;
    g_showCount = 0;
}

}  // namespace host

extern "C" BOOL WINAPI SetCursorPos(int X, int Y) {
    // The last pixel of the screen is as far as the pointer goes.
    host::g_cursorX = std::clamp(X, 0, host::kDesktopWidth - 1);
    host::g_cursorY = std::clamp(Y, 0, host::kDesktopHeight - 1);
    return TRUE;
}

extern "C" BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (!lpPoint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpPoint->x = host::g_cursorX;
    lpPoint->y = host::g_cursorY;
    return TRUE;
}

extern "C" int WINAPI ShowCursor(BOOL bShow) {
    return bShow ? ++host::g_showCount : --host::g_showCount;
}
