// DrawTextW, GetTextExtentPoint32W.
#include <algorithm>
#include <string>
#include <vector>

#include "dc.h"
#include "error.h"
#include "font.h"

namespace host {
namespace {

struct TextLine {
    std::u32string text;
    int width = 0;
};

// Code points of the text (UTF-16 surrogate pairs joined), with the prefix
// character "&" removed unless DT_NOPREFIX: "&&" stands for one "&".
std::u32string Decode(const WCHAR* text, int count, bool prefixes) {
    std::u32string out;
    for (int i = 0; i < count; ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count) {
            char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (prefixes && c == U'&') {
            if (i + 1 < count && text[i + 1] == L'&')
                ++i;
            else
                continue;
        }
        out += c;
    }
    return out;
}

int WidthOf(FontInstance& font, std::u32string_view text) {
    int width = 0;
    for (char32_t c : text) {
        if (c >= 0x20) width += font.GlyphOf(c).advance;
    }
    return width;
}

// Greedy breaking at spaces; a word wider than the line stays whole.
void BreakWords(FontInstance& font, const std::u32string& paragraph, int maxWidth,
                std::vector<TextLine>* lines) {
    size_t start = 0;
    while (true) {
        size_t end = start, lastFit = std::u32string::npos;
        while (end <= paragraph.size()) {
            size_t space = paragraph.find(U' ', end);
            if (space == std::u32string::npos) space = paragraph.size();
            if (WidthOf(font, std::u32string_view(paragraph).substr(start, space - start)) >
                    maxWidth &&
                lastFit != std::u32string::npos) {
                break;
            }
            lastFit = space;
            end = space + 1;
        }
        std::u32string line = paragraph.substr(start, lastFit - start);
        lines->push_back({line, WidthOf(font, line)});
        if (lastFit >= paragraph.size()) return;
        start = lastFit + 1;
    }
}

// Lines break at "\r\n", "\r" or "\n" unless the text is a single line.
std::vector<TextLine> LayOut(FontInstance& font, const std::u32string& text, UINT format,
                             int maxWidth) {
    std::vector<TextLine> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back({text, WidthOf(font, text)});
        return lines;
    }
    size_t start = 0;
    while (true) {
        size_t end = text.find_first_of(U"\r\n", start);
        std::u32string paragraph =
            text.substr(start, end == std::u32string::npos ? end : end - start);
        if (format & DT_WORDBREAK) {
            BreakWords(font, paragraph, maxWidth, &lines);
        } else {
            lines.push_back({paragraph, WidthOf(font, paragraph)});
        }
        if (end == std::u32string::npos) break;
        start =
            end + ((text[end] == U'\r' && end + 1 < text.size() && text[end + 1] == U'\n') ? 2 : 1);
    }
    return lines;
}

void DrawLine(DeviceContext& dc, FontInstance& font, const TextLine& line, int x, int top,
              const PixelRect& clip) {
    if (dc.bkMode == OPAQUE) {
        dc.target->Fill(PixelRect{x, top, x + line.width, top + font.CellHeight()}.Intersect(clip),
                        PixelFromColor(dc.bkColor));
    }
    uint32_t ink = PixelFromColor(dc.textColor);
    int pen = x, baseline = top + font.Ascent();
    for (char32_t c : line.text) {
        if (c < 0x20) continue;
        const Glyph& glyph = font.GlyphOf(c);
        dc.target->BlendMask(pen + glyph.left, baseline - glyph.top, glyph.coverage.data(),
                             glyph.width, glyph.height, ink, clip);
        pen += glyph.advance;
    }
}

}  // namespace
}  // namespace host

extern "C" int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    auto dc = host::LookupDc(hdc);
    if (!dc) return host::Fail(ERROR_INVALID_HANDLE);
    if (!lpchText || !lprc) return host::Fail(ERROR_INVALID_PARAMETER);
    auto font = dc->fontObject ? dc->fontObject->font : nullptr;
    if (!font) return host::Fail(ERROR_INVALID_HANDLE);

    int count = cchText < 0 ? static_cast<int>(wcslen(lpchText)) : cchText;
    std::u32string text = host::Decode(lpchText, count, !(format & DT_NOPREFIX));
    RECT& rect = *lprc;
    std::vector<host::TextLine> lines = host::LayOut(*font, text, format, rect.right - rect.left);
    int lineHeight = font->CellHeight();
    int height = lineHeight * static_cast<int>(lines.size());

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const auto& line : lines) widest = std::max(widest, line.width);
        rect.right = rect.left + widest;
        rect.bottom = rect.top + height;
        return height;
    }

    // Vertical placement applies to a single line only; other text starts at
    // the top of the rectangle.
    int top = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = rect.top + ((rect.bottom - rect.top) - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = rect.bottom - lineHeight;
    }
    host::PixelRect clip = dc->clip;
    if (!(format & DT_NOCLIP)) clip = dc->ToTarget(rect);
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& line = lines[i];
        int x = rect.left;
        if (format & DT_CENTER)
            x = (rect.left + rect.right - line.width) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - line.width;
        host::DrawLine(*dc, *font, line, x + dc->originX,
                       top + static_cast<int>(i) * lineHeight + dc->originY, clip);
    }
    dc->target->NoteText(clip, std::wstring(lpchText, count));
    if (!clip.Empty()) host::FinishDrawing(*dc);
    // With vertical placement the result is where the text ends below the
    // rectangle's top.
    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)))
        return top - rect.top + height;
    return height;
}

extern "C" BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
    auto dc = host::LookupDc(hdc);
    if (!dc) return host::Fail(ERROR_INVALID_HANDLE);
    if (!lpString || !psizl || c < 0) return host::Fail(ERROR_INVALID_PARAMETER);
    auto font = dc->fontObject ? dc->fontObject->font : nullptr;
    if (!font) return host::Fail(ERROR_INVALID_HANDLE);
    psizl->cx = host::WidthOf(*font, host::Decode(lpString, c, false));
    psizl->cy = font->CellHeight();
    return TRUE;
}
