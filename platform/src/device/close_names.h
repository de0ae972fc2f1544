// How near a folder's names come to a name or search pattern that found
// nothing, for the host's account of a search that failed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

struct RankedName {
    std::wstring name;
    bool close = false;  // a few typing slips away from the pattern
};

// The fewest characters to insert, delete, replace or swap with their
// neighbour so that `name` matches `pattern` ("*" any run, "?" any one),
// ignoring case.
size_t WildcardDistance(std::wstring_view pattern, std::wstring_view name);

// `names`, closest to `pattern` first (ties in name order).
std::vector<RankedName> RankByCloseness(std::wstring_view pattern, const std::vector<std::wstring>& names);

}  // namespace host
