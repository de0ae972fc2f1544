// FillRect, BitBlt, GetPixel, SetPixel.
#include <vector>

#include "dc.h"
#include "error.h"

namespace host {
namespace {

// Brushes given as a system colour index plus one, as window classes do;
// the device marks such indexes with a flag bit, which is ignored here.
constexpr uintptr_t kSystemColorFlag = 0x40000000;
constexpr uint32_t kSystemColors[] = {
    0xC8C8C8, 0x008080, 0x000080, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000, 0x000000,
    0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x000080, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080,
    0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xDFDFDF, 0x000000, 0xFFFFE1, 0x000000,
};

bool SystemColorOf(HBRUSH hbr, uint32_t* pixel) {
    uintptr_t value = reinterpret_cast<uintptr_t>(hbr) & ~kSystemColorFlag;
    if (value == 0 || value > sizeof(kSystemColors) / sizeof(kSystemColors[0])) return false;
    *pixel = kSystemColors[value - 1];
    return true;
}

// The pixel a source pixel becomes on the destination. Monochrome and colour
// surfaces convert through the contexts' colours, as GDI does: black bits take
// the destination's text colour and white bits its background colour; on the
// way to monochrome, the source's background colour becomes white.
uint32_t ConvertPixel(uint32_t pixel, const DeviceContext& from, const DeviceContext& to) {
    bool fromMono = from.target->Monochrome(), toMono = to.target->Monochrome();
    if (fromMono && !toMono) return PixelFromColor(pixel ? to.bkColor : to.textColor);
    if (!fromMono && toMono) return pixel == PixelFromColor(from.bkColor) ? 0xFFFFFF : 0x000000;
    return pixel;
}

}  // namespace
}  // namespace host

extern "C" int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    auto dc = host::LookupDc(hDC);
    if (!dc || !lprc) return host::Fail(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    host::PixelRect area = dc->ToTarget(*lprc);
    uint32_t systemPixel = 0;
    if (host::SystemColorOf(hbr, &systemPixel)) {
        dc->target->Fill(area, systemPixel);
    } else {
        auto brush = host::LookupGdiObjectAs<host::BrushObject>(hbr);
        if (!brush) return host::Fail(ERROR_INVALID_HANDLE);
        if (brush->hollow) return TRUE;
        if (brush->pattern) {
            // The pattern's origin is the context's origin: a window-sized
            // bitmap brush paints its image 1:1 over the window.
            dc->target->FillPattern(area, *brush->pattern, dc->originX, dc->originY);
        } else {
            dc->target->Fill(area, brush->pixel);
        }
    }
    if (!area.Empty()) host::FinishDrawing(*dc);
    return TRUE;
}

extern "C" BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1,
                              DWORD rop) {
    auto dst = host::LookupDc(hdc);
    auto src = host::LookupDc(hdcSrc);
    if (!dst || !src) return host::Fail(ERROR_INVALID_HANDLE);
    if (rop != SRCCOPY) return host::Fail(ERROR_NOT_SUPPORTED);
    if (cx <= 0 || cy <= 0) return TRUE;

    // Only the pixels inside both contexts move; the shift maps a target
    // pixel of the destination onto its source pixel.
    int shiftX = (src->originX + x1) - (dst->originX + x);
    int shiftY = (src->originY + y1) - (dst->originY + y);
    host::PixelRect area = host::PixelRect{x, y, x + cx, y + cy}
                               .Offset(dst->originX, dst->originY)
                               .Intersect(dst->clip);
    area = area.Intersect(src->clip.Offset(-shiftX, -shiftY));
    if (area.Empty()) return TRUE;

    // Read everything first: source and destination may be the same surface.
    std::vector<uint32_t> block;
    block.reserve(static_cast<size_t>(area.right - area.left) * (area.bottom - area.top));
    for (int ty = area.top; ty < area.bottom; ++ty) {
        for (int tx = area.left; tx < area.right; ++tx) {
            block.push_back(
                host::ConvertPixel(src->target->At(tx + shiftX, ty + shiftY), *src, *dst));
        }
    }
    size_t i = 0;
    for (int ty = area.top; ty < area.bottom; ++ty) {
        for (int tx = area.left; tx < area.right; ++tx) dst->target->Put(tx, ty, block[i++]);
    }
    dst->target->CopyTextsFrom(*src->target, area, shiftX, shiftY);
    host::FinishDrawing(*dst);
    return TRUE;
}

extern "C" COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    auto dc = host::LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    int tx, ty;
    if (!dc->ToTarget(x, y, &tx, &ty)) return CLR_INVALID;
    return host::ColorFromPixel(dc->target->At(tx, ty));
}

extern "C" COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    auto dc = host::LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    int tx, ty;
    if (!dc->ToTarget(x, y, &tx, &ty)) return CLR_INVALID;
    dc->target->Put(tx, ty, host::PixelFromColor(color & 0xFFFFFF));
    host::FinishDrawing(*dc);
    return host::ColorFromPixel(dc->target->At(tx, ty));
}
