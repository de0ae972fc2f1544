// The Unzipper's states and its helpers: the archive and output folder
// across Open, SetOutputFolder and Close; EnsureFolder; the MS-DOS
// date-time; the entry-name test.
#include <gtest/gtest.h>

#include "unzip_fixture.h"
#include "entry_name.h"
#include "unzipper.h"

namespace unzip_testing {
namespace {

TEST_F(UnzipTest, OutputFolderFollowsOpenSetAndClose) {
    ASSERT_TRUE(MakePythonZip(HostArchive(), "add('a.txt', b'A')\nadd('b.txt', b'B')"));
    Unzipper unzipper;
    ASSERT_TRUE(unzipper.IsUsable());
    EXPECT_STREQ(unzipper.OutputFolder(), L"");
    EXPECT_FALSE(unzipper.UnzipAll());
    EXPECT_FALSE(unzipper.Close());

    ASSERT_TRUE(unzipper.Open(kArchive));
    EXPECT_STREQ(unzipper.OutputFolder(), L"\\NAND Disk");
    EXPECT_FALSE(device.Exists(L"\\NAND Disk"));
    EXPECT_EQ(unzipper.GetEntryCount(), 2u);

    EXPECT_TRUE(unzipper.SetOutputFolder(kOutput));
    device.WriteFile(L"\\NandFlash\\file", "");
    EXPECT_FALSE(unzipper.SetOutputFolder(L"\\NandFlash\\file"));
    EXPECT_STREQ(unzipper.OutputFolder(), kOutput);

    // The current entry goes to the given folder, or to the output folder.
    ASSERT_TRUE(unzipper.GoToFirstEntry());
    EXPECT_TRUE(unzipper.UnzipFile(L"\\NandFlash\\Other"));
    ASSERT_TRUE(unzipper.GoToNextEntry());
    EXPECT_TRUE(unzipper.UnzipFile(nullptr));
    EXPECT_FALSE(unzipper.GoToNextEntry());
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Other\\a.txt"), "A");
    EXPECT_EQ(device.ReadFile(Output(L"b.txt")), "B");

    // A failed Open leaves no archive and no folder behind it.
    EXPECT_FALSE(unzipper.Open(L"\\NandFlash\\missing.zi"));
    EXPECT_STREQ(unzipper.OutputFolder(), L"");
    EXPECT_EQ(unzipper.GetEntryCount(), 0u);
    EXPECT_FALSE(unzipper.GoToFirstEntry());

    ASSERT_TRUE(unzipper.Open(kArchive));
    ASSERT_TRUE(unzipper.Open(kArchive));
    EXPECT_TRUE(unzipper.Close());
    EXPECT_STREQ(unzipper.OutputFolder(), L"");
    EXPECT_FALSE(unzipper.Close());
    EXPECT_EQ(log.Text(), "");
}

TEST_F(UnzipTest, EntryInfoCarriesTheStoredRecord) {
    ASSERT_TRUE(MakeMinizipZip(HostArchive(), {{.name = "Icons/Small/", .data = "", .externalAttributes = 0x10, .dosDateTime = 0x5421A000},
                                               {.name = "Icons/a.png", .data = std::string(1000, 'a'),
                                                .externalAttributes = 0x21}}));
    Unzipper unzipper;
    ASSERT_TRUE(unzipper.Open(kArchive));
    EntryInfo info;
    ASSERT_TRUE(unzipper.GoToFirstEntry());
    ASSERT_TRUE(unzipper.GetCurrentEntryInfo(&info));
    EXPECT_STREQ(info.name, "Icons\\Small\\");
    EXPECT_EQ(info.isFolder, 1);
    EXPECT_EQ(info.dosDateTime, 0x5421A000u);
    ASSERT_TRUE(unzipper.GoToNextEntry());
    ASSERT_TRUE(unzipper.GetCurrentEntryInfo(&info));
    EXPECT_STREQ(info.name, "Icons\\a.png");
    EXPECT_EQ(info.isFolder, 0);
    EXPECT_EQ(info.externalAttributes, 0x21u);
    EXPECT_EQ(info.compressionMethod, 8u);
    EXPECT_EQ(info.uncompressedSize, 1000u);
    EXPECT_EQ(info.crc32, ReferenceCrc32(std::string(1000, 'a')));
    EXPECT_EQ(info.nameSize, 11u);
}

TEST_F(UnzipTest, EnsureFolderCreatesTopDownAndRefusesFiles) {
    EXPECT_FALSE(EnsureFolder(nullptr));
    EXPECT_FALSE(EnsureFolder(L""));
    EXPECT_TRUE(EnsureFolder(L"\\"));
    // Trailing white space, then trailing separators, are dropped.
    EXPECT_TRUE(EnsureFolder(L"\\NandFlash\\A\\B\\\\ \t"));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\A\\B"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(EnsureFolder(L"\\NandFlash\\A\\\\C\\"));
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash\\A\\C"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    // A path as deep as the limit allows, every level missing.
    std::wstring deep = L"\\Deep";
    while (deep.size() + 2 < MAX_PATH) deep += L"\\d";
    EXPECT_TRUE(EnsureFolder(deep.c_str()));
    EXPECT_EQ(GetFileAttributesW(deep.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    device.WriteFile(L"\\NandFlash\\A\\file", "");
    EXPECT_FALSE(EnsureFolder(L"\\NandFlash\\A\\file"));
    EXPECT_FALSE(EnsureFolder(L"\\NandFlash\\A\\file\\below"));
    // Without any separator there is no parent to create it in.
    EXPECT_TRUE(EnsureFolder(L"relative"));
    EXPECT_FALSE(device.Exists(L"\\relative"));
}

TEST(DosTimeToFileTime, FieldsOutOfRangeAndImpossibleDates) {
    auto date = [](int year, int month, int day) { return static_cast<WORD>(((year - 1980) << 9) | (month << 5) | day); };
    auto time = [](int hour, int minute, int second) { return static_cast<WORD>((hour << 11) | (minute << 5) | (second / 2)); };

    FILETIME converted{};
    ASSERT_TRUE(DosTimeToFileTime(date(2024, 2, 29), time(23, 59, 58), &converted));
    SYSTEMTIME calendar{};
    ASSERT_TRUE(FileTimeToSystemTime(&converted, &calendar));
    EXPECT_EQ(calendar.wYear, 2024);
    EXPECT_EQ(calendar.wMonth, 2);
    EXPECT_EQ(calendar.wDay, 29);
    EXPECT_EQ(calendar.wHour, 23);
    EXPECT_EQ(calendar.wMinute, 59);
    EXPECT_EQ(calendar.wSecond, 58);

    const struct {
        WORD date;
        WORD time;
        const char* why;
    } invalid[] = {
        {0, 0, "all zero: day 0, month 0"},
        {date(2020, 13, 1), 0, "month 13"},
        {static_cast<WORD>(date(2020, 1, 1) & ~0x1F), 0, "day 0"},
        {date(2020, 1, 1), static_cast<WORD>(30), "second 60"},
        {date(2020, 1, 1), time(0, 60, 0), "minute 60"},
        {date(2020, 1, 1), time(24, 0, 0), "hour 24"},
        {date(2022, 4, 31), 0, "31 April"},
        {date(2021, 2, 29), 0, "29 February of a common year"},
    };
    for (const auto& row : invalid) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(DosTimeToFileTime(row.date, row.time, &converted)) << row.why;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << row.why;
    }
}

TEST_F(UnzipTest, SetFileTimeFromDosChangesNothingOnFailure) {
    device.WriteFile(L"\\NandFlash\\t.txt", "t");
    HANDLE file = CreateFileW(L"\\NandFlash\\t.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME before{}, after{}, unused{};
    ASSERT_TRUE(GetFileTime(file, &unused, &unused, &before));
    CloseHandle(file);

    EXPECT_FALSE(SetFileTimeFromDos(L"\\NandFlash\\t.txt", 0));
    EXPECT_FALSE(SetFileTimeFromDos(L"\\NandFlash\\missing.txt", 0x52CF6000));
    file = CreateFileW(L"\\NandFlash\\t.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(GetFileTime(file, &unused, &unused, &after));
    CloseHandle(file);
    EXPECT_EQ(after.dwLowDateTime, before.dwLowDateTime);
    EXPECT_EQ(after.dwHighDateTime, before.dwHighDateTime);

    EXPECT_TRUE(SetFileTimeFromDos(L"\\NandFlash\\t.txt", 0x52CF6000));
}

TEST(IsSafeEntryName, RefusesWhatClimbsOrIsAbsolute) {
    for (const wchar_t* name : {L"a.txt", L"Icons\\a.png", L"..a", L"a..", L"a\\b..\\c", L".\\a", L". \\a", L"a\\",
                                L"Шрифт\\файл.ttf"}) {
        EXPECT_TRUE(IsSafeEntryName(name)) << static_cast<const void*>(name);
    }
    for (const wchar_t* name : {L"..", L"..\\a", L"a\\..", L"a\\..\\..\\b", L"\\a", L"/a", L"a/../b", L"C:\\a",
                                L"a\\b:stream", L"...", L".. ", L" ..", L"a\\. .\\b"}) {
        EXPECT_FALSE(IsSafeEntryName(name)) << static_cast<const void*>(name);
    }
}

}  // namespace
}  // namespace unzip_testing
