// The end-of-boot account of searches that found nothing, and of searches
// whose first match alone was taken of several: which searches count, where
// the account says they looked, which match was taken, and how close names
// rank.
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
    bool goesOn = false;  // each search is gone through with FindNextFileW
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const std::string kNoProgram = "ruvexa-host: the boot started no program";
const std::wstring kDownload = L"\\Storage Card\\OV3_Download\\";
const std::wstring kPackages = kDownload + L"OV3_UPGRADE_*.BIN";
const std::string kTookFirst = ", the first the search lists (the lowest name)";

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
        {.name = "TwoPackagesTheDeviceTookTheLowestName",
         .files = {kDownload + L"OV3_UPGRADE_5.BIN", kDownload + L"OV3_UPGRADE_3.BIN"},
         .searches = {kPackages},
         .report = {"ruvexa-host: 2 files match \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN: OV3_UPGRADE_3.BIN, "
                    "OV3_UPGRADE_5.BIN; the device took OV3_UPGRADE_3.BIN" + kTookFirst}},
        {.name = "TheLowestNameIsNotTheHighestNumber",
         .files = {kDownload + L"OV3_UPGRADE_9.BIN", kDownload + L"OV3_UPGRADE_10.BIN"},
         .searches = {kPackages},
         .report = {"ruvexa-host: 2 files match \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN: OV3_UPGRADE_10.BIN, "
                    "OV3_UPGRADE_9.BIN; the device took OV3_UPGRADE_10.BIN" + kTookFirst}},
        {.name = "NamesAreOrderedIgnoringCase",
         .files = {kDownload + L"OV3_UPGRADE_B.BIN", kDownload + L"ov3_upgrade_a.bin"},
         .searches = {kPackages},
         .report = {"ruvexa-host: 2 files match \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN: ov3_upgrade_a.bin, "
                    "OV3_UPGRADE_B.BIN; the device took ov3_upgrade_a.bin" + kTookFirst}},
        {.name = "ARepeatedSearchIsToldOnceWithItsLatestMatches",
         .files = {kDownload + L"OV3_UPGRADE_1.BIN", kDownload + L"OV3_UPGRADE_2.BIN",
                   kDownload + L"OV3_UPGRADE_3.BIN"},
         .searches = {kPackages, L"\\storage card\\ov3_download\\ov3_upgrade_*.bin"},
         .report = {"ruvexa-host: 3 files match \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN: OV3_UPGRADE_1.BIN, "
                    "OV3_UPGRADE_2.BIN, OV3_UPGRADE_3.BIN; the device took OV3_UPGRADE_1.BIN" + kTookFirst}},
        {.name = "SeveralVolumesTheFirstIsTaken",
         .files = {L"\\Hard Disk2\\", L"\\Hard Disk\\", L"\\NandFlash\\"},
         .searches = {L"\\Hard Disk*\\"},
         .report = {"ruvexa-host: 2 folders match \\Hard Disk*: Hard Disk, Hard Disk2; the device took Hard Disk" +
                    kTookFirst}},
        {.name = "ManyMatchesAreCounted",
         .files = {L"\\D\\a1.BIN", L"\\D\\a2.BIN", L"\\D\\a3.BIN", L"\\D\\a4.BIN", L"\\D\\a5.BIN",
                   L"\\D\\a6.BIN", L"\\D\\a7.BIN"},
         .searches = {L"\\D\\*.BIN"},
         .report = {"ruvexa-host: 7 files match \\D\\*.BIN: a1.BIN, a2.BIN, a3.BIN, a4.BIN, a5.BIN and 2 more; "
                    "the device took a1.BIN" + kTookFirst}},
        {.name = "SearchesGoneThroughAreNoSurprise",
         .files = {kDownload + L"OV3_UPGRADE_5.BIN", kDownload + L"OV3_UPGRADE_3.BIN"},
         .searches = {kPackages},
         .report = {},
         .goesOn = true},
        {.name = "SeveralMatchesComeBeforeWhatFoundNothing",
         .files = {kDownload + L"OV3_UPGRADE_5.BIN", kDownload + L"OV3_UPGRADE_3.BIN", L"\\NandFlash\\"},
         .searches = {L"\\Hard Disk*\\", kPackages},
         .report = {"ruvexa-host: 2 files match \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN: OV3_UPGRADE_3.BIN, "
                    "OV3_UPGRADE_5.BIN; the device took OV3_UPGRADE_3.BIN" + kTookFirst,
                    "ruvexa-host: the search for the folder \\Hard Disk* found nothing; the root holds NandFlash, "
                    "Storage Card",
                    kNoProgram}},
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
        if (search == INVALID_HANDLE_VALUE) continue;
        while (row.goesOn && FindNextFileW(search, &entry)) {
        }
        FindClose(search);
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

// The known name a mistyped option or command was meant to be, for "did
// you mean": the closest within a slip in four characters, ties in name order.
TEST(CloseName, PicksTheClosestKnownNameWithinAFewSlips) {
    const std::vector<std::string> options = {"--exe", "--images", "--fonts", "--output", "--help"};
    const std::vector<std::string> commands = {"build", "delta", "verify", "inspect", "list", "unpack", "keygen",
                                               "sign"};
    const struct {
        std::string typed;
        const std::vector<std::string>& known;
        std::string close;
    } rows[] = {
        {"--imgaes", options, "--images"}, {"--images", options, "--images"}, {"--IMAGES", options, "--images"},
        {"--fnts", options, "--fonts"},    {"--xyz", options, ""},            {"--outptu", options, "--output"},
        {"", options, ""},                 {"biuld", commands, "build"},      {"lst", commands, "list"},
        {"pack", commands, ""},            {"--he?p", options, "--help"},     {"--*", options, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(host::CloseName(row.typed, row.known), row.close) << row.typed;
    EXPECT_EQ(host::CloseName("--ab", {"--ac", "--aa"}), "--aa");
}

}  // namespace
