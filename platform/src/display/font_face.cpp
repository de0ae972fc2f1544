// Font faces: fontconfig picks the file, FreeType scales and renders it.
// One lock serialises FreeType, which is not thread-safe per library.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "font.h"
#include "ruvexa_host.h"

namespace host {

struct FontFace {
    FT_Face face = nullptr;
    ~FontFace() {
        if (face) FT_Done_Face(face);
    }
};

namespace {

// The size a description with no height gets: the system font's cell.
constexpr int kDefaultCellHeight = 14;

std::mutex& FontLock() {
    static std::mutex lock;
    return lock;
}

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library created = nullptr;
        if (FT_Init_FreeType(&created) != 0)
            std::fprintf(stderr, "ruvexa: FreeType failed to start\n");
        return created;
    }();
    return library;
}

// The file and face index fontconfig matches for a family and weight.
bool MatchFontFile(const std::string& family, bool bold, bool italic, std::string* file,
                   int* index) {
    // Released at exit so that leak checkers see fontconfig's caches freed.
    static const std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> owner(
        FcInitLoadConfigAndFonts(), &FcConfigDestroy);
    FcConfig* config = owner.get();
    if (!config) return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    bool found = false;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        *file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
        found = true;
    }
    if (match) FcPatternDestroy(match);
    return found;
}

// Faces stay loaded for the life of the process, one per file and index.
std::shared_ptr<FontFace> LoadFace(const std::string& file, int index) {
    static std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>> faces;
    auto key = std::make_pair(file, index);
    auto it = faces.find(key);
    if (it != faces.end()) return it->second;
    auto face = std::make_shared<FontFace>();
    if (!Library() || FT_New_Face(Library(), file.c_str(), index, &face->face) != 0) {
        std::fprintf(stderr, "ruvexa: cannot load font %s\n", file.c_str());
        return nullptr;
    }
    faces.emplace(key, face);
    return face;
}

// The face's cell above and below the baseline in font units: the Windows
// metrics of the OS/2 table where present, as GDI uses them.
void CellMetrics(FT_Face face, double* ascender, double* descender) {
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascender = os2->usWinAscent;
        *descender = os2->usWinDescent;
    } else {
        *ascender = face->ascender;
        *descender = -face->descender;
    }
}

}  // namespace

FontInstance::FontInstance(std::shared_ptr<FontFace> face, double emPixels, int ascent, int descent)
    : face_(std::move(face)), emPixels_(emPixels), ascent_(ascent), descent_(descent) {}

FontInstance::~FontInstance() = default;

const Glyph& FontInstance::GlyphOf(char32_t codePoint) {
    std::lock_guard<std::mutex> lock(FontLock());
    auto it = glyphs_.find(codePoint);
    if (it != glyphs_.end()) return it->second;
    Glyph& glyph = glyphs_[codePoint];
    FT_Face face = face_->face;
    // Several sizes share one face, so the size is set before each load.
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(emPixels_ * 64)), 72, 72) !=
            0 ||
        FT_Load_Char(face, codePoint, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(slot->bitmap.width);
    glyph.height = static_cast<int>(slot->bitmap.rows);
    glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.height);
    for (int row = 0; row < glyph.height; ++row) {
        const unsigned char* source =
            slot->bitmap.buffer + static_cast<ptrdiff_t>(row) * slot->bitmap.pitch;
        std::copy(source, source + glyph.width,
                  glyph.coverage.begin() + static_cast<ptrdiff_t>(row) * glyph.width);
    }
    return glyph;
}

std::shared_ptr<FontInstance> OpenFont(const LOGFONTW& description) {
    std::wstring faceName(description.lfFaceName, wcsnlen(description.lfFaceName, LF_FACESIZE));
    std::string family = faceName.empty() ? std::string("sans-serif") : WideToUtf8(faceName);
    bool bold = description.lfWeight >= FW_SEMIBOLD;

    std::lock_guard<std::mutex> lock(FontLock());
    std::string file;
    int index = 0;
    std::shared_ptr<FontFace> face;
    if (MatchFontFile(family, bold, description.lfItalic != 0, &file, &index))
        face = LoadFace(file, index);
    if (!face) return nullptr;

    double ascender = 0, descender = 0;
    CellMetrics(face->face, &ascender, &descender);
    double unitsPerEm = face->face->units_per_EM ? face->face->units_per_EM : 2048;
    LONG height = description.lfHeight == 0 ? kDefaultCellHeight : description.lfHeight;
    double emPixels;
    int ascent, descent;
    if (height > 0) {
        emPixels = height * unitsPerEm / (ascender + descender);
        ascent = static_cast<int>(std::lround(ascender * emPixels / unitsPerEm));
        descent = height - ascent;
    } else {
        emPixels = -static_cast<double>(height);
        ascent = static_cast<int>(std::lround(ascender * emPixels / unitsPerEm));
        descent = static_cast<int>(std::lround(descender * emPixels / unitsPerEm));
    }
    return std::make_shared<FontInstance>(face, emPixels, ascent, descent);
}

}  // namespace host
