// Case folding for device names: the device's FAT volumes compare names
// without regard to case, for Latin and Cyrillic letters alike.
#pragma once

#include <string>
#include <string_view>

namespace host {

// The lower-case form of `c` for ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic letters; any other character is returned unchanged.
wchar_t FoldCase(wchar_t c);

std::wstring FoldedName(std::wstring_view name);

bool NamesEqualIgnoringCase(std::wstring_view a, std::wstring_view b);

}  // namespace host
