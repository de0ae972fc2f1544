// ReadUnpackedSize: an archive's unpacked size from its central directory,
// read where the archive lies inside a larger file, as in a package.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive_support.h"
#include "test_support.h"
#include "zip_unpacked_size.h"

namespace {

using testing_support::TempDevice;
using unzip_testing::MinizipEntry;

struct UnpackedRow {
    std::string name;
    std::vector<MinizipEntry> entries;
    std::optional<std::string> archive;  // bytes instead of the entries' archive
    bool readable;
    DWORD files = 0;
    DWORD folders = 0;
    ULONGLONG bytes = 0;
    ULONGLONG allocated = 0;
};

void PrintTo(const UnpackedRow& row, std::ostream* out) { *out << row.name; }

const UnpackedRow kRows[] = {
    {"FilesInWholeUnits", {{.name = "a.bmp", .data = std::string(10, 'a')}, {.name = "b.bmp", .data = "b"}}, {}, true,
     2, 0, 11, 8192},
    {"EveryFolderAPathNamesOnceInAnyCase",
     {{.name = "Images/Start.bmp", .data = std::string(5000, 's')},
      {.name = "images/icons/ok.bmp", .data = "ok"},
      {.name = "IMAGES/icons/", .data = "", .externalAttributes = 0x10}},
     {}, true, 2, 2, 5002, 8192 + 4096 + 2 * 4096},
    {"StoredEntriesCountTheirSize", {{.name = "x.ttf", .data = std::string(4096, 'x'), .method = 0}}, {}, true, 1, 0,
     4096, 4096},
    {"AnEmptyArchive", {}, {}, true, 0, 0, 0, 0},
    {"NotAnArchive", {}, std::string(100, 'n'), false},
    {"TooShortForAnEndRecord", {}, std::string("PK\x05\x06", 4), false},
};

class UnpackedSizeRows : public ::testing::TestWithParam<UnpackedRow> {};

TEST_P(UnpackedSizeRows, ReadsTheDirectoryInPlace) {
    const UnpackedRow& row = GetParam();
    TempDevice device;
    std::string archive;
    if (row.archive) {
        archive = *row.archive;
    } else {
        ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Path("a.zip"), row.entries));
        archive = testing_support::ReadHostFile(device.Path("a.zip"));
    }
    // The archive between other bytes, as a section between its neighbours.
    device.WriteFile(L"\\NandFlash\\package.bin", std::string(333, 'h') + archive + std::string(77, 't'));
    HANDLE file = CreateFileW(L"\\NandFlash\\package.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    UnpackedSize size{};
    EXPECT_EQ(ReadUnpackedSize(file, 333, static_cast<DWORD>(archive.size()), &size), row.readable);
    CloseHandle(file);
    if (!row.readable) return;
    EXPECT_EQ(size.files, row.files);
    EXPECT_EQ(size.folders, row.folders);
    EXPECT_EQ(size.bytes, row.bytes);
    EXPECT_EQ(size.allocated, row.allocated);
}

INSTANTIATE_TEST_SUITE_P(Rows, UnpackedSizeRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return info.param.name; });

}  // namespace

namespace {

struct EntryRow {
    std::string name;
    std::vector<MinizipEntry> entries;
    const char* wanted;
    DWORD limit;
    std::optional<std::string> data;  // none: not read
    // Bytes of the archive replaced by as many others before it is read.
    std::pair<std::string, std::string> damage = {};
};

void PrintTo(const EntryRow& row, std::ostream* out) { *out << row.name; }

const std::string kManifest = "ruvexa-delta 1\nadd 3 0A0B0C0D a.bmp\n";

const EntryRow kEntryRows[] = {
    {"ADeflatedEntry", {{.name = "a.bmp", .data = "aaa"}, {.name = "Delta.manifest", .data = kManifest}},
     "Delta.manifest", 1024, kManifest},
    {"AStoredEntry", {{.name = "Delta.manifest", .data = kManifest, .method = 0}}, "Delta.manifest", 1024, kManifest},
    {"AnEmptyEntry", {{.name = "Delta.manifest", .data = ""}}, "Delta.manifest", 1024, std::string()},
    {"NamesCompareExactly", {{.name = "delta.manifest", .data = kManifest}}, "Delta.manifest", 1024, std::nullopt},
    {"AnEntryPastTheLimit", {{.name = "Delta.manifest", .data = kManifest}}, "Delta.manifest", 10, std::nullopt},
    {"AnEntryThatFailsItsChecksum", {{.name = "Delta.manifest", .data = kManifest, .method = 0}}, "Delta.manifest",
     1024, std::nullopt, {"add 3", "add 4"}},
};

class EntryInPlaceRows : public ::testing::TestWithParam<EntryRow> {};

TEST_P(EntryInPlaceRows, ReadsTheEntryWhereItLies) {
    const EntryRow& row = GetParam();
    TempDevice device;
    ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Path("a.zip"), row.entries));
    std::string archive = testing_support::ReadHostFile(device.Path("a.zip"));
    if (!row.damage.first.empty()) {
        const size_t at = archive.find(row.damage.first);
        ASSERT_NE(at, std::string::npos);
        archive.replace(at, row.damage.first.size(), row.damage.second);
    }
    device.WriteFile(L"\\NandFlash\\package.bin", std::string(8, 'h') + archive + std::string(16, 't'));
    HANDLE file = CreateFileW(L"\\NandFlash\\package.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string data;
    EXPECT_EQ(ReadEntryInPlace(file, 8, static_cast<DWORD>(archive.size()), row.wanted, row.limit, &data),
              row.data.has_value());
    CloseHandle(file);
    if (row.data) {
        EXPECT_EQ(data, *row.data);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EntryInPlaceRows, ::testing::ValuesIn(kEntryRows),
                         [](const auto& info) { return info.param.name; });

}  // namespace
