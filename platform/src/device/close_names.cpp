// WildcardDistance, RankByCloseness and CloseName: an edit distance in which
// the pattern's wildcards cost nothing, the names of a folder ordered by it,
// and the known name a mistyped one was meant to be.
#include "close_names.h"

#include <algorithm>

#include "casefold.h"
#include "ruvexa_host.h"

namespace host {

size_t WildcardDistance(std::wstring_view pattern, std::wstring_view name) {
    const size_t columns = name.size() + 1;
    std::vector<size_t> cost((pattern.size() + 1) * columns);
    auto at = [&](size_t p, size_t n) -> size_t& { return cost[p * columns + n]; };
    for (size_t n = 0; n <= name.size(); ++n) at(0, n) = n;
    for (size_t p = 1; p <= pattern.size(); ++p) {
        const wchar_t wanted = pattern[p - 1];
        at(p, 0) = at(p - 1, 0) + (wanted == L'*' ? 0 : 1);
        for (size_t n = 1; n <= name.size(); ++n) {
            if (wanted == L'*') {
                at(p, n) = std::min(at(p - 1, n), at(p, n - 1));
                continue;
            }
            bool same = wanted == L'?' || FoldCase(wanted) == FoldCase(name[n - 1]);
            size_t best = std::min({at(p - 1, n - 1) + (same ? 0 : 1), at(p - 1, n) + 1, at(p, n - 1) + 1});
            // Two neighbours typed in the wrong order count as one slip.
            if (p >= 2 && n >= 2 && pattern[p - 2] != L'*' && pattern[p - 2] != L'?' &&
                FoldCase(wanted) == FoldCase(name[n - 2]) && FoldCase(pattern[p - 2]) == FoldCase(name[n - 1])) {
                best = std::min(best, at(p - 2, n - 2) + 1);
            }
            at(p, n) = best;
        }
    }
    return at(pattern.size(), name.size());
}

namespace {

// One slip in every four characters the pattern spells out, at least one.
size_t SlipsAllowed(std::wstring_view pattern) {
    const size_t spelled = pattern.size() - std::count_if(pattern.begin(), pattern.end(),
                                                          [](wchar_t c) { return c == L'*' || c == L'?'; });
    return std::max<size_t>(1, spelled / 4);
}

}  // namespace

std::vector<RankedName> RankByCloseness(std::wstring_view pattern, const std::vector<std::wstring>& names) {
    const size_t closeEnough = SlipsAllowed(pattern);
    std::vector<std::pair<size_t, std::wstring>> ranked;
    for (const auto& name : names) ranked.emplace_back(WildcardDistance(pattern, name), name);
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : FoldedName(a.second) < FoldedName(b.second);
    });
    std::vector<RankedName> result;
    for (auto& [distance, name] : ranked) result.push_back({std::move(name), distance <= closeEnough});
    return result;
}

std::string CloseName(std::string_view typed, const std::vector<std::string>& known) {
    // Each known name is the pattern: it holds no wildcards, and what was
    // typed is measured against it as it stands.
    const std::wstring typedWide = Utf8ToWide(typed);
    const std::string* closest = nullptr;
    size_t closestDistance = 0;
    for (const auto& name : known) {
        const std::wstring nameWide = Utf8ToWide(name);
        const size_t distance = WildcardDistance(nameWide, typedWide);
        if (distance > SlipsAllowed(nameWide)) continue;
        if (!closest || distance < closestDistance ||
            (distance == closestDistance && FoldedName(nameWide) < FoldedName(Utf8ToWide(*closest)))) {
            closest = &name;
            closestDistance = distance;
        }
    }
    return closest ? *closest : std::string();
}

}  // namespace host
