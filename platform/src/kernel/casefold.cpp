// Case folding of device names (FoldCase, FoldedName, NamesEqualIgnoringCase).
// The C library's towlower depends on the host's locale, which the device
// never has; this table-free folding gives the same answer everywhere.
#include "casefold.h"

#include <cstdint>

namespace host {

wchar_t FoldCase(wchar_t c) {
    const auto u = static_cast<uint32_t>(c);
    if (u >= L'A' && u <= L'Z') return static_cast<wchar_t>(u + 0x20);
    if (u < 0xC0) return c;
    // Latin-1 capitals, except the multiplication sign.
    if (u <= 0xDE) return u == 0xD7 ? c : static_cast<wchar_t>(u + 0x20);
    // Latin Extended-A: capital and small letters alternate, with the pairs
    // shifted by one between 0x139..0x148 and 0x179..0x17E.
    if (u >= 0x100 && u <= 0x137) return static_cast<wchar_t>(u | 1);
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) {
        return (u & 1) ? static_cast<wchar_t>(u + 1) : c;
    }
    if (u >= 0x14A && u <= 0x177) return static_cast<wchar_t>(u | 1);
    if (u == 0x178) return static_cast<wchar_t>(0xFF);
    // Greek capitals (0x3A2 is unassigned).
    if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) return static_cast<wchar_t>(u + 0x20);
    // Cyrillic: Ѐ..Џ, А..Я, and the paired letters of the extended ranges.
    if (u >= 0x400 && u <= 0x40F) return static_cast<wchar_t>(u + 0x50);
    if (u >= 0x410 && u <= 0x42F) return static_cast<wchar_t>(u + 0x20);
    if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF) || (u >= 0x4D0 && u <= 0x52F)) {
        return static_cast<wchar_t>(u | 1);
    }
    if (u == 0x4C0) return static_cast<wchar_t>(0x4CF);
    if (u >= 0x4C1 && u <= 0x4CE) return (u & 1) ? static_cast<wchar_t>(u + 1) : c;
    return c;
}

std::wstring FoldedName(std::wstring_view name) {
    std::wstring folded(name);
    for (auto& c : folded) c = FoldCase(c);
    return folded;
}

bool NamesEqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

}  // namespace host
