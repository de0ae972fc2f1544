// The dry volume, one row per behaviour: a file call on a dry volume set up
// by the row, its result and last error together, what the records hold
// afterwards, and a device root on the host left empty.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fs_test_helpers.h"
#include "ruvexa_dry_volume.h"
#include "ruvexa_host.h"
#include "test_support.h"

namespace {

using Lines = std::vector<std::string>;

enum class Call {
    CreateFolder,  // CreateDirectoryW(path)
    CreateFile,    // CreateFileW(path, GENERIC_WRITE, disposition), then `writeBytes` written and closed
    OpenTwice,     // CreateFileW(path) with no sharing, then again for reading: the second is judged
    Delete,        // DeleteFileW(path)
    RemoveFolder,  // RemoveDirectoryW(path)
    Move,          // MoveFileW(path, other)
    SetAttributes, // SetFileAttributesW(path, attributes)
    GetAttributes, // GetFileAttributesW(path): `seen` is the word in hexadecimal
    Read,          // CreateFileW(path, GENERIC_READ) and ReadFile of up to 64 bytes: `seen` is what was read
    Find,          // FindFirstFileW(path) and FindNextFileW: `seen` is the names found, separated by ","
};

struct DryRow {
    const char* name;
    // Made through the layer before the call: a path ending in "\" is a
    // folder, any other a file holding `madeBytes` bytes.
    std::vector<std::wstring> made = {};
    DWORD madeBytes = 0;
    std::vector<std::pair<std::wstring, DWORD>> madeAttributes = {};
    // Files added from the host: the device path and the host file's text.
    std::vector<std::pair<std::wstring, std::string>> hostFiles = {};
    Call call;
    std::wstring path;
    std::wstring other = L"";
    DWORD disposition = CREATE_NEW;
    DWORD writeBytes = 0;
    DWORD attributes = 0;
    bool ok;
    DWORD error = ERROR_SUCCESS;  // the last error after a failure
    std::string seen = "";
    Lines listing = {};  // the records afterwards
    // The host's own file functions on a device folder do otherwise (they
    // keep the data): the row is not run there.
    bool dryOnly = false;
};

void PrintTo(const DryRow& row, std::ostream* out) { *out << row.name; }

// A path of exactly `units` units below "\NandFlash\".
std::wstring PathOfUnits(size_t units) {
    const std::wstring folder = L"\\NandFlash\\";
    return folder + std::wstring(units - folder.size(), L'n');
}

std::string Hex(DWORD value) {
    char text[16];
    snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
    return text;
}

void Make(const DryRow& row) {
    for (const auto& path : row.made) {
        if (path.ends_with(L'\\')) {
            ASSERT_TRUE(CreateDirectoryW(path.substr(0, path.size() - 1).c_str(), nullptr)) << host::WideToUtf8(path);
            continue;
        }
        HANDLE file = fs_test::Open(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << host::WideToUtf8(path);
        ASSERT_TRUE(fs_test::WriteText(file, std::string(row.madeBytes, 'x')));
        CloseHandle(file);
    }
    for (const auto& [path, attributes] : row.madeAttributes) {
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << host::WideToUtf8(path);
    }
}

// Runs the row's call; its result, with what it saw in `seen`.
bool RunCall(const DryRow& row, std::string* seen) {
    const LPCWSTR path = row.path.c_str();
    switch (row.call) {
        case Call::CreateFolder: return CreateDirectoryW(path, nullptr);
        case Call::CreateFile: {
            HANDLE file = fs_test::Open(path, GENERIC_WRITE, 0, row.disposition);
            if (file == INVALID_HANDLE_VALUE) return false;
            const bool written = fs_test::WriteText(file, std::string(row.writeBytes, 'w'));
            DWORD high = 0;
            *seen = std::to_string(GetFileSize(file, &high));
            return CloseHandle(file) && written;
        }
        case Call::OpenTwice: {
            HANDLE first = fs_test::Open(path, GENERIC_WRITE, 0, OPEN_EXISTING);
            if (first == INVALID_HANDLE_VALUE) return false;
            HANDLE second = fs_test::Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
            const DWORD error = GetLastError();
            if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
            CloseHandle(first);
            SetLastError(error);
            return second != INVALID_HANDLE_VALUE;
        }
        case Call::Delete: return DeleteFileW(path);
        case Call::RemoveFolder: return RemoveDirectoryW(path);
        case Call::Move: return MoveFileW(path, row.other.c_str());
        case Call::SetAttributes: return SetFileAttributesW(path, row.attributes);
        case Call::GetAttributes: {
            const DWORD attributes = GetFileAttributesW(path);
            *seen = Hex(attributes);
            return attributes != INVALID_FILE_ATTRIBUTES;
        }
        case Call::Read: {
            HANDLE file = fs_test::Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
            if (file == INVALID_HANDLE_VALUE) return false;
            char buffer[64];
            DWORD read = 0;
            const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
            const DWORD error = GetLastError();
            seen->assign(buffer, read);
            CloseHandle(file);
            SetLastError(error);
            return ok;
        }
        case Call::Find: {
            WIN32_FIND_DATAW entry;
            HANDLE search = FindFirstFileW(path, &entry);
            if (search == INVALID_HANDLE_VALUE) return false;
            do {
                *seen += (seen->empty() ? "" : ",") + host::WideToUtf8(entry.cFileName);
            } while (FindNextFileW(search, &entry));
            FindClose(search);
            return true;
        }
    }
    return false;
}

const Lines kVolume = {"\\NandFlash\\"};

const std::vector<DryRow>& Rows() {
    static const std::vector<DryRow> rows = {
        // What is recorded.
        {.name = "FolderIsRecordedWithItsParentsLeftToTheCaller",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFolder, .path = L"\\NandFlash\\Images", .ok = true,
         .listing = {"\\NandFlash\\", "\\NandFlash\\Images\\"}},
        {.name = "FolderNeedsItsParent",
         .call = Call::CreateFolder, .path = L"\\NandFlash\\Images", .ok = false, .error = ERROR_PATH_NOT_FOUND},
        {.name = "WriteIsCountedAndDiscarded",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFile, .path = L"\\NandFlash\\a.bmp", .writeBytes = 1000,
         .ok = true, .seen = "1000", .listing = {"\\NandFlash\\", "\\NandFlash\\a.bmp 1000"}},
        {.name = "OverwritingStartsFromNothing",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a.bmp"}, .madeBytes = 500, .call = Call::CreateFile,
         .path = L"\\NandFlash\\A.BMP", .disposition = CREATE_ALWAYS, .writeBytes = 20, .ok = true, .seen = "20",
         .listing = {"\\NandFlash\\", "\\NandFlash\\a.bmp 20"}},
        {.name = "TrailingDotsAndSpacesAreDropped",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFile, .path = L"\\NandFlash\\b.txt. ", .ok = true,
         .seen = "0", .listing = {"\\NandFlash\\", "\\NandFlash\\b.txt 0"}},
        {.name = "NewFileCarriesTheArchiveBit",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a.bmp"}, .call = Call::GetAttributes,
         .path = L"\\NandFlash\\a.bmp", .ok = true, .seen = "0x20", .listing = {"\\NandFlash\\", "\\NandFlash\\a.bmp 0"}},
        {.name = "FolderReportsItself",
         .made = {L"\\NandFlash\\"}, .call = Call::GetAttributes, .path = L"\\nandflash\\", .ok = true,
         .seen = "0x10", .listing = kVolume},
        {.name = "AttributesAreKept",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a.bmp"},
         .madeAttributes = {{L"\\NandFlash\\a.bmp", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | 0x81A40000}},
         .call = Call::GetAttributes, .path = L"\\NandFlash\\a.bmp", .ok = true, .seen = "0x3",
         .listing = {"\\NandFlash\\", "\\NandFlash\\a.bmp 0"}},
        {.name = "FindListsTheRecordsInOrder",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\b.bmp", L"\\NandFlash\\A.bmp", L"\\NandFlash\\c.txt",
                  L"\\NandFlash\\Sub\\"},
         .call = Call::Find, .path = L"\\NandFlash\\*.BMP", .ok = true, .seen = "A.bmp,b.bmp",
         .listing = {"\\NandFlash\\", "\\NandFlash\\A.bmp 0", "\\NandFlash\\b.bmp 0", "\\NandFlash\\c.txt 0",
                     "\\NandFlash\\Sub\\"}},
        {.name = "FindOfOneNameIgnoresCase",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\Image.BMP"}, .call = Call::Find,
         .path = L"\\NANDFLASH\\image.bmp", .ok = true, .seen = "Image.BMP",
         .listing = {"\\NandFlash\\", "\\NandFlash\\Image.BMP 0"}},
        {.name = "FindOfAMissingNameFindsNothing",
         .made = {L"\\NandFlash\\"}, .call = Call::Find, .path = L"\\NandFlash\\a.bmp", .ok = false,
         .error = ERROR_FILE_NOT_FOUND, .listing = kVolume},
        // Paths the device refuses.
        {.name = "PathOfMaxPathUnitsIsTooLong",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFile, .path = PathOfUnits(MAX_PATH), .ok = false,
         .error = ERROR_FILENAME_EXCED_RANGE, .listing = kVolume},
        {.name = "PathOneUnitShorterFits",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFolder, .path = PathOfUnits(MAX_PATH - 1), .ok = true,
         .listing = {"\\NandFlash\\", host::WideToUtf8(PathOfUnits(MAX_PATH - 1)) + "\\"}},
        {.name = "NameLongerThanTheHostTakesIsTooLong",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFile, .path = L"\\NandFlash\\" + std::wstring(86, L'\u20ac'),
         .ok = false, .error = ERROR_FILENAME_EXCED_RANGE, .listing = kVolume},
        {.name = "NameWithAColonIsRefused",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFile, .path = L"\\NandFlash\\a:b", .ok = false,
         .error = ERROR_INVALID_NAME, .listing = kVolume},
        {.name = "DotDotIsRefused",
         .made = {L"\\NandFlash\\"}, .call = Call::CreateFolder, .path = L"\\NandFlash\\..\\x", .ok = false,
         .error = ERROR_INVALID_NAME, .listing = kVolume},
        // A file where a folder is, and the other way round.
        {.name = "FileWhereAFolderIsNeeded",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a"}, .call = Call::CreateFolder, .path = L"\\NandFlash\\a\\b",
         .ok = false, .error = ERROR_PATH_NOT_FOUND, .listing = {"\\NandFlash\\", "\\NandFlash\\a 0"}},
        {.name = "FolderWhereANewFileShouldBe",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\"}, .call = Call::CreateFile, .path = L"\\NandFlash\\A",
         .ok = false, .error = ERROR_FILE_EXISTS, .listing = {"\\NandFlash\\", "\\NandFlash\\a\\"}},
        {.name = "FolderCannotBeOverwritten",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\"}, .call = Call::CreateFile, .path = L"\\NandFlash\\a",
         .disposition = CREATE_ALWAYS, .ok = false, .error = ERROR_ACCESS_DENIED,
         .listing = {"\\NandFlash\\", "\\NandFlash\\a\\"}},
        {.name = "FileNamedAsAFolderIsNoFile",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a"}, .call = Call::GetAttributes, .path = L"\\NandFlash\\a\\",
         .ok = false, .error = ERROR_INVALID_NAME, .seen = "0xffffffff",
         .listing = {"\\NandFlash\\", "\\NandFlash\\a 0"}},
        {.name = "FolderExistsAlready",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\"}, .call = Call::CreateFolder, .path = L"\\NandFlash\\A",
         .ok = false, .error = ERROR_ALREADY_EXISTS, .listing = {"\\NandFlash\\", "\\NandFlash\\a\\"}},
        // Deletes and moves update the records.
        {.name = "DeleteForgetsTheFile",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a.bmp"}, .call = Call::Delete, .path = L"\\NandFlash\\A.bmp",
         .ok = true, .listing = kVolume},
        {.name = "ReadOnlyFileStays",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a.bmp"},
         .madeAttributes = {{L"\\NandFlash\\a.bmp", FILE_ATTRIBUTE_READONLY}}, .call = Call::Delete,
         .path = L"\\NandFlash\\a.bmp", .ok = false, .error = ERROR_ACCESS_DENIED,
         .listing = {"\\NandFlash\\", "\\NandFlash\\a.bmp 0"}},
        {.name = "DeleteOfAFolderIsRefused",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\"}, .call = Call::Delete, .path = L"\\NandFlash\\a",
         .ok = false, .error = ERROR_ACCESS_DENIED, .listing = {"\\NandFlash\\", "\\NandFlash\\a\\"}},
        {.name = "FolderWithEntriesStays",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\", L"\\NandFlash\\a\\b"}, .call = Call::RemoveFolder,
         .path = L"\\NandFlash\\a", .ok = false, .error = ERROR_DIR_NOT_EMPTY,
         .listing = {"\\NandFlash\\", "\\NandFlash\\a\\", "\\NandFlash\\a\\b 0"}},
        {.name = "EmptyFolderGoes",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\"}, .call = Call::RemoveFolder, .path = L"\\NandFlash\\a",
         .ok = true, .listing = kVolume},
        {.name = "MoveTakesTheFolderWithItsEntries",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\", L"\\NandFlash\\a\\b"}, .madeBytes = 7, .call = Call::Move,
         .path = L"\\NandFlash\\a", .other = L"\\NandFlash\\c", .ok = true,
         .listing = {"\\NandFlash\\", "\\NandFlash\\c\\", "\\NandFlash\\c\\b 7"}},
        {.name = "MoveChangesTheCase",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a.bmp"}, .call = Call::Move, .path = L"\\NandFlash\\a.bmp",
         .other = L"\\NandFlash\\A.BMP", .ok = true, .listing = {"\\NandFlash\\", "\\NandFlash\\A.BMP 0"}},
        {.name = "MoveNeverReplaces",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a", L"\\NandFlash\\b"}, .call = Call::Move,
         .path = L"\\NandFlash\\a", .other = L"\\NandFlash\\B", .ok = false, .error = ERROR_ALREADY_EXISTS,
         .listing = {"\\NandFlash\\", "\\NandFlash\\a 0", "\\NandFlash\\b 0"}},
        {.name = "FolderCannotMoveIntoItself",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\"}, .call = Call::Move, .path = L"\\NandFlash\\a",
         .other = L"\\NandFlash\\a\\b", .ok = false, .error = ERROR_ACCESS_DENIED,
         .listing = {"\\NandFlash\\", "\\NandFlash\\a\\"}},
        {.name = "FolderStaysOnItsVolume",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a\\", L"\\Hard Disk\\"}, .call = Call::Move,
         .path = L"\\NandFlash\\a", .other = L"\\Hard Disk\\a", .ok = false, .error = ERROR_NOT_SAME_DEVICE,
         .listing = {"\\Hard Disk\\", "\\NandFlash\\", "\\NandFlash\\a\\"}},
        {.name = "FileMovesToAnotherVolume",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a", L"\\Hard Disk\\"}, .madeBytes = 3, .call = Call::Move,
         .path = L"\\NandFlash\\a", .other = L"\\Hard Disk\\a", .ok = true,
         .listing = {"\\Hard Disk\\", "\\Hard Disk\\a 3", "\\NandFlash\\"}},
        // Reads and share modes.
        {.name = "DiscardedDataCannotBeRead",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a"}, .madeBytes = 10, .call = Call::Read,
         .path = L"\\NandFlash\\a", .ok = false, .error = ERROR_NOT_SUPPORTED,
         .listing = {"\\NandFlash\\", "\\NandFlash\\a 10"}, .dryOnly = true},
        {.name = "EmptyFileReadsAsEmpty",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a"}, .call = Call::Read, .path = L"\\NandFlash\\a", .ok = true,
         .listing = {"\\NandFlash\\", "\\NandFlash\\a 0"}},
        {.name = "HostFileIsReadInPlace",
         .hostFiles = {{L"\\Archive.zi", "the archive's bytes"}}, .call = Call::Read, .path = L"\\archive.ZI",
         .ok = true, .seen = "the archive's bytes", .listing = {"\\Archive.zi 19"}, .dryOnly = true},
        {.name = "HostFileIsReadOnly",
         .hostFiles = {{L"\\Storage Card\\Archive.zi", "bytes"}}, .call = Call::CreateFile,
         .path = L"\\Storage Card\\Archive.zi", .disposition = OPEN_EXISTING, .ok = false,
         .error = ERROR_ACCESS_DENIED, .listing = {"\\Storage Card\\", "\\Storage Card\\Archive.zi 5"},
         .dryOnly = true},
        {.name = "FileOpenWithoutSharingOpensNoMore",
         .made = {L"\\NandFlash\\", L"\\NandFlash\\a"}, .call = Call::OpenTwice, .path = L"\\NandFlash\\a",
         .ok = false, .error = ERROR_SHARING_VIOLATION, .listing = {"\\NandFlash\\", "\\NandFlash\\a 0"}},
    };
    return rows;
}

class DryVolumeRows : public ::testing::TestWithParam<DryRow> {
protected:
    void TearDown() override { host::DropDryVolume(); }
};

// Lays down the row's files, runs its call and checks its result and last
// error; what the call saw.
std::string MakeAndRun(const DryRow& row) {
    Make(row);
    std::string seen;
    SetLastError(0xdeadbeef);
    const bool ok = RunCall(row, &seen);
    const DWORD error = GetLastError();
    EXPECT_EQ(ok, row.ok);
    if (!row.ok) {
        EXPECT_EQ(error, row.error);
    }
    return seen;
}

TEST_P(DryVolumeRows, RecordsWhatTheCallDoesAndWritesNothing) {
    const DryRow& row = GetParam();
    testing_support::TempDevice device;
    testing_support::TempFolder hostFiles;
    host::UseDryVolume();
    for (size_t index = 0; index < row.hostFiles.size(); ++index) {
        const std::string hostPath = hostFiles.Path("file" + std::to_string(index));
        testing_support::WriteHostFile(hostPath, row.hostFiles[index].second);
        std::string error;
        ASSERT_TRUE(host::AddHostFileToDryVolume(row.hostFiles[index].first, hostPath, &error)) << error;
    }
    EXPECT_EQ(MakeAndRun(row), row.seen);
    EXPECT_EQ(host::DryVolumeListing(), row.listing);
    EXPECT_EQ(testing_support::SnapshotOf(device.Root()), testing_support::Tree{});
    for (size_t index = 0; index < row.hostFiles.size(); ++index) {
        EXPECT_EQ(hostFiles.Read("file" + std::to_string(index)), row.hostFiles[index].second);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DryVolumeRows, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<DryRow>& info) { return info.param.name; });

// The same call through the host's own file functions on a device folder:
// the dry volume answers as they do.
TEST_P(DryVolumeRows, AnswersAsTheHostFilesDo) {
    const DryRow& row = GetParam();
    if (row.dryOnly) GTEST_SKIP() << "the host keeps what the dry volume discards";
    testing_support::TempDevice device;
    const std::string seen = MakeAndRun(row);
    // Without extended attributes the host keeps only the read-only bit.
    if (row.call != Call::GetAttributes || device.KeepsExtendedAttributes()) {
        EXPECT_EQ(seen, row.seen);
    }
}

// Once dropped, the device root is the host's again, and the records are gone.
TEST(DryVolumeEnd, DroppingItGivesTheHostRootBack) {
    testing_support::TempDevice device;
    host::UseDryVolume();
    ASSERT_TRUE(CreateDirectoryW(L"\\NandFlash", nullptr));
    EXPECT_TRUE(host::IsDryVolumeInUse());
    host::DropDryVolume();
    EXPECT_FALSE(host::IsDryVolumeInUse());
    EXPECT_TRUE(host::DryVolumeListing().empty());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesW(L"\\NandFlash"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(CreateDirectoryW(L"\\NandFlash", nullptr));
    EXPECT_TRUE(device.Exists(L"\\NandFlash"));
}

}  // namespace
