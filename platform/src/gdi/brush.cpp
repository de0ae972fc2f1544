// CreateSolidBrush, CreatePatternBrush.
#include "error.h"
#include "gdi_object.h"

extern "C" HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    auto brush = std::make_shared<host::BrushObject>();
    brush->pixel = host::PixelFromColor(color & 0xFFFFFF);
    return host::RegisterGdiObject(brush);
}

extern "C" HBRUSH WINAPI CreatePatternBrush(HBITMAP hbm) {
    auto bitmap = host::LookupGdiObjectAs<host::BitmapObject>(hbm);
    if (!bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The brush keeps its own copy, so the bitmap may be deleted or drawn on
    // afterwards without changing the brush.
    auto brush = std::make_shared<host::BrushObject>();
    brush->pattern = std::make_shared<host::Surface>(*bitmap->surface);
    return host::RegisterGdiObject(brush);
}
