// Fonts rendered with FreeType: a face found through fontconfig, scaled so
// that its cell (ascent plus descent) has the requested pixel height, with a
// cache of antialiased glyph masks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace host {

struct Glyph {
    int advance = 0;  // pixels to the next pen position
    int left = 0;     // mask position relative to the pen on the baseline
    int top = 0;      // rows above the baseline
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;  // width x height, 0..255
};

struct FontFace;

class FontInstance {
public:
    FontInstance(std::shared_ptr<FontFace> face, double emPixels, int ascent, int descent);
    ~FontInstance();

    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }
    int CellHeight() const { return ascent_ + descent_; }
    // The rendered glyph of a Unicode code point (a missing one draws as the
    // face's substitute glyph).
    const Glyph& GlyphOf(char32_t codePoint);

private:
    std::shared_ptr<FontFace> face_;
    double emPixels_;
    int ascent_;
    int descent_;
    std::unordered_map<char32_t, Glyph> glyphs_;
};

// A font for a description: lfHeight > 0 is the cell height, < 0 the em
// height, 0 the default size; lfWeight >= 600 picks a bold face; an empty
// lfFaceName the system's default sans face. Null when no face can be
// loaded at all.
std::shared_ptr<FontInstance> OpenFont(const LOGFONTW& description);

}  // namespace host
