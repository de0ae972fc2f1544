// CreateFontIndirectW; the system font every device context starts with.
#include "error.h"
#include "font.h"
#include "gdi_object.h"

namespace host {

HFONT DefaultFont() {
    static const HFONT font = [] {
        LOGFONTW description{};
        description.lfHeight = 14;
        description.lfWeight = FW_BOLD;
        // Without any face the context still has a font; it draws nothing.
        auto object = std::make_shared<FontObject>(OpenFont(description));
        object->stock = true;
        return RegisterGdiObject(object);
    }();
    return font;
}

}  // namespace host

extern "C" HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = host::OpenFont(*lplf);
    if (!font) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return host::RegisterGdiObject(std::make_shared<host::FontObject>(font));
}
