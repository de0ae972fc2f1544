// GetDC, ReleaseDC, CreateCompatibleDC, DeleteDC, SelectObject, the text
// attributes (SetBkColor, SetTextColor, SetBkMode and their getters); the
// device context table.
#include "dc.h"

#include <unordered_map>

#include "error.h"

namespace host {
namespace {

std::unordered_map<uintptr_t, std::shared_ptr<DeviceContext>>& Contexts() {
    static std::unordered_map<uintptr_t, std::shared_ptr<DeviceContext>> contexts;
    return contexts;
}
uintptr_t g_nextContext = 0x80000;

HDC RegisterDc(std::shared_ptr<DeviceContext> dc) {
    auto lock = LockGdi();
    uintptr_t value = g_nextContext;
    g_nextContext += 4;
    Contexts().emplace(value, std::move(dc));
    return reinterpret_cast<HDC>(value);
}

// Replaces the object of one kind selected in `dc`; returns the previous
// handle. Called with the table locked.
template <class T>
HGDIOBJ Swap(HGDIOBJ* slot, std::shared_ptr<T>* objectSlot, HGDIOBJ handle,
             std::shared_ptr<T> object) {
    HGDIOBJ previous = *slot;
    if (*objectSlot) --(*objectSlot)->selections;
    if (object) ++object->selections;
    *slot = handle;
    *objectSlot = std::move(object);
    return previous;
}

void SelectDefaults(DeviceContext& dc) {
    Swap(&dc.font, &dc.fontObject, DefaultFont(), LookupGdiObjectAs<FontObject>(DefaultFont()));
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    Swap(&dc.brush, &dc.brushObject, white, LookupGdiObjectAs<BrushObject>(white));
}

void DeselectAll(DeviceContext& dc) {
    Swap<BitmapObject>(&dc.bitmap, &dc.bitmapObject, nullptr, nullptr);
    Swap<FontObject>(&dc.font, &dc.fontObject, nullptr, nullptr);
    Swap<BrushObject>(&dc.brush, &dc.brushObject, nullptr, nullptr);
}

}  // namespace

// The screen area of a window's client area. Frames are symmetric on the
// left, right and bottom; a caption only adds to the top.
bool ClientAreaOnScreen(HWND hwnd, PixelRect* area) {
    RECT window, client;
    if (!GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client)) return false;
    int border = ((window.right - window.left) - client.right) / 2;
    if (border < 0) border = 0;
    int left = window.left + border;
    int top = window.bottom - border - client.bottom;
    *area = {left, top, left + client.right, top + client.bottom};
    return true;
}

std::shared_ptr<DeviceContext> LookupDc(HDC hdc) {
    auto lock = LockGdi();
    auto it = Contexts().find(reinterpret_cast<uintptr_t>(hdc));
    return it == Contexts().end() ? nullptr : it->second;
}

}  // namespace host

extern "C" HDC WINAPI GetDC(HWND hWnd) {
    auto dc = std::make_shared<host::DeviceContext>();
    dc->target = host::ScreenSurface();
    host::PixelRect area = dc->target->Bounds();
    if (hWnd && !host::ClientAreaOnScreen(hWnd, &area)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    dc->originX = area.left;
    dc->originY = area.top;
    dc->clip = area.Intersect(dc->target->Bounds());
    auto lock = host::LockGdi();
    host::SelectDefaults(*dc);
    return host::RegisterDc(dc);
}

extern "C" BOOL WINAPI DeleteDC(HDC hdc) {
    auto lock = host::LockGdi();
    auto& contexts = host::Contexts();
    auto it = contexts.find(reinterpret_cast<uintptr_t>(hdc));
    if (it == contexts.end()) return host::Fail(ERROR_INVALID_HANDLE);
    host::DeselectAll(*it->second);
    contexts.erase(it);
    return TRUE;
}

extern "C" int WINAPI ReleaseDC(HWND, HDC hDC) {
    auto dc = host::LookupDc(hDC);
    if (!dc || dc->memory) return 0;
    return DeleteDC(hDC) ? 1 : 0;
}

extern "C" HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !host::LookupDc(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto dc = std::make_shared<host::DeviceContext>();
    dc->memory = true;
    auto lock = host::LockGdi();
    HBITMAP initial = host::DefaultBitmap();
    auto bitmap = host::LookupGdiObjectAs<host::BitmapObject>(initial);
    host::Swap(&dc->bitmap, &dc->bitmapObject, initial, bitmap);
    dc->target = bitmap->surface;
    dc->clip = dc->target->Bounds();
    host::SelectDefaults(*dc);
    return host::RegisterDc(dc);
}

extern "C" HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    auto lock = host::LockGdi();
    auto dc = host::LookupDc(hdc);
    auto object = host::LookupGdiObject(h);
    if (!dc || !object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    switch (object->kind) {
        case host::GdiKind::Font:
            return host::Swap(&dc->font, &dc->fontObject, h,
                              std::static_pointer_cast<host::FontObject>(object));
        case host::GdiKind::Brush:
            return host::Swap(&dc->brush, &dc->brushObject, h,
                              std::static_pointer_cast<host::BrushObject>(object));
        case host::GdiKind::Bitmap: {
            // Only a memory context takes a bitmap, and a bitmap is selected
            // into one context at a time (the shared 1 x 1 default excepted).
            if (!dc->memory) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            if (h == dc->bitmap) return h;
            if (object->selections > 0 && !object->stock) {
                SetLastError(ERROR_BUSY);
                return nullptr;
            }
            auto bitmap = std::static_pointer_cast<host::BitmapObject>(object);
            dc->target = bitmap->surface;
            dc->clip = dc->target->Bounds();
            return host::Swap(&dc->bitmap, &dc->bitmapObject, h, bitmap);
        }
    }
    return nullptr;
}

extern "C" COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    auto dc = host::LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0xFFFFFF;
    return previous;
}

extern "C" COLORREF WINAPI GetBkColor(HDC hdc) {
    auto dc = host::LookupDc(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}

extern "C" COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    auto dc = host::LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFF;
    return previous;
}

extern "C" COLORREF WINAPI GetTextColor(HDC hdc) {
    auto dc = host::LookupDc(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}

extern "C" int WINAPI SetBkMode(HDC hdc, int mode) {
    auto dc = host::LookupDc(hdc);
    if (!dc || (mode != OPAQUE && mode != TRANSPARENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

extern "C" int WINAPI GetBkMode(HDC hdc) {
    auto dc = host::LookupDc(hdc);
    return dc ? dc->bkMode : 0;
}
