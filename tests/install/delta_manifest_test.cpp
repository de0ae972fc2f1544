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

// The one writer: what it writes is read back as written, and what the
// reader would refuse is never written.
struct WrittenRow {
    ManifestKind kind;
    DWORD size;
    DWORD crc;
    const char* path;
    std::string written;  // empty: refused
};

class WrittenRows : public ::testing::TestWithParam<WrittenRow> {};

TEST_P(WrittenRows, ReadBackAsWrittenOrRefused) {
    const WrittenRow& row = GetParam();
    char text[kManifestLineCapacity + 1];
    const DWORD length = WriteManifestLine(row.kind, row.size, row.crc, row.path, text, sizeof(text));
    EXPECT_EQ(std::string(text, length), row.written);
    if (row.written.empty()) return;
    ManifestLine line;
    ASSERT_TRUE(ParseManifestLine(std::string(text, length - 1).c_str(), &line));
    EXPECT_EQ(line.kind, row.kind);
    EXPECT_EQ(line.size, row.size);
    EXPECT_EQ(line.crc, row.crc);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WrittenRows,
    ::testing::ValuesIn(std::vector<WrittenRow>{
        {ManifestKind::kExePatch, 300000, 0xABCDEF01u, "", "exe patch 300000 ABCDEF01\n"},
        {ManifestKind::kExeWhole, 0, 0, "ignored", "exe whole 0 00000000\n"},
        {ManifestKind::kTake, 4294967295u, 0xDEADBEEFu, "Icons/a b.bmp", "take 4294967295 DEADBEEF Icons/a b.bmp\n"},
        {ManifestKind::kAdd, 5, 0x0000000Au, "./c.bmp", "add 5 0000000A ./c.bmp\n"},
        {ManifestKind::kAdd, 5, 1, "../c.bmp", ""},
        {ManifestKind::kTake, 5, 1, "/c.bmp", ""},
        {ManifestKind::kTake, 5, 1, "C:c.bmp", ""},
        {ManifestKind::kTake, 5, 1, "Icons/", ""},
        {ManifestKind::kTake, 5, 1, "", ""},
        {ManifestKind::kTake, 5, 1, "a\nadd 5 00000001 b", ""},
    }));

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
