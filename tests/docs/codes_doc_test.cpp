// docs/codes.md against the device's own code tables: every code the
// program can show has its row, with the screen text the device draws
// beside it, and the page lists no code the program cannot show.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "refusal_codes.h"
#include "stage_failures.h"
#include "worker.h"

namespace {

struct ShownCode {
    std::string code;    // "Err0F"
    std::string screen;  // "Preparation failed"
};

std::string Narrow(LPCWSTR text) {
    std::string narrow;
    for (; *text; ++text) narrow += static_cast<char>(*text);  // the codes and texts are ASCII
    return narrow;
}

// Every code the program can show: the workers' tables through the shell's
// failure table, the code of a failure outside its table, and the
// refusals'.
std::vector<ShownCode> CodesTheProgramShows() {
    std::vector<ShownCode> codes;
    size_t count = 0;
    const StageFailureRow* rows = StageFailureRows(&count);
    for (size_t i = 0; i < count; ++i) codes.push_back({Narrow(rows[i].code), Narrow(rows[i].screen)});
    codes.push_back({Narrow(kUnknownFailureCode), Narrow(StageFailedText(WorkerStage::kExtraction))});
    for (const auto& row : FailureCodes<Refusal>::kCodes) {
        codes.push_back({Narrow(row.code), Narrow(RefusalText(row.failure))});
    }
    return codes;
}

// The rows of codes.md's tables whose first cell is a code in backquotes:
// the code and the row's whole text.
std::map<std::string, std::string> DocumentedRows() {
    std::ifstream page(RUVEXA_CODES_PAGE);
    EXPECT_TRUE(page) << "cannot read " << RUVEXA_CODES_PAGE;
    const std::regex row(R"(^\|\s*`(Err[0-9A-F]{2})`\s*\|)");
    std::map<std::string, std::string> rows;
    std::string line;
    while (std::getline(page, line)) {
        std::smatch match;
        if (!std::regex_search(line, match, row)) continue;
        EXPECT_TRUE(rows.emplace(match[1], line).second) << match[1] << " has two rows in codes.md";
    }
    return rows;
}

TEST(CodesPage, HasARowForEveryCodeWithItsScreenText) {
    const std::map<std::string, std::string> rows = DocumentedRows();
    for (const ShownCode& shown : CodesTheProgramShows()) {
        auto row = rows.find(shown.code);
        if (row == rows.end()) {
            ADD_FAILURE() << shown.code << " (\"" << shown.screen << "\") has no row in docs/codes.md";
            continue;
        }
        EXPECT_NE(row->second.find(shown.code + " " + shown.screen), std::string::npos)
            << "the row of " << shown.code << " does not show the screen text \"" << shown.code << " "
            << shown.screen << "\":\n" << row->second;
    }
}

TEST(CodesPage, ListsNoCodeTheProgramCannotShow) {
    std::set<std::string> shown;
    for (const ShownCode& code : CodesTheProgramShows()) shown.insert(code.code);
    for (const auto& [code, row] : DocumentedRows()) {
        EXPECT_TRUE(shown.count(code)) << "docs/codes.md has a row for " << code << ", which no table of the program has";
    }
}

}  // namespace
