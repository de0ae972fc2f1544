// UnZipFile on single entries: contents, attributes and times, damaged or
// unreadable data, a full volume, and the progress marks.
#include <gtest/gtest.h>

#include "unzip_fixture.h"
#include "ruvexa_host.h"
#include "unzip_file.h"

namespace unzip_testing {
namespace {

FILETIME LastWriteOf(const std::wstring& path) {
    FILETIME creation{}, access{}, write{};
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(GetFileTime(file, &creation, &access, &write));
    CloseHandle(file);
    return write;
}

SYSTEMTIME CalendarOf(const FILETIME& time) {
    SYSTEMTIME calendar{};
    EXPECT_TRUE(FileTimeToSystemTime(&time, &calendar));
    return calendar;
}

// The universal time of a local calendar time, through the platform.
FILETIME UniversalOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME calendar{year, month, 0, day, hour, minute, second, 0};
    FILETIME local{}, universal{};
    EXPECT_TRUE(SystemTimeToFileTime(&calendar, &local));
    EXPECT_TRUE(LocalFileTimeToFileTime(&local, &universal));
    return universal;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

TEST_F(UnzipTest, EmptyEntryAndReadOnlyEntryGetTheirAttributesAndTimes) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('empty.txt', b'', attr=0x20, date=(2019, 3, 4, 5, 6, 8))\n"
                                             "add('locked.bin', b'data', attr=0x21)\n"
                                             "add('unix.txt', b'u', attr=(0o100644 << 16))"));
    EXPECT_EQ(Extract(), 1);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(device.ReadFile(Output(L"empty.txt")), "");
    EXPECT_TRUE(LastWriteOf(Output(L"empty.txt")) == UniversalOf(2019, 3, 4, 5, 6, 8));
    EXPECT_EQ(device.ReadFile(Output(L"locked.bin")), "data");

    const DWORD archiveBit = device.KeepsExtendedAttributes() ? FILE_ATTRIBUTE_ARCHIVE : 0;
    EXPECT_EQ(GetFileAttributesW(Output(L"locked.bin").c_str()), FILE_ATTRIBUTE_READONLY | archiveBit);
    EXPECT_EQ(GetFileAttributesW(Output(L"empty.txt").c_str()), archiveBit ? archiveBit : FILE_ATTRIBUTE_NORMAL);
    // The host's own high word (a Unix mode) carries no device attribute.
    EXPECT_EQ(GetFileAttributesW(Output(L"unix.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(Output(L"locked.bin").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(UnzipTest, DatesArriveAsStoredOrLeaveTheFileTimesAlone) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('january.txt', b'j', date=(2022, 1, 15, 10, 20, 30))\n"
                                             "add('zero.txt', b'z', date=(1980, 0, 0, 0, 0, 0))\n"
                                             "add('april31.txt', b'a', date=(2022, 4, 31, 9, 0, 0))"));
    EXPECT_EQ(Extract(), 1);
    EXPECT_EQ(log.Text(), "");

    FILETIME january = LastWriteOf(Output(L"january.txt"));
    EXPECT_TRUE(january == UniversalOf(2022, 1, 15, 10, 20, 30));
    EXPECT_EQ(CalendarOf(january).wMonth, 1);
    EXPECT_EQ(CalendarOf(january).wYear, 2022);

    // Both files keep the time they got when they were written.
    for (const wchar_t* name : {L"zero.txt", L"april31.txt"}) {
        EXPECT_GE(CalendarOf(LastWriteOf(Output(name))).wYear, 2024) << name;
    }
    EXPECT_EQ(device.ReadFile(Output(L"zero.txt")), "z");
    EXPECT_EQ(device.ReadFile(Output(L"april31.txt")), "a");
}

TEST_F(UnzipTest, EncryptedEntryIsReadUndecryptedAndFails) {
    device.WriteFile(L"\\NandFlash\\Src\\secret.txt", std::string(3000, 's'));
    ASSERT_TRUE(RunInfoZip(device.Host(L"\\NandFlash\\Src"), "-0 -P password '" + HostArchive() + "' secret.txt"));
    EXPECT_EQ(Extract(), 0);
    // Stored data with the cipher's header in front cannot match its CRC-32.
    EXPECT_EQ(log.MaskedLines(), (Lines{EntryLine("secret.txt", "==> Failed [-105]!!"), UnzipFailedLine()}));
    EXPECT_NE(device.ReadFile(Output(L"secret.txt")), std::string(3000, 's'));
}

TEST_F(UnzipTest, ProgressMarkAfterEveryHundredthEntry) {
    const struct {
        int entries;
        const char* log;
    } rows[] = {{99, ""}, {100, "."}, {200, ".."}, {250, ".."}};
    for (const auto& row : rows) {
        ASSERT_TRUE(MakePythonZip(HostArchive(), "for i in range(" + std::to_string(row.entries) +
                                                     "):\n    add('f%03d.txt' % i, b'%d' % i)"));
        log.Clear();
        EXPECT_EQ(Extract(), 1) << row.entries;
        EXPECT_EQ(log.Text(), row.log) << row.entries;
        EXPECT_EQ(device.ReadFile(Output(L"f098.txt")), "98");
    }
}

