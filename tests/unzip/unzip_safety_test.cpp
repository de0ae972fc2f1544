// Hostile and oversized input: entry names that would leave the output
// folder, paths beyond their buffers, and a transfer buffer that cannot be
// had.
#include <gtest/gtest.h>

#include "unzip_fixture.h"
#include "ruvexa_host.h"
#include "unzip_file.h"

namespace unzip_testing {
namespace {

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

std::wstring Repeat(const std::wstring& text, int times) {
    std::wstring result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

TEST_F(UnzipTest, OutputFolderBeyondThePathLimit) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('a.txt', b'A')"));
    // 260 units fit the stored folder but not a path with its zero; 261 and
    // more fit neither.
    for (int length : {260, 261, 400}) {
        std::wstring folder = L"\\NandFlash\\" + std::wstring(length - 11, L'f');
        log.Clear();
        EXPECT_EQ(UnZipFileInto(folder.c_str()), 0) << length;
        EXPECT_EQ(log.MaskedLines(), Lines{"UnZipFile(): !!! Failed to set output folder=[" +
                                           host::WideToUtf8(folder) + "], at=[*]"})
            << length;
    }
    EXPECT_EQ(DeviceTree(), (Lines{"NandFlash", "NandFlash/Work", "NandFlash/Work/AppImages.zi"}));
}

TEST_F(UnzipTest, ComposedPathMustFitWithItsZero) {
    // Folder and name joined take 259 units: the longest path there is.
    const std::wstring folder = L"\\NandFlash\\" + std::wstring(200, L'o') + L"\\" + std::wstring(27, L'p');
    ASSERT_EQ(folder.size(), 239u);
    const std::string fits = std::string(19, 'n');
    const std::string tooLong = fits + "x";
    ASSERT_TRUE(MakeMinizipZip(HostArchive(), {{.name = fits, .data = "fits"}, {.name = tooLong, .data = "no"}}));
    EXPECT_EQ(UnZipFileInto(folder.c_str()), 0);
    EXPECT_EQ(log.MaskedLines(), (Lines{"UnzipFile(): !!! Path too long, folder=[" + host::WideToUtf8(folder) +
                                            "], name=[" + tooLong + "], at=[*]",
                                        UnzipFailedLine()}));
    EXPECT_EQ(device.ReadFile(folder + L"\\" + std::wstring(fits.begin(), fits.end())), "fits");
}

TEST_F(UnzipTest, ArchivePathWhoseNarrowFormDoesNotFit) {
    // 137 units either way; the narrow (UTF-8) form takes 257 bytes with
    // 60-letter folders, 265 with 62-letter ones.
    for (int letters : {60, 62}) {
        std::wstring archive = L"\\NandFlash\\" + Repeat(L"Ж", letters) + L"\\" + Repeat(L"Ж", letters) + L"\\a.zi";
        ASSERT_TRUE(MakePythonZip(device.Host(archive), "add('a.txt', b'A')"));
        log.Clear();
        int result = UnZipFile(archive.c_str(), kOutput);
        if (letters == 60) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(log.Text(), "");
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(log.MaskedLines(),
                      Lines{"UnZipFile(): !!! Failed to open zip=[" + host::WideToUtf8(archive) + "], at=[*]"});
        }
    }
}

// Folder entries nesting 1,000 deep, unpacked on a thread with a device
// thread's 64 KiB stack: the folders are made until the path limit, where the
// entry that would pass it fails the extraction.
TEST_F(UnzipTest, EntriesNestedBeyondThePathLimitOnASmallStack) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "name = ''\nfor i in range(1000):\n    name += 'd/'\n    add(name, attr=0x10)"));
    int result = -1;
    testing_support::RunOnStackOf(64 * 1024, [&] { result = Extract(); });

    EXPECT_EQ(result, 0);
    const Lines lines = log.MaskedLines();
    ASSERT_EQ(lines.size(), 2u);
    // The "." is the progress mark after the first hundred entries.
    EXPECT_EQ(lines[0].rfind(".UnzipFile(): !!! Path too long, folder=[\\NandFlash\\Merrow\\Images_], name=[d\\d\\", 0),
              0u)
        << lines[0];
    EXPECT_EQ(lines[1], UnzipFailedLine());
    std::wstring hundredDeep = Output(L"d");
    for (int level = 2; level <= 100; ++level) hundredDeep += L"\\d";
    EXPECT_TRUE(device.Exists(hundredDeep));
}

