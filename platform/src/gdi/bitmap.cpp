// CreateCompatibleBitmap; bitmaps from decoded pixels for the resource loader.
#include "dc.h"
#include "display_backend.h"
#include "error.h"

extern "C" HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    auto dc = host::LookupDc(hdc);
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (cx < 0 || cy < 0 || static_cast<int64_t>(cx) * cy > 64 * 1024 * 1024) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // As in GDI: a zero size gives a 1 x 1 monochrome bitmap, and a bitmap
    // compatible with a memory context has the format of the bitmap selected
    // into it — monochrome for a fresh memory context.
    if (cx == 0 || cy == 0)
        return host::RegisterGdiObject(
            std::make_shared<host::BitmapObject>(std::make_shared<host::Surface>(1, 1, true)));
    bool monochrome = dc->target->Monochrome();
    auto surface = std::make_shared<host::Surface>(cx, cy, monochrome);
    return host::RegisterGdiObject(std::make_shared<host::BitmapObject>(surface));
}

namespace host {

HBITMAP CreateBitmapFromPixels(int width, int height, const uint32_t* pixels) {
    if (width <= 0 || height <= 0 || !pixels) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto surface = std::make_shared<Surface>(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            surface->Put(x, y, pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF);
        }
    }
    return RegisterGdiObject(std::make_shared<BitmapObject>(surface));
}

}  // namespace host
