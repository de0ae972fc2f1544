// The graphics object table: brushes, bitmaps and fonts behind HGDIOBJ
// values, and the device contexts behind HDC values.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "framebuffer.h"

namespace host {

class FontInstance;

enum class GdiKind { Brush, Bitmap, Font };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
    bool stock = false;
    // How many device contexts hold the object selected; such an object
    // cannot be deleted, and a bitmap can be selected into one context only.
    int selections = 0;
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(GdiKind::Brush) {}
    bool hollow = false;
    uint32_t pixel = 0;                // solid colour, 0x00RRGGBB
    std::shared_ptr<Surface> pattern;  // a private copy of the pattern bitmap
};

struct BitmapObject : GdiObject {
    explicit BitmapObject(std::shared_ptr<Surface> s)
        : GdiObject(GdiKind::Bitmap), surface(std::move(s)) {}
    std::shared_ptr<Surface> surface;
};

struct FontObject : GdiObject {
    explicit FontObject(std::shared_ptr<FontInstance> f)
        : GdiObject(GdiKind::Font), font(std::move(f)) {}
    std::shared_ptr<FontInstance> font;
};

// Guards the object and context tables and the selection counts.
std::unique_lock<std::recursive_mutex> LockGdi();

HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> LookupGdiObject(HGDIOBJ handle);
template <class T>
std::shared_ptr<T> LookupGdiObjectAs(HGDIOBJ handle) {
    return std::dynamic_pointer_cast<T>(LookupGdiObject(handle));
}

// The 1 x 1 monochrome bitmap every new memory context starts with.
HBITMAP DefaultBitmap();
// The system font every new device context starts with.
HFONT DefaultFont();

}  // namespace host
