// IsSafeEntryName: an archive's entry name that cannot reach outside the
// folder it is joined to.
#include "entry_name.h"

namespace {

bool IsSeparator(WCHAR c) { return c == L'\\' || c == L'/'; }

// ".." climbs one level; Windows file systems also read "...", ".. " and
// the like as "..", since they drop a name's trailing dots and spaces.
bool ClimbsOut(LPCWSTR component, size_t length) {
    size_t dots = 0;
    for (size_t i = 0; i < length; ++i) {
        if (component[i] == L'.') {
            ++dots;
        } else if (component[i] != L' ') {
            return false;
        }
    }
    return dots >= 2;
}

}  // namespace

bool IsSafeEntryName(LPCWSTR name) {
    if (!name || IsSeparator(name[0])) return false;
    for (LPCWSTR c = name; *c; ++c) {
        if (*c == L':') return false;
    }
    LPCWSTR component = name;
    for (;;) {
        size_t length = 0;
        while (component[length] && !IsSeparator(component[length])) ++length;
        if (ClimbsOut(component, length)) return false;
        if (!component[length]) return true;
        component += length + 1;
    }
}

void DropCurrentFolderComponents(WCHAR* name) {
    WCHAR* out = name;
    for (const WCHAR* component = name;;) {
        const WCHAR* end = component;
        while (*end && *end != L'\\') ++end;
        const bool current = end - component == 1 && component[0] == L'.';
        if (!current) {
            while (component < end) *out++ = *component++;
            if (*end) *out++ = L'\\';
        }
        if (!*end) break;
        component = end + 1;
    }
    *out = L'\0';
}