// An entry named `stored` between two harmless ones: refused with the name
// as logged, nothing written but the entry before it.
UnzipCase LeavesTheOutputFolder(const char* name, const std::string& stored, const std::string& logged,
                                DWORD attributes = 0) {
    UnzipCase row = RefusedAfterOk(name, stored, "UnzipFile(): !!! Unsafe entry name=[" + logged + "], at=[*]");
    row.entries[1].externalAttributes = attributes;
    row.entries.push_back({.name = "after.txt", .data = "after"});
    return row;
}

// A name that does not fit its buffer is refused whole, not cut.
const std::string kBeyondItsBuffer = "UnzipFile(): !!! Invalid entry name, error=[34], at=[*]";

INSTANTIATE_TEST_SUITE_P(
    Safety, UnzipCaseTest,
    ::testing::Values(
        LeavesTheOutputFolder("ParentFolderIsRefused", "../evil.txt", "..\\evil.txt"),
        LeavesTheOutputFolder("ClimbOutOfASubFolderIsRefused", "Icons/../../evil.txt", "Icons\\..\\..\\evil.txt"),
        LeavesTheOutputFolder("FolderInTheParentIsRefused", "../Evil/", "..\\Evil\\", FILE_ATTRIBUTE_DIRECTORY),
        LeavesTheOutputFolder("AbsoluteNameIsRefused", "/NandFlash/evil.txt", "\\NandFlash\\evil.txt"),
        LeavesTheOutputFolder("AbsoluteBackslashNameIsRefused", "\\NandFlash\\evil.txt", "\\NandFlash\\evil.txt"),
        LeavesTheOutputFolder("DriveNameIsRefused", "C:/evil.txt", "C:\\evil.txt"),
        LeavesTheOutputFolder("DriveRelativeNameIsRefused", "C:evil.txt", "C:evil.txt"),
        LeavesTheOutputFolder("ThreeDotsAreRefused", "Icons/.../evil.txt", "Icons\\...\\evil.txt"),
        LeavesTheOutputFolder("DotsWithASpaceAreRefused", "Icons/.. /evil.txt", "Icons\\.. \\evil.txt"),
        LeavesTheOutputFolder("BareParentFolderIsRefused", "..", "..", FILE_ATTRIBUTE_DIRECTORY),
        // FAT drops a name's trailing dots: the folder "c.." is "c".
        UnzipCase{.name = "HarmlessDotsAreNotRefused",
                  .entries = {{.name = "..b.txt", .data = "b"}, {.name = "c../d..txt", .data = "d"}}, .result = 1,
                  .files = {{L"..b.txt", "b"}, {L"c\\d..txt", "d"}}},
        UnzipCase{.name = "TransferBufferThatCannotBeAllocated", .python = "add('a.txt', b'A')",
                  .failing = host::Op::LocalAlloc, .failure = ERROR_NOT_ENOUGH_MEMORY,
                  .log = {"UnZipFile(): !!! Failed to create unzipper, at=[*]"},
                  .tree = {"NandFlash", "NandFlash/Work", "NandFlash/Work/AppImages.zi"}},
        // 141 characters, 281 bytes: the library would hand out 260 bytes.
        RefusedAfterOk("StoredNameLongerThanItsBuffer", Repeat("Ж", 70) + "/" + Repeat("Ж", 70), kBeyondItsBuffer),
        // 260 bytes arrive whole, but 260 characters leave no room for the zero.
        RefusedAfterOk("ConvertedNameWithoutRoomForItsZero", std::string(100, 'a') + "/" + std::string(159, 'b'),
                       kBeyondItsBuffer)),
    CaseName);

}  // namespace
}  // namespace unzip_testing