// The installation's progress: every entry written counts once, of as many
// as the archive says it holds; an archive that cannot be opened holds none.
TEST_F(UnzipTest, ProgressCountsEveryEntryWrittenOfTheArchivesCount) {
    for (int entries : {1, 150}) {
        ASSERT_TRUE(MakePythonZip(HostArchive(), "for i in range(" + std::to_string(entries) +
                                                     "):\n    add('f%03d.txt' % i, b'%d' % i)"));
        StageProgress progress;
        EXPECT_EQ(CountZipEntries(kArchive), static_cast<DWORD>(entries));
        EXPECT_EQ(UnZipFile(kArchive, kOutput, &progress), 1);
        EXPECT_EQ(progress.Done(), static_cast<DWORD>(entries));
        EXPECT_EQ(progress.Items(), static_cast<DWORD>(entries));
    }
    EXPECT_EQ(CountZipEntries(L"\\NandFlash\\Work\\missing.zi"), 0u);
}

const std::string kInflatesWell = "inflates without complaint";

// `data` deflated, stored with its right CRC-32 or one that is wrong.
MinizipEntry Deflated(const std::string& data, bool rightCrc) {
    return {.name = "wrong.txt", .data = Deflate(data), .raw = true, .crc = ReferenceCrc32(data) ^ (rightCrc ? 0 : 1),
            .uncompressedSize = static_cast<DWORD>(data.size())};
}

// A method the library cannot unpack leaves an empty file: LZMA is refused
// by the library itself; bzip2 would be handed out as its compressed bytes
// by a minizip built without bzip2.
UnzipCase UnsupportedMethod(const char* name, const std::string& method) {
    return {.name = name,
            .python = "add('first.txt', b'1')\nadd('packed.bin', b'x' * 5000, method=zipfile." + method + ")",
            .log = {"==> unzOpenCurrentFile Failed", UnzipTest::UnzipFailedLine()},
            .files = {{L"first.txt", "1"}, {L"packed.bin", ""}}};
}

// A failed write or flush of `name`: its lines and the archive's.
Lines FailedEntry(const std::string& name, const std::string& call, const char* error) {
    return {UnzipTest::EntryLine(name, "==> " + call + " Failed !! error = [" + error + "]"),
            UnzipTest::EntryLine(name, "==> Failed [-1]!!"), UnzipTest::UnzipFailedLine()};
}

INSTANTIATE_TEST_SUITE_P(
    Entries, UnzipCaseTest,
    ::testing::Values(
        // Block type 3 does not exist: inflate reports Z_DATA_ERROR.
        UnzipCase{.name = "CorruptDeflateDataFailsWithTheLibraryStatus",
                  .entries = {{.name = "good.txt", .data = "good"},
                              {.name = "bad.bin", .data = std::string("\x07\x00\x00\x00\x00\x00", 6), .raw = true,
                               .crc = 0x12345678, .uncompressedSize = 100},
                              {.name = "after.txt", .data = "after"}},
                  .log = {UnzipTest::EntryLine("bad.bin", "==> Failed [-3]!!"), UnzipTest::UnzipFailedLine()},
                  .files = {{L"good.txt", "good"}}, .present = {L"bad.bin"}, .absent = {L"after.txt"}},
        // The written file stays, without the entry's times or attributes.
        UnzipCase{.name = "DataThatFailsItsChecksumIsNotASuccess", .entries = {Deflated(kInflatesWell, false)},
                  .log = {UnzipTest::EntryLine("wrong.txt", "==> Failed [-105]!!"), UnzipTest::UnzipFailedLine()},
                  .files = {{L"wrong.txt", kInflatesWell}}},
        UnzipCase{.name = "TheSameDataWithItsRightChecksumIsASuccess", .entries = {Deflated(kInflatesWell, true)},
                  .result = 1},
        UnsupportedMethod("LzmaLeavesAnEmptyFile", "ZIP_LZMA"),
        UnsupportedMethod("Bzip2LeavesAnEmptyFile", "ZIP_BZIP2"),
        // small.txt takes the first write, big.bin's first chunk the second.
        UnzipCase{.name = "FullDiskInTheMiddleOfAnEntry",
                  .entries = {{.name = "small.txt", .data = "small"},
                              {.name = "big.bin", .data = RandomBytes(200000, 7)},
                              {.name = "after.txt", .data = "after"}},
                  .failure = ERROR_DISK_FULL, .failingCall = 3,
                  .log = {UnzipTest::EntryLine("big.bin", "==> WriteFile Failed !! error = [112]"),
                          "There is not enough space on the disk.",
                          UnzipTest::EntryLine("big.bin", "==> Failed [-1]!!"), UnzipTest::UnzipFailedLine()},
                  .files = {{L"small.txt", "small"}, {L"big.bin", RandomBytes(200000, 7).substr(0, 65536)}},
                  .absent = {L"after.txt"}},
        UnzipCase{.name = "OtherWriteFailureHasNoDiskFullLine", .entries = {{.name = "a.bin", .data = "a"}},
                  .failure = ERROR_ACCESS_DENIED, .log = FailedEntry("a.bin", "WriteFile", "5")},
        // Every file is flushed before it is closed; one whose data may not
        // have reached the media fails like a failed write.
        UnzipCase{.name = "FailedFlushFailsTheEntry",
                  .entries = {{.name = "first.txt", .data = "first"}, {.name = "second.txt", .data = "second"},
                              {.name = "third.txt", .data = "third"}},
                  .failing = host::Op::FlushFileBuffers, .failure = ERROR_DISK_FULL, .failingCall = 2,
                  .log = FailedEntry("second.txt", "FlushFileBuffers", "112"), .files = {{L"first.txt", "first"}},
                  .absent = {L"third.txt"}}),
    CaseName);

}  // namespace
}  // namespace unzip_testing
