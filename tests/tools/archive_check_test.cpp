// Archive sections the device's installation would fail to unpack: build
// refuses them and verify rejects a package that holds them, both with the
// code the device would show and the entry it stops at.
#include <gtest/gtest.h>

#include "archive_support.h"
#include "pack_runner.h"
#include "package_builder.h"

namespace {

using pack_test::ToolRun;
using pack_test::Workspace;

struct BadArchive {
    std::string name;
    std::string python;    // the archive as zipfile statements; empty: `bytes` as they are
    std::string bytes;
    std::string expected;  // in the reason or the device's log line
};

// A failing row is reported by its name, not as a dump of its bytes.
void PrintTo(const BadArchive& row, std::ostream* out) { *out << row.name; }

const std::string kLongName(240, 'n');

// An archive whose entry 7-Zip compressed with Deflate64 (method 9).
std::string Deflate64Archive() {
    const testing_support::TempFolder folder;
    folder.Write("src/big.bmp", std::string(50000, 'x'));
    if (!unzip_testing::MakeWithTool(folder.Path("src"), folder.Path("d64.zip"),
                                     "7z a -tzip -mm=Deflate64 -bd \"$A\" .")) {
        return {};
    }
    return folder.Read("d64.zip");
}

// Two entries, and an end record that counts three: the device's walk stops
// before the count and fails.
std::string ListingShorterThanItsCount() {
    const testing_support::TempFolder folder;
    if (!unzip_testing::MakePythonZip(folder.Path("short.zip"), "add('a.bmp', b'1')\nadd('b.bmp', b'2')")) return {};
    std::string bytes = folder.Read("short.zip");
    bytes[bytes.size() - 22 + 8] = bytes[bytes.size() - 22 + 10] = 3;
    return bytes;
}

class ArchiveCheck : public ::testing::TestWithParam<BadArchive> {
protected:
    // The archive as the images or the fonts section; build must refuse it,
    // verify must reject the package built around it.
    void Expect(bool asFonts, const std::string& code) {
        const BadArchive& row = GetParam();
        const std::string zip = space_.Path("section.zip");
        if (row.python.empty()) {
            space_.Write("section.zip", row.bytes);
        } else {
            ASSERT_TRUE(unzip_testing::MakePythonZip(zip, row.python));
        }
        space_.Write("app.exe", "MZ");
        space_.Write("good/a.bmp", "BM");
        const std::string images = asFonts ? space_.Path("good") : zip;
        std::vector<std::string> words = {"build", "--exe", space_.Path("app.exe"), "--images", images};
        if (asFonts) words.insert(words.end(), {"--fonts", zip});
        words.insert(words.end(), {"-o", space_.Path("OV3_UPGRADE_1.BIN")});
        ToolRun build = space_.Pack(words);
        EXPECT_EQ(build.status, 1);
        EXPECT_EQ(build.err.rfind("ruvexa-pack: error: " + code + ": ", 0), 0u) << build.err;
        EXPECT_NE(build.err.find(row.expected), std::string::npos) << build.err;
        EXPECT_FALSE(space_.Exists("OV3_UPGRADE_1.BIN"));

        std::string good;
        std::string section = space_.Read("section.zip");
        if (asFonts) {
            ASSERT_EQ(space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("good"), "-o",
                                   space_.Path("OV3_UPGRADE_GOOD.BIN")}).status, 0);
            std::string built = space_.Read("OV3_UPGRADE_GOOD.BIN");
            good = built.substr(8 + 2, pack_test::LittleEndianAt(built, built.size() - 12));
        }
        space_.Write("OV3_UPGRADE_2.BIN", package_testing::BuildPackage({.exe = "MZ",
                                                                         .images = asFonts ? good : section,
                                                                         .fonts = asFonts ? section : ""}));
        ToolRun verify = space_.Pack({"verify", space_.Path("OV3_UPGRADE_2.BIN")});
        EXPECT_EQ(verify.status, 1);
        EXPECT_EQ(verify.out.rfind(code + ": ", 0), 0u) << verify.out;
        EXPECT_NE(verify.out.find(row.expected), std::string::npos) << verify.out;
    }

    Workspace space_;
};

TEST_P(ArchiveCheck, ImagesGetErr40) { Expect(false, "Err40"); }
TEST_P(ArchiveCheck, FontsGetErr50) { Expect(true, "Err50"); }

INSTANTIATE_TEST_SUITE_P(
    Rows, ArchiveCheck,
    ::testing::Values(
        BadArchive{"NotAZipArchive", "", "just some bytes", "is not a zip archive the device can open"},
        BadArchive{"OnlyTheEndRecord", "", std::string("PK\x05\x06", 4) + std::string(18, '\0'),
                   "is not a zip archive the device can open"},
        BadArchive{"ClimbingEntry", "add('../evil.bmp', b'x')", "", "entry '..\\evil.bmp'"},
        BadArchive{"LeadingSeparator", "add('/abs.bmp', b'x')", "", "Unsafe entry name=[\\abs.bmp]"},
        BadArchive{"Drive", "add('C:/drive.bmp', b'x')", "", "entry 'C:\\drive.bmp'"},
        BadArchive{"Deflate64Entry", "", Deflate64Archive(), "compression method 9"},
        BadArchive{"Bzip2Entry", "add('a.bmp', b'x' * 100, method=zipfile.ZIP_BZIP2)", "", "compression method 12"},
        BadArchive{"ListingShorterThanItsCount", "", ListingShorterThanItsCount(),
                   "Failed to go to entry=[3] of [3]"},
        BadArchive{"NameTooLongWhereItIsUnpacked", "add('" + kLongName + "', b'x')", "",
                   "Path too long, folder=[\\NandFlash\\Merrow\\"}),
    [](const ::testing::TestParamInfo<BadArchive>& info) { return info.param.name; });

}  // namespace
