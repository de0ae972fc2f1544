// How near names come to one another: a folder's names to a name or search
// pattern that found nothing, for the host's account of a search that
// failed; and the declared options or commands to one that was mistyped, for
// the "did you mean" of build/ruvexa and ruvexa-pack.
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

// The one of `known` that `typed` comes a few typing slips close to (the
// closest; ties in name order), or "" when none comes that close. UTF-8 in
// and out; `typed` is taken literally, its "*" and "?" are no wildcards.
std::string CloseName(std::string_view typed, const std::vector<std::string>& known);

}  // namespace host
