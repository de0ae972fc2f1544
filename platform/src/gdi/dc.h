// Device contexts: a target surface, the origin and clip of the window they
// draw on, the selected objects and the text attributes.
#pragma once

#include <windows.h>

#include <memory>

#include "framebuffer.h"
#include "gdi_object.h"

namespace host {

struct DeviceContext {
    bool memory = false;
    // Where logical (0, 0) lies on the target, and the part of the target the
    // context may draw on (the window's client area, or the whole bitmap).
    int originX = 0;
    int originY = 0;
    PixelRect clip;
    std::shared_ptr<Surface> target;

    HGDIOBJ bitmap = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ brush = nullptr;
    std::shared_ptr<BitmapObject> bitmapObject;
    std::shared_ptr<FontObject> fontObject;
    std::shared_ptr<BrushObject> brushObject;

    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;

    bool OnScreen() const { return target == ScreenSurface(); }
    // A logical rectangle in target pixels, clipped to the context.
    PixelRect ToTarget(const RECT& logical) const {
        return PixelRect{logical.left, logical.top, logical.right, logical.bottom}
            .Offset(originX, originY)
            .Intersect(clip);
    }
    // A logical point in target pixels; false when it lies outside the clip.
    bool ToTarget(int x, int y, int* tx, int* ty) const {
        *tx = x + originX;
        *ty = y + originY;
        return *tx >= clip.left && *tx < clip.right && *ty >= clip.top && *ty < clip.bottom;
    }
};

std::shared_ptr<DeviceContext> LookupDc(HDC hdc);

// Where a window's client area lies on the screen; false for a window the
// window manager does not know.
bool ClientAreaOnScreen(HWND hwnd, PixelRect* area);

// Presents the screen when `dc` draws on it.
inline void FinishDrawing(const DeviceContext& dc) {
    if (dc.OnScreen()) PresentScreen();
}

}  // namespace host
