// Archives made by the common zip tools: each unpacks to exactly the tree it
// was made from, whichever way the tool marks its folder entries; folder
// entries by name alone, and Deflate64, which the device cannot read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "unzip_fixture.h"
#include "unzip_file.h"

namespace unzip_testing {
namespace {

using testing_support::SnapshotOf;
using testing_support::TreeDifference;

constexpr const wchar_t* kSource = L"\\NandFlash\\Src";

class ToolArchiveTest : public UnzipTest {
protected:
    ToolArchiveTest() {
        device.WriteFile(Source(L"back.bmp"), RandomBytes(70000, 1));
        device.WriteFile(Source(L"Icons\\ok.png"), "ok");
        device.WriteFile(Source(L"Icons\\Small\\x.png"), std::string(100000, 'x'));
        device.WriteFile(Source(L"empty.txt"), "");
        device.MakeFolder(Source(L"Unused"));
    }
    static std::wstring Source(const std::wstring& relative) { return std::wstring(kSource) + L"\\" + relative; }
    std::string HostSource() const { return device.Host(kSource); }
};

TEST_F(ToolArchiveTest, EveryToolsArchiveInstallsTheTreeItWasMadeFrom) {
    const struct {
        const char* tool;
        const char* command;
    } rows[] = {
        // libarchive marks folders by their trailing "/" and Unix mode bits
        // only; archiving "." stores every name under "./".
        {"bsdtar", "bsdtar --format zip -cf \"$A\" *"},
        {"bsdtar .", "bsdtar --format zip -cf \"$A\" ."},
        {"7-Zip", "7z a -tzip -bd \"$A\" ."},
        {"Info-ZIP with data descriptors", "zip -q -X -r -fd \"$A\" ."},
        {"Info-ZIP with zip64 records", "zip -q -X -r -fz \"$A\" ."},
        {"Python's zipfile", "python3 -m zipfile -c \"$A\" ."},
    };
    const testing_support::Tree source = SnapshotOf(HostSource());
    for (const auto& row : rows) {
        ASSERT_TRUE(MakeWithTool(HostSource(), HostArchive(), row.command)) << row.tool;
        std::filesystem::remove_all(device.Host(kOutput));
        log.Clear();
        EXPECT_EQ(Extract(), 1) << row.tool;
        EXPECT_EQ(log.Text(), "") << row.tool;
        EXPECT_EQ(TreeDifference(SnapshotOf(device.Host(kOutput)), source), "") << row.tool;
    }
}

TEST_F(ToolArchiveTest, Deflate64EntryFailsCleanly) {
    device.WriteFile(Source(L"Icons\\Small\\x.png"), std::string(50000, 'x'));
    ASSERT_TRUE(MakeWithTool(HostSource(), HostArchive(), "7z a -tzip -mm=Deflate64 -bd \"$A\" Icons"));
    const std::vector<std::string> before = DeviceTree();
    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(log.MaskedLines(), (Lines{"==> unzOpenCurrentFile Failed", UnzipFailedLine()}));
    // Nothing is written outside the output folder and the parents made for it.
    const std::string output = "NandFlash/Merrow/Images_";
    for (const std::string& path : DeviceTree()) {
        if (std::find(before.begin(), before.end(), path) != before.end()) continue;
        EXPECT_TRUE(path.rfind(output, 0) == 0 || output.rfind(path + "/", 0) == 0) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, UnzipCaseTest,
    ::testing::Values(
        UnzipCase{.name = "TrailingSeparatorOrAttributeBitMakesAFolder",
                  .entries = {{.name = "Marked", .data = "", .externalAttributes = 0x10},
                              {.name = "Unix/", .data = "", .externalAttributes = 040755u << 16},
                              {.name = "Back\\", .data = "", .externalAttributes = 0x20},
                              {.name = "Unix/in.txt", .data = "in"}},
                  .result = 1,
                  .files = {{L"Unix\\in.txt", "in"}},
                  .folders = {L"Marked", L"Unix", L"Back"}},
        UnzipCase{.name = "DataOfAFolderEntryIsIgnored",
                  .entries = {{.name = "Icons/", .data = "stray bytes"}, {.name = "Icons/ok.png", .data = "ok"}},
                  .result = 1,
                  .log = {"UnzipFile(): Data of folder entry ignored, folder=[" + UnzipTest::OutputText("Icons\\") +
                          "], size=[11], at=[*]"},
                  .tree = {"NandFlash", "NandFlash/Merrow", "NandFlash/Merrow/Images_",
                           "NandFlash/Merrow/Images_/Icons", "NandFlash/Merrow/Images_/Icons/ok.png", "NandFlash/Work",
                           "NandFlash/Work/AppImages.zi"}}),
    CaseName);

}  // namespace
}  // namespace unzip_testing
