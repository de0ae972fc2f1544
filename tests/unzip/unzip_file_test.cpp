// UnZipFile on whole archives: opening, the output folder, folders and
// files, replacing what is there, names.
#include <gtest/gtest.h>

#include "unzip_fixture.h"
#include "unzip_file.h"

namespace unzip_testing {
namespace {

TEST_F(UnzipTest, ArchiveWithoutEntriesCreatesTheFolderAndSucceeds) {
    // A stub before the archive, as self-extractors have: minizip opens it
    // and finds no entries.
    device.WriteFile(kArchive, "#!stub\n");
    ASSERT_TRUE(MakePythonZip(HostArchive(), "", "a"));
    EXPECT_EQ(Extract(), 1);
    EXPECT_EQ(log.MaskedLines(),
              Lines{std::string("UnZipFile(): !!! File size is 0, file=[") + kArchiveText + "], size=[0], at=[*]"});
    EXPECT_EQ(GetFileAttributesW(kOutput), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(DeviceTree(), (Lines{"NandFlash", "NandFlash/Merrow", "NandFlash/Merrow/Images_", "NandFlash/Work",
                                   "NandFlash/Work/AppImages.zi"}));
}

TEST_F(UnzipTest, BareEmptyArchiveIsRefusedByTheLibrary) {
    // minizip 1.1 never accepts an end record at offset 0, so the 22-byte
    // archive that every writer makes of nothing cannot be opened.
    ASSERT_TRUE(MakePythonZip(HostArchive(), ""));
    ASSERT_EQ(device.ReadFile(kArchive).size(), 22u);
    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(log.MaskedLines(),
              Lines{std::string("UnZipFile(): !!! Failed to open zip=[") + kArchiveText + "], at=[*]"});
    EXPECT_FALSE(device.Exists(kOutput));
}

TEST_F(UnzipTest, WhatIsNoZipArchiveLeavesTheOutputFolderAlone) {
    device.WriteFile(kArchive, "PK\x03\x04 but nothing more of a zip archive");
    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(UnZipFile(L"\\NandFlash\\Work\\missing.zi", kOutput), 0);
    EXPECT_EQ(UnZipFile(L"", kOutput), 0);
    EXPECT_EQ(log.MaskedLines(), (Lines{
                                     std::string("UnZipFile(): !!! Failed to open zip=[") + kArchiveText + "], at=[*]",
                                     "UnZipFile(): !!! Failed to open zip=[\\NandFlash\\Work\\missing.zi], at=[*]",
                                     "UnZipFile(): !!! Failed to open zip=[], at=[*]",
                                 }));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow"));
}

TEST_F(UnzipTest, ArchivePathMatchesCaseInsensitively) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('a.txt', b'A')"));
    EXPECT_EQ(UnZipFile(L"\\nandflash\\WORK\\appimages.ZI", kOutput), 1);
    EXPECT_EQ(device.ReadFile(Output(L"a.txt")), "A");
}

TEST_F(UnzipTest, OutputFolderThatIsAFileFails) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('a.txt', b'A')"));
    device.WriteFile(kOutput, "a file");
    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(log.MaskedLines(),
              Lines{std::string("UnZipFile(): !!! Failed to set output folder=[") + kOutputText + "], at=[*]"});
    EXPECT_EQ(device.ReadFile(kOutput), "a file");

    // A file higher up stops the creation at that level.
    log.Clear();
    EXPECT_EQ(UnZipFileInto(L"\\NandFlash\\Merrow\\Images_\\Sub"), 0);
    EXPECT_EQ(log.MaskedLines(),
              Lines{"UnZipFile(): !!! Failed to set output folder=[\\NandFlash\\Merrow\\Images_\\Sub], at=[*]"});
}

TEST_F(UnzipTest, MissingParentsAreCreatedAndTrailingSeparatorIsNotDoubled) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('a.txt', b'A')\nadd('Icons/b.png', b'B')"));
    EXPECT_EQ(UnZipFileInto(L"\\Storage Card\\Deep\\Er\\Out\\"), 1);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(device.ReadFile(L"\\Storage Card\\Deep\\Er\\Out\\a.txt"), "A");
    EXPECT_EQ(device.ReadFile(L"\\Storage Card\\Deep\\Er\\Out\\Icons\\b.png"), "B");

    // The output paths of the log carry a single separator too.
    device.SetReadOnly(L"\\Storage Card\\Deep\\Er\\Out\\a.txt", true);
    log.Clear();
    EXPECT_EQ(UnZipFileInto(L"\\Storage Card\\Deep\\Er\\Out\\"), 0);
    EXPECT_EQ(log.MaskedLines(), (Lines{
                                     "UnzipFile(): !!! Failed to delete file=[\\Storage Card\\Deep\\Er\\Out\\a.txt], "
                                     "error=[5], at=[*]",
                                     "Unzip [\\Storage Card\\Deep\\Er\\Out\\a.txt]==> Open Failed",
                                     UnzipFailedLine(),
                                 }));
}

