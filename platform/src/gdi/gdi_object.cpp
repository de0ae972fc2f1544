// GetStockObject, DeleteObject, GetObjectType, GetObjectW; the object table.
#include <unordered_map>

#include "error.h"
#include "gdi_object.h"

namespace host {
namespace {

std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>>& Objects() {
    static std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> objects;
    return objects;
}
// Graphics handles live in their own range, apart from kernel handles.
uintptr_t g_nextObject = 0x40000;

HGDIOBJ MakeStockBrush(bool hollow, uint32_t pixel) {
    auto brush = std::make_shared<BrushObject>();
    brush->stock = true;
    brush->hollow = hollow;
    brush->pixel = pixel;
    return RegisterGdiObject(brush);
}

}  // namespace

std::unique_lock<std::recursive_mutex> LockGdi() {
    static std::recursive_mutex mutex;
    return std::unique_lock<std::recursive_mutex>(mutex);
}

HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object) {
    auto lock = LockGdi();
    uintptr_t value = g_nextObject;
    g_nextObject += 4;
    Objects().emplace(value, std::move(object));
    return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<GdiObject> LookupGdiObject(HGDIOBJ handle) {
    auto lock = LockGdi();
    auto it = Objects().find(reinterpret_cast<uintptr_t>(handle));
    return it == Objects().end() ? nullptr : it->second;
}

HBITMAP DefaultBitmap() {
    static const HBITMAP bitmap = [] {
        auto object = std::make_shared<BitmapObject>(std::make_shared<Surface>(1, 1, true));
        object->stock = true;
        return RegisterGdiObject(object);
    }();
    return bitmap;
}

}  // namespace host

extern "C" HGDIOBJ WINAPI GetStockObject(int i) {
    static const HGDIOBJ brushes[] = {
        host::MakeStockBrush(false, 0xFFFFFF), host::MakeStockBrush(false, 0xC0C0C0),
        host::MakeStockBrush(false, 0x808080), host::MakeStockBrush(false, 0x404040),
        host::MakeStockBrush(false, 0x000000), host::MakeStockBrush(true, 0),
    };
    if (i >= WHITE_BRUSH && i <= NULL_BRUSH) return brushes[i];
    if (i == SYSTEM_FONT || i == DEFAULT_GUI_FONT) return host::DefaultFont();
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    auto lock = host::LockGdi();
    auto& objects = host::Objects();
    auto it = objects.find(reinterpret_cast<uintptr_t>(ho));
    if (it == objects.end()) return host::Fail(ERROR_INVALID_HANDLE);
    // Stock objects survive deletion; a selected object cannot be deleted.
    if (it->second->stock) return TRUE;
    if (it->second->selections > 0) return host::Fail(ERROR_BUSY);
    objects.erase(it);
    return TRUE;
}

extern "C" DWORD WINAPI GetObjectType(HGDIOBJ h) {
    auto object = host::LookupGdiObject(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (object->kind) {
        case host::GdiKind::Brush: return OBJ_BRUSH;
        case host::GdiKind::Bitmap: return OBJ_BITMAP;
        case host::GdiKind::Font: return OBJ_FONT;
    }
    return 0;
}

extern "C" int WINAPI GetObjectW(HGDIOBJ h, int c, LPVOID pv) {
    // Only bitmaps are described: their size is what callers ask for.
    auto bitmap = host::LookupGdiObjectAs<host::BitmapObject>(h);
    if (!bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!pv) return sizeof(BITMAP);
    if (c < static_cast<int>(sizeof(BITMAP))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAP info{};
    info.bmWidth = bitmap->surface->Width();
    info.bmHeight = bitmap->surface->Height();
    info.bmPlanes = 1;
    info.bmBitsPixel = bitmap->surface->Monochrome() ? 1 : 24;
    info.bmWidthBytes = ((info.bmWidth * info.bmBitsPixel + 15) / 16) * 2;
    *static_cast<BITMAP*>(pv) = info;
    return sizeof(BITMAP);
}
