// The SDL2 keyboard: SDL key codes to virtual keys, key messages to the
// input window, and the key state that GetKeyState reports.
#include <SDL2/SDL.h>

#include <atomic>

#include "display_window.h"

namespace host {
namespace {

// Bit 0x80 down, bit 0x01 toggled by every press, per virtual key.
std::atomic<uint8_t> g_keyState[256];

int VirtualKeyOf(int sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 'A' + (sdlKey - SDLK_a);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return '0' + (sdlKey - SDLK_0);
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return VK_F1 + (sdlKey - SDLK_F1);
    switch (sdlKey) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_HOME: return VK_HOME;
        case SDLK_END: return VK_END;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_LSHIFT: return VK_LSHIFT;
        case SDLK_RSHIFT: return VK_RSHIFT;
        case SDLK_LCTRL: return VK_LCONTROL;
        case SDLK_RCTRL: return VK_RCONTROL;
        case SDLK_LALT: return VK_LMENU;
        case SDLK_RALT: return VK_RMENU;
        default: return 0;
    }
}

// The side-neutral key a left or right modifier also counts as.
int NeutralKeyOf(int vk) {
    switch (vk) {
        case VK_LSHIFT:
        case VK_RSHIFT: return VK_SHIFT;
        case VK_LCONTROL:
        case VK_RCONTROL: return VK_CONTROL;
        case VK_LMENU:
        case VK_RMENU: return VK_MENU;
        default: return vk;
    }
}

bool IsDown(int vk) { return (g_keyState[vk].load() & 0x80) != 0; }

void SetState(int vk, bool down) {
    uint8_t state = g_keyState[vk].load();
    if (down && !(state & 0x80)) state ^= 0x01;
    g_keyState[vk] = static_cast<uint8_t>(down ? (state | 0x80) : (state & ~0x80));
}

}  // namespace

void HandleDisplayKey(int sdlKey, bool down, bool repeat) {
    int sided = VirtualKeyOf(sdlKey);
    if (sided == 0) return;
    int vk = NeutralKeyOf(sided);
    bool wasDown = IsDown(vk);
    SetState(sided, down);
    if (vk != sided) {
        // The left and right keys of a pair (0xA0/0xA1, 0xA2/0xA3, 0xA4/0xA5)
        // differ in the lowest bit: the neutral key stays down while either is.
        SetState(vk, down || IsDown(sided ^ 1));
    }
    HWND window = InputWindow();
    if (!window) return;
    // Keys typed with Alt held (and Alt itself) are system keys.
    bool alt = IsDown(VK_MENU);
    UINT message =
        down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt || vk == VK_MENU ? WM_SYSKEYUP : WM_KEYUP);
    // Repeat count 1; bit 29 Alt held; bit 30 the previous state; bit 31 a release.
    LPARAM flags = 1;
    if (alt) flags |= 1L << 29;
    if (wasDown || repeat) flags |= 1L << 30;
    if (!down) flags |= 1UL << 31;
    PostMessageW(window, message, static_cast<WPARAM>(vk), flags);
}

}  // namespace host

extern "C" SHORT WINAPI GetKeyState(int nVirtKey) {
    if (nVirtKey < 0 || nVirtKey > 255) return 0;
    uint8_t state = host::g_keyState[nVirtKey].load();
    return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}
