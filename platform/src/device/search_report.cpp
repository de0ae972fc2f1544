// NoteSearchOutcome, NoteSearchWentOn, NoteStartedProgram,
// SearchReportLines: what a boot looked for in vain, described from the
// folders as they are when it ends, and what it took from several matches.
#include "search_report.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "casefold.h"
#include "close_names.h"
#include "host_report.h"
#include "path.h"
#include "ruvexa_host.h"

namespace host {
namespace {

constexpr size_t kNamesShown = 5;

std::mutex g_mutex;
std::vector<std::wstring> g_failedSearches;  // device paths, in the order first noted
// Searches that matched several names, with the names in the search's order.
std::vector<std::pair<std::wstring, std::vector<std::wstring>>> g_severalMatches;
std::vector<std::wstring> g_startedPrograms;
bool g_reportArranged = false;

bool IsSearch(std::wstring_view pattern) {
    if (pattern.find_first_not_of(L'\\') == std::wstring_view::npos) return false;
    if (pattern.back() == L'\\') return true;
    std::wstring_view name = pattern.substr(pattern.rfind(L'\\') + 1);
    return name != L"*" && name != L"*.*" && name.find_first_of(L"*?") != std::wstring_view::npos;
}

// The device has no current folder: a path without a leading "\" starts at
// the root.
std::wstring FromTheRoot(std::wstring_view pattern) {
    std::wstring path(pattern);
    return path.starts_with(L'\\') ? path : L"\\" + path;
}

std::vector<std::wstring> ComponentsOf(const std::wstring& path) {
    std::vector<std::wstring> components;
    for (size_t start = 0; start < path.size();) {
        size_t end = std::min(path.find(L'\\', start), path.size());
        if (end > start) components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

bool IsFolder(const std::wstring& devicePath, DevicePath* resolved) {
    return ResolveDevicePath(devicePath.empty() ? L"\\" : devicePath.c_str(), resolved) && resolved->exists &&
           S_ISDIR(resolved->st.st_mode);
}

// "HOLDER holds A (close to the pattern), B and 3 more": the names closest
// to `wanted` first.
std::wstring Holdings(const std::wstring& holder, const std::wstring& folder, const std::wstring& wanted) {
    DevicePath resolved;
    std::vector<std::string> names;
    if (!IsFolder(folder, &resolved) || !ListHostFolder(resolved.host, resolved.depth == 0, &names)) {
        return holder + L" cannot be listed";
    }
    if (names.empty()) return holder + L" is empty";
    std::vector<std::wstring> wideNames;
    for (const auto& name : names) wideNames.push_back(Utf8ToWide(name));
    const bool isPattern = wanted.find_first_of(L"*?") != std::wstring::npos;
    std::wstring text = holder + L" holds ";
    std::vector<RankedName> ranked = RankByCloseness(wanted, wideNames);
    for (size_t i = 0; i < std::min(kNamesShown, ranked.size()); ++i) {
        if (i > 0) text += L", ";
        text += ranked[i].name;
        if (ranked[i].close) text += isPattern ? L" (close to the pattern)" : L" (close to the name)";
    }
    if (ranked.size() > kNamesShown) text += L" and " + std::to_wstring(ranked.size() - kNamesShown) + L" more";
    return text;
}

// Follows the search's folders down from the root to the first one that is
// missing, and tells what the folder above it holds.
std::wstring WhereItLooked(const std::wstring& pattern) {
    std::vector<std::wstring> components = ComponentsOf(pattern);
    std::wstring folder;  // "" is the root
    for (size_t i = 0; i + 1 < components.size(); ++i) {
        const std::wstring next = folder + L"\\" + components[i];
        DevicePath resolved;
        if (!IsFolder(next, &resolved)) {
            return L"there is no folder " + next + L"; " +
                   Holdings(folder.empty() ? L"the root" : folder, folder, components[i]);
        }
        folder = next;
    }
    // A folder probe looks for its last component in the folder above it.
    const bool probesFolder = pattern.back() == L'\\';
    return Holdings(folder.empty() ? L"the root" : probesFolder ? folder : L"that folder", folder,
                    components.back());
}

void ReportAtEndOfBoot() {
    for (const auto& line : SearchReportLines()) ReportToHost(line);
}

// Under g_mutex.
void ArrangeReport() {
    if (g_reportArranged) return;
    g_reportArranged = true;
    AddEndOfBootHook(ReportAtEndOfBoot);
}

// "2 files match \D\OV3_UPGRADE_*.BIN: A, B; the device took A, ...". The
// host's FindFirstFileW lists names in order, ignoring case (find.cpp), so
// the first is the lowest name, not the newest file nor the highest number.
std::wstring SeveralMatchesLine(const std::wstring& search, const std::vector<std::wstring>& matches) {
    const bool folders = search.back() == L'\\';
    std::wstring line = L"ruvexa-host: " + std::to_wstring(matches.size()) + (folders ? L" folders" : L" files") +
                        L" match " + (folders ? search.substr(0, search.size() - 1) : search) + L": ";
    for (size_t i = 0; i < std::min(kNamesShown, matches.size()); ++i) line += (i > 0 ? L", " : L"") + matches[i];
    if (matches.size() > kNamesShown) line += L" and " + std::to_wstring(matches.size() - kNamesShown) + L" more";
    return line + L"; the device took " + matches.front() + L", the first the search lists (the lowest name)";
}

}  // namespace

void NoteSearchOutcome(std::wstring_view pattern, const std::vector<std::wstring>& matches) {
    if (!IsSearch(pattern)) return;
    const std::wstring path = FromTheRoot(pattern);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto same = [&](const std::wstring& noted) { return NamesEqualIgnoringCase(noted, path); };
    auto sameSearch = [&](const auto& noted) { return same(noted.first); };
    if (!matches.empty()) {
        std::erase_if(g_failedSearches, same);
        auto noted = std::find_if(g_severalMatches.begin(), g_severalMatches.end(), sameSearch);
        if (matches.size() == 1) {
            if (noted != g_severalMatches.end()) g_severalMatches.erase(noted);
        } else if (noted != g_severalMatches.end()) {
            noted->second = matches;
        } else {
            g_severalMatches.emplace_back(path, matches);
            ArrangeReport();
        }
        return;
    }
    if (std::none_of(g_failedSearches.begin(), g_failedSearches.end(), same)) g_failedSearches.push_back(path);
    ArrangeReport();
}

void NoteSearchWentOn(std::wstring_view pattern) {
    if (!IsSearch(pattern)) return;
    const std::wstring path = FromTheRoot(pattern);
    std::lock_guard<std::mutex> lock(g_mutex);
    std::erase_if(g_severalMatches, [&](const auto& noted) { return NamesEqualIgnoringCase(noted.first, path); });
}

void NoteStartedProgram(const std::wstring& devicePath) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_startedPrograms.push_back(devicePath);
}

std::vector<std::wstring> SearchReportLines() {
    std::vector<std::wstring> searches, programs;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> severalMatches;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        searches = g_failedSearches;
        programs = g_startedPrograms;
        severalMatches = g_severalMatches;
    }
    std::vector<std::wstring> lines;
    for (const auto& [search, matches] : severalMatches) lines.push_back(SeveralMatchesLine(search, matches));
    if (searches.empty()) return lines;
    for (const auto& search : searches) {
        std::wstring sought = search.back() == L'\\' ? L"the folder " + search.substr(0, search.size() - 1) : search;
        lines.push_back(L"ruvexa-host: the search for " + sought + L" found nothing; " + WhereItLooked(search));
    }
    std::wstring started;
    for (const auto& program : programs) started += (started.empty() ? L"" : L", ") + program;
    lines.push_back(L"ruvexa-host: the boot started " + (started.empty() ? L"no program" : started));
    return lines;
}

void ForgetSearches() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failedSearches.clear();
    g_severalMatches.clear();
    g_startedPrograms.clear();
}

}  // namespace host