TEST_F(UnzipTest, InfoZipArchiveWithFoldersIsReproduced) {
    device.WriteFile(L"\\NandFlash\\Src\\back.bmp", RandomBytes(70000, 1));
    device.WriteFile(L"\\NandFlash\\Src\\Icons\\ok.png", "ok");
    device.WriteFile(L"\\NandFlash\\Src\\Icons\\Small\\x.png", std::string(100000, 'x'));
    device.WriteFile(L"\\NandFlash\\Src\\empty.txt", "");
    device.MakeFolder(L"\\NandFlash\\Src\\Unused");
    ASSERT_TRUE(RunInfoZip(device.Host(L"\\NandFlash\\Src"), "-r '" + HostArchive() + "' ."));

    EXPECT_EQ(Extract(), 1);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(device.ReadFile(Output(L"back.bmp")), RandomBytes(70000, 1));
    EXPECT_EQ(device.ReadFile(Output(L"Icons\\ok.png")), "ok");
    EXPECT_EQ(device.ReadFile(Output(L"Icons\\Small\\x.png")), std::string(100000, 'x'));
    EXPECT_EQ(device.ReadFile(Output(L"empty.txt")), "");
    EXPECT_EQ(GetFileAttributesW(Output(L"Unused").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(UnzipTest, ExistingFileIsReplacedButAReadOnlyOneFails) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('a.txt', b'new a')\nadd('b.txt', b'new b')"));
    device.WriteFile(Output(L"A.TXT"), "old a, longer than the new one");
    EXPECT_EQ(Extract(), 1);
    EXPECT_EQ(log.Text(), "");
    // The new file takes the entry's spelling of the name.
    EXPECT_EQ(device.ReadFile(Output(L"a.txt")), "new a");
    EXPECT_FALSE(device.Exists(Output(L"A.TXT")));

    device.SetReadOnly(Output(L"b.txt"), true);
    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(log.MaskedLines(), (Lines{
                                     "UnzipFile(): !!! Failed to delete file=[" + OutputText("b.txt") +
                                         "], error=[5], at=[*]",
                                     "Unzip [" + OutputText("b.txt") + "]==> Open Failed",
                                     UnzipFailedLine(),
                                 }));
    EXPECT_EQ(device.ReadFile(Output(L"b.txt")), "new b");
}

// An archive whose end record counts more entries than its listing holds:
// the walk stops early, and what was unpacked is not the whole archive.
TEST_F(UnzipTest, ListingShorterThanItsCountFails) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('first.txt', b'1')\nadd('second.txt', b'2')"));
    std::string bytes = testing_support::ReadHostFile(HostArchive());
    const size_t endRecord = bytes.size() - 22;
    ASSERT_EQ(bytes.substr(endRecord, 4), "PK\x05\x06");
    bytes[endRecord + 8] = bytes[endRecord + 10] = 3;  // entries on this disk, and in all
    testing_support::WriteHostFile(HostArchive(), bytes);

    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(log.MaskedLines(),
              (Lines{"UnzipAll(): !!! Failed to go to entry=[3] of [3], at=[*]", UnzipFailedLine()}));
    EXPECT_EQ(device.ReadFile(Output(L"second.txt")), "2");
}

const std::string kNoUtf8 = "UnzipFile(): !!! Invalid entry name, error=[84], at=[*]";

INSTANTIATE_TEST_SUITE_P(
    Files, UnzipCaseTest,
    ::testing::Values(
        UnzipCase{.name = "SubFoldersWithoutFolderEntriesAreCreated",
                  .entries = {{.name = "Font/Bold/sans.ttf", .data = "ttf"},
                              {.name = "Font/Bold/Big/serif.ttf", .data = "big"}, {.name = "top.txt", .data = "top"}},
                  .result = 1,
                  .files = {{L"Font\\Bold\\sans.ttf", "ttf"},
                            {L"Font\\Bold\\Big\\serif.ttf", "big"},
                            {L"top.txt", "top"}}},
        UnzipCase{.name = "FolderEntryWhereAFileStandsFailsWithoutEntryLine",
                  .python = "add('first.txt', b'1')\nadd('Icons/', attr=0x10)\nadd('last.txt', b'3')",
                  .before = {{L"Icons", "in the way"}}, .log = {UnzipTest::UnzipFailedLine()},
                  .files = {{L"first.txt", "1"}, {L"Icons", "in the way"}}, .absent = {L"last.txt"}},
        // Python sets the UTF-8 flag for such names; minizip's writer never does.
        UnzipCase{.name = "Utf8NameWithTheFlag", .python = "add('Шрифты/Жирный.ttf', b'flagged')", .result = 1,
                  .files = {{L"Шрифты\\Жирный.ttf", "flagged"}}},
        UnzipCase{.name = "Utf8NameWithoutTheFlag", .entries = {{.name = "Значок €.bmp", .data = "unflagged"}},
                  .result = 1, .files = {{L"Значок €.bmp", "unflagged"}}},
        // "Файл" in code page 866, as an old DOS tool stores it; the encoding
        // of a lone surrogate, which no wide path may hold; an overlong "/";
        // a sequence cut short at the end of the name.
        RefusedAfterOk("CodePage866NameIsRefused", "\x94\xa0\xa9\xab.txt", kNoUtf8),
        RefusedAfterOk("LoneSurrogateIsRefused", "\xED\xA0\x80.txt", kNoUtf8),
        RefusedAfterOk("OverlongSlashIsRefused", "\xC0\xAF.txt", kNoUtf8),
        RefusedAfterOk("SequenceCutShortIsRefused", "cut\xF0\x9F\x98", kNoUtf8),
        // A character beyond the basic plane is sound UTF-8 (a surrogate pair
        // on the device).
        UnzipCase{.name = "CharacterBeyondTheBasicPlaneIsAccepted",
                  .entries = {{.name = "smile\xF0\x9F\x98\x80.bmp", .data = "pair"}}, .result = 1}),
    CaseName);

}  // namespace
}  // namespace unzip_testing
