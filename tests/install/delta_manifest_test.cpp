// ManifestReader on manifests written by hand into zip archives: sound lines
// are read as they stand; a line not exactly of its form, or a path that
// would leave the folder, ends the reading as malformed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_support.h"
#include "delta_manifest_reader.h"
#include "test_support.h"

namespace {

struct ManifestRow {
    std::string name;
    std::string text;  // the manifest after its first line
    int linesRead;     // before the end or the malformed line
    ManifestRead last;
};

void PrintTo(const ManifestRow& row, std::ostream* out) { *out << row.name; }

class ManifestRows : public ::testing::TestWithParam<ManifestRow> {};

TEST_P(ManifestRows, ReadAsTheRowSays) {
    testing_support::TempDevice device;
    device.MakeFolder(L"\\NandFlash");
    ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Host(L"\\NandFlash\\a.zip"),
                                              {{.name = "Delta.manifest", .data = "ruvexa-delta 1\n" + GetParam().text}}));
    ManifestReader reader;
    ASSERT_TRUE(reader.Open(L"\\NandFlash\\a.zip"));
    ManifestLine line;
    int read = 0;
    ManifestRead result;
    while ((result = reader.Next(&line)) == ManifestRead::kLine) ++read;
    EXPECT_EQ(read, GetParam().linesRead);
    EXPECT_EQ(result, GetParam().last);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ManifestRows,
    ::testing::ValuesIn(std::vector<ManifestRow>{
        {"SoundLines", "exe patch 10 0000ABCD\r\ntake 5 DEADBEEF a/b.bmp\nadd 0 00000000 ./c.bmp\n", 3,
         ManifestRead::kEnd},
        {"LastLineWithoutItsEnd", "take 5 DEADBEEF a.bmp", 0, ManifestRead::kMalformed},
        {"ClimbingPath", "take 5 DEADBEEF ../Windows/x.exe\n", 0, ManifestRead::kMalformed},
        {"LeadingSeparator", "add 5 DEADBEEF /x.bmp\n", 0, ManifestRead::kMalformed},
        {"DrivePath", "add 5 DEADBEEF C:x.bmp\n", 0, ManifestRead::kMalformed},
        {"FolderPath", "take 5 DEADBEEF a/\n", 0, ManifestRead::kMalformed},
        {"SizePastFourGiB", "take 4294967296 DEADBEEF a.bmp\n", 0, ManifestRead::kMalformed},
        {"ShortChecksum", "take 5 DEADBEE a.bmp\n", 0, ManifestRead::kMalformed},
        {"UnknownKind", "take 5 DEADBEEF a.bmp\nmove 5 DEADBEEF a.bmp\n", 1, ManifestRead::kMalformed},
        {"LineLongerThanItsBuffer", "take 5 DEADBEEF " + std::string(2000, 'a') + "\n", 0, ManifestRead::kMalformed},
        {"ZeroByteInALine", std::string("take 5 DEADBEEF a\0b\n", 20), 0, ManifestRead::kMalformed},
    }),
    [](const ::testing::TestParamInfo<ManifestRow>& info) { return info.param.name; });

TEST(ManifestOpen, NeedsTheEntryAndItsFirstLine) {
    testing_support::TempDevice device;
    device.MakeFolder(L"\\NandFlash");
    ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Host(L"\\NandFlash\\none.zip"), {{.name = "a.bmp", .data = "x"}}));
    ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Host(L"\\NandFlash\\other.zip"),
                                              {{.name = "Delta.manifest", .data = "ruvexa-delta 2\n"}}));
    ManifestReader reader;
    EXPECT_FALSE(reader.Open(L"\\NandFlash\\none.zip"));
    EXPECT_FALSE(reader.Open(L"\\NandFlash\\other.zip"));
    EXPECT_FALSE(reader.Open(L"\\NandFlash\\missing.zip"));
}

}  // namespace
