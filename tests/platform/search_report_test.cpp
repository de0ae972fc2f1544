// The end-of-boot account of searches that found nothing: which searches
// count, where the account says they looked, and how close names rank.
#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "close_names.h"
#include "ruvexa_host.h"
#include "search_report.h"
#include "test_support.h"

namespace {

using Lines = std::vector<std::string>;

struct Row {
    std::string name;
    std::vector<std::wstring> files;  // a path ending in "\" is a folder
    std::vector<std::wstring> searches;
    Lines report;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const std::string kNoProgram = "ruvexa-host: the boot started no program";

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {.name = "TypoInThePackageNameIsCloseToThePattern",
         .files = {L"\\Storage Card\\OV3_Download\\OV3_UPGRAED_X.BIN", L"\\Storage Card\\OV3_Download\\notes.txt"},
         .searches = {L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN",
                      L"\\storage card\\ov3_download\\ov3_upgrade_*.bin"},
         .report = {"ruvexa-host: the search for \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN found nothing; "
                    "that folder holds OV3_UPGRAED_X.BIN (close to the pattern), notes.txt",
                    kNoProgram}},
        {.name = "FolderProbeNamesTheFolderAbove",
         .files = {L"\\Storage Card\\OV3_Donwload\\"},
         .searches = {L"\\Storage Card\\OV3_Download\\"},
         .report = {"ruvexa-host: the search for the folder \\Storage Card\\OV3_Download found nothing; "
                    "\\Storage Card holds OV3_Donwload (close to the name)",
                    kNoProgram}},
        {.name = "VolumeSearchListsTheRoot",
         .files = {L"\\NandFlash\\", L"\\USB Disk\\"},
         .searches = {L"\\Hard Disk*\\"},
         .report = {"ruvexa-host: the search for the folder \\Hard Disk* found nothing; "
                    "the root holds USB Disk, NandFlash",
                    kNoProgram}},
        {.name = "MissingFolderOnTheWay",
         .files = {L"\\Storage Card\\Download\\OV3_UPGRADE_1.BIN"},
         .searches = {L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN"},
         .report = {"ruvexa-host: the search for \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN found nothing; "
                    "there is no folder \\Storage Card\\OV3_Download; \\Storage Card holds Download",
                    kNoProgram}},
        {.name = "RelativePatternStartsAtTheRootAndEmptyFolderSaysSo",
         .files = {L"\\Hard Disk\\"},
         .searches = {L"Hard Disk\\OV3_UPGRADE_*.BIN"},
         .report = {"ruvexa-host: the search for \\Hard Disk\\OV3_UPGRADE_*.BIN found nothing; that folder is empty",
                    kNoProgram}},
        {.name = "ClosestNamesFirstAndTheRestCounted",
         .files = {L"\\D\\k", L"\\D\\m", L"\\D\\q", L"\\D\\w", L"\\D\\x", L"\\D\\OV3_UPGRADE.BIN",
                   L"\\D\\OV3_UPGRADE_1.ZIP"},
         .searches = {L"\\D\\OV3_UPGRADE_*.BIN"},
         .report = {"ruvexa-host: the search for \\D\\OV3_UPGRADE_*.BIN found nothing; that folder holds "
                    "OV3_UPGRADE.BIN (close to the pattern), OV3_UPGRADE_1.ZIP (close to the pattern), k, m, q "
                    "and 2 more",
                    kNoProgram}},
        {.name = "ListingsPlainNamesAndFindsAreNoSearchesThatFailed",
         .files = {L"\\Empty\\", L"\\NandFlash\\OV3_UPGRADE_1.BIN"},
         .searches = {L"\\Empty\\*.*", L"\\Empty\\*", L"\\NandFlash\\Upgrade.flag", L"\\NandFlash\\OV3_UPGRADE_*.BIN",
                      L"\\NandFlash\\"},
         .report = {}},
    };
    return rows;
}

class SearchReport : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override { host::ForgetSearches(); }
    void TearDown() override { host::ForgetSearches(); }
};

Lines ReportLines() {
    Lines lines;
    for (const auto& line : host::SearchReportLines()) lines.push_back(host::WideToUtf8(line));
    return lines;
}

TEST_P(SearchReport, SaysWhereItLookedAndWhatItFound) {
    const Row& row = GetParam();
    testing_support::TempDevice device;
    for (const auto& path : row.files) {
        if (path.ends_with(L'\\')) {
            device.MakeFolder(path.substr(0, path.size() - 1));
        } else {
            device.WriteFile(path, "");
        }
    }
    for (const auto& pattern : row.searches) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }
    EXPECT_EQ(ReportLines(), row.report);
}

INSTANTIATE_TEST_SUITE_P(Rows, SearchReport, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

// The program retries with waits: a search that finds its file in the end
// is no failure, and the programs the boot started are named.
TEST(SearchReportEnd, ForgetsASearchThatFoundItsFileLaterAndNamesStartedPrograms) {
    host::ForgetSearches();
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\app.exe", "#!/bin/sh\ntrue\n");
    WIN32_FIND_DATAW entry;
    EXPECT_EQ(FindFirstFileW(L"\\NandFlash\\*.BIN", &entry), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(L"\\NandFlash\\*.ZIP", &entry), INVALID_HANDLE_VALUE);
    device.WriteFile(L"\\NandFlash\\a.bin", "");
    HANDLE found = FindFirstFileW(L"\\NandFlash\\*.bin", &entry);
    ASSERT_NE(found, INVALID_HANDLE_VALUE);
    FindClose(found);
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof(request);
    request.lpFile = L"\\NandFlash\\app.exe";
    ASSERT_TRUE(ShellExecuteExW(&request));
    EXPECT_EQ(ReportLines(),
              (Lines{"ruvexa-host: the search for \\NandFlash\\*.ZIP found nothing; that folder holds a.bin, app.exe",
                     "ruvexa-host: the boot started \\NandFlash\\app.exe"}));
    host::ForgetSearches();
}

TEST(WildcardDistance, CountsSlipsAndLetsWildcardsMatchAnything) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* name;
        size_t distance;
    } rows[] = {
        {L"OV3_UPGRADE_*.BIN", L"ov3_upgrade_7.bin", 0}, {L"OV3_UPGRADE_*.BIN", L"OV3_UPGRAED_X.BIN", 1},
        {L"OV3_UPGRADE_*.BIN", L"OV3_UPGRADE.BIN", 1},   {L"OV3_Download", L"OV3_Donwload", 1},
        {L"Hard Disk*", L"USB Disk", 4},                 {L"a?c", L"abc", 0},
        {L"*", L"", 0},                                  {L"abc", L"", 3},
        {L"", L"abc", 3},                                {L"Шрифт*", L"шрифты", 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(host::WildcardDistance(row.pattern, row.name), row.distance)
            << host::WideToUtf8(row.pattern) << " / " << host::WideToUtf8(row.name);
    }
}

}  // namespace
