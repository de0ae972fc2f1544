// LoadAcceleratorsW, TranslateAcceleratorW, TranslateMessage: keyboard
// translation on the UI thread.
#include "error.h"
#include "message_queue.h"
#include "resource_lookup.h"

namespace host {
namespace {

constexpr BYTE kModifierFlags = FSHIFT | FCONTROL | FALT;
// Set on the last entry of a compiled table; not part of the key's flags.
constexpr BYTE kLastEntryFlag = 0x80;

bool KeyDown(int virtualKey) { return GetKeyState(virtualKey) < 0; }

BYTE ModifiersHeld() {
    BYTE held = 0;
    if (KeyDown(VK_SHIFT)) held |= FSHIFT;
    if (KeyDown(VK_CONTROL)) held |= FCONTROL;
    if (KeyDown(VK_MENU)) held |= FALT;
    return held;
}

// The character a key types, or 0 for keys that type none.
WCHAR CharacterOf(WPARAM key) {
    bool shift = KeyDown(VK_SHIFT);
    if (key >= 'A' && key <= 'Z') {
        if (KeyDown(VK_CONTROL)) return static_cast<WCHAR>(key - 'A' + 1);
        return static_cast<WCHAR>(shift ? key : key - 'A' + 'a');
    }
    if (key >= '0' && key <= '9') return static_cast<WCHAR>(key);
    switch (key) {
        case VK_SPACE: return L' ';
        case VK_RETURN: return L'\r';
        case VK_BACK: return L'\b';
        case VK_TAB: return L'\t';
        case VK_ESCAPE: return 0x1B;
        default: return 0;
    }
}

}  // namespace
}  // namespace host

extern "C" HACCEL WINAPI LoadAcceleratorsW(HINSTANCE, LPCWSTR lpTableName) {
    UINT id = 0;
    const host::AcceleratorResource* table =
        host::ResourceIdOf(lpTableName, &id) ? host::FindAcceleratorResource(id) : nullptr;
    if (!table) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // The table lives as long as the resource table; the handle is its address.
    return reinterpret_cast<HACCEL>(const_cast<host::AcceleratorResource*>(table));
}

extern "C" int WINAPI TranslateAcceleratorW(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
    auto table = reinterpret_cast<const host::AcceleratorResource*>(hAccTable);
    const host::ResourceTable* resources = host::CurrentResourceTable();
    if (!table || !resources || table < resources->accelerators ||
        table >= resources->accelerators + resources->acceleratorCount) {
        SetLastError(ERROR_INVALID_ACCEL_HANDLE);
        return 0;
    }
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return 0;
    BYTE held = host::ModifiersHeld();
    for (size_t i = 0; i < table->count; ++i) {
        const ACCEL& entry = table->entries[i];
        BYTE flags = entry.fVirt & ~host::kLastEntryFlag;
        // Only virtual-key entries: the program's table has no character entries.
        if (!(flags & FVIRTKEY) || entry.key != lpMsg->wParam) continue;
        if ((flags & host::kModifierFlags) != held) continue;
        if (!IsWindow(hWnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
        return 1;
    }
    return 0;
}

extern "C" BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg || lpMsg->message != WM_KEYDOWN) return FALSE;
    WCHAR character = host::CharacterOf(lpMsg->wParam);
    if (character == 0) return FALSE;
    MSG typed = *lpMsg;
    typed.message = WM_CHAR;
    typed.wParam = character;
    host::PostToFront(typed);
    return TRUE;
}
