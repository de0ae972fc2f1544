// Volumes of a set capacity: what GetDiskFreeSpaceExW answers, and the
// writes, extensions, copies and folders that a full volume refuses with
// ERROR_DISK_FULL, changing nothing. One row per behaviour.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "fs_test_helpers.h"
#include "ruvexa_host.h"

namespace {

using fs_test::Open;
using testing_support::TempDevice;

using Files = std::vector<std::pair<std::wstring, std::string>>;

struct CapacityRow {
    std::string name;
    unsigned long long capacity;  // of \NandFlash
    Files before;                 // laid down on the host
    std::function<BOOL()> call;
    BOOL result;
    DWORD error;      // the last error after a failing call
    Files after{};    // whole contents afterwards
    std::vector<std::wstring> absent{};
};

void PrintTo(const CapacityRow& row, std::ostream* out) { *out << row.name; }

BOOL WriteNew(const wchar_t* path, size_t bytes) {
    HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const std::string data(bytes, 'n');
    DWORD written = 0;
    const BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok;
}

BOOL ExtendTo(const wchar_t* path, LONG size) {
    HANDLE file = Open(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const BOOL ok = SetFilePointer(file, size, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER && SetEndOfFile(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok;
}

// TRUE when the free and total bytes of `path` are the row's.
BOOL FreeIs(const wchar_t* path, unsigned long long freeBytes, unsigned long long total) {
    ULARGE_INTEGER available{}, size{}, free{};
    if (!GetDiskFreeSpaceExW(path, &available, &size, &free)) return FALSE;
    return available.QuadPart == freeBytes && free.QuadPart == freeBytes && size.QuadPart == total;
}

const std::string k5000(5000, 'x');

const CapacityRow kRows[] = {
    // Each file in whole 4 KiB units, each folder one unit.
    {"FreeIsTheCapacityLessFilesAndFoldersInUnits", 65536,
     {{L"\\NandFlash\\a", "1"}, {L"\\NandFlash\\sub\\b", k5000}},
     [] { return FreeIs(L"\\NandFlash\\sub", 65536 - 4096 - 4096 - 8192, 65536); }, TRUE, 0},
    {"FreeOfTheVolumeRootItself", 16384, {{L"\\NandFlash\\a", k5000}},
     [] { return FreeIs(L"\\NandFlash", 8192, 16384); }, TRUE, 0},
    {"FilesBeyondTheCapacityLeaveNoneFree", 4096, {{L"\\NandFlash\\a", k5000}},
     [] { return FreeIs(L"\\NandFlash", 0, 4096); }, TRUE, 0},
    {"AMissingFolderIsNotFound", 65536, {{L"\\NandFlash\\a", "1"}},
     [] { return GetDiskFreeSpaceExW(L"\\NandFlash\\missing", nullptr, nullptr, nullptr); }, FALSE,
     ERROR_PATH_NOT_FOUND},
    {"AWriteThatFitsIsWritten", 8192, {{L"\\NandFlash\\a", "1"}}, [] { return WriteNew(L"\\NandFlash\\b", 4096); },
     TRUE, 0, {{L"\\NandFlash\\b", std::string(4096, 'n')}}},
    {"AWritePastTheCapacityWritesNothing", 8192, {{L"\\NandFlash\\a", "1"}},
     [] { return WriteNew(L"\\NandFlash\\b", 4097); }, FALSE, ERROR_DISK_FULL, {{L"\\NandFlash\\b", ""}}},
    {"AWriteWithinTheLastUnitNeedsNoRoom", 4096, {{L"\\NandFlash\\a", "1"}},
     [] {
         HANDLE file = Open(L"\\NandFlash\\a", GENERIC_WRITE, 0, OPEN_EXISTING);
         SetFilePointer(file, 0, nullptr, FILE_END);
         const BOOL ok = fs_test::WriteText(file, "23");
         CloseHandle(file);
         return ok;
     },
     TRUE, 0, {{L"\\NandFlash\\a", "123"}}},
    {"AnExtensionPastTheCapacityFails", 8192, {{L"\\NandFlash\\a", "1"}},
     [] { return ExtendTo(L"\\NandFlash\\a", 8193); }, FALSE, ERROR_DISK_FULL, {{L"\\NandFlash\\a", "1"}}},
    {"AnExtensionThatFitsIsZeros", 8192, {{L"\\NandFlash\\a", "1"}}, [] { return ExtendTo(L"\\NandFlash\\a", 3); },
     TRUE, 0, {{L"\\NandFlash\\a", std::string("1\0\0", 3)}}},
    {"AMoveFromAnotherVolumePastTheCapacityLeavesNothing", 8192,
     {{L"\\NandFlash\\a", "1"}, {L"\\Storage Card\\big", k5000}},
     [] { return MoveFileW(L"\\Storage Card\\big", L"\\NandFlash\\big"); }, FALSE, ERROR_DISK_FULL,
     {{L"\\Storage Card\\big", k5000}}, {L"\\NandFlash\\big"}},
    {"AMoveWithinTheVolumeNeedsNoRoom", 8192, {{L"\\NandFlash\\a", k5000}},
     [] { return MoveFileW(L"\\NandFlash\\a", L"\\NandFlash\\b"); }, TRUE, 0, {{L"\\NandFlash\\b", k5000}}},
    {"AFolderPastTheCapacityIsNotMade", 4096, {{L"\\NandFlash\\a", "1"}},
     [] { return CreateDirectoryW(L"\\NandFlash\\sub", nullptr); }, FALSE, ERROR_DISK_FULL, {}, {L"\\NandFlash\\sub"}},
    {"AnotherVolumeHasNoSuchBound", 4096, {{L"\\NandFlash\\a", "1"}, {L"\\Storage Card\\c", ""}},
     [] { return WriteNew(L"\\Storage Card\\c", 100000); }, TRUE, 0},
    {"AVolumeWithoutACapacityAnswersFromTheHost", 4096, {{L"\\Storage Card\\c", ""}},
     [] {
         ULARGE_INTEGER available{}, size{};
         return GetDiskFreeSpaceExW(L"\\Storage Card", &available, &size, nullptr) && size.QuadPart > 0 &&
                available.QuadPart <= size.QuadPart;
     },
     TRUE, 0},
};

class VolumeCapacity : public ::testing::TestWithParam<CapacityRow> {
protected:
    ~VolumeCapacity() override { host::ForgetVolumeCapacities(); }
};

TEST_P(VolumeCapacity, Holds) {
    const CapacityRow& row = GetParam();
    TempDevice device;
    device.MakeFolder(L"\\NandFlash");
    for (const auto& [path, bytes] : row.before) device.WriteFile(path, bytes);
    host::SetVolumeCapacity(L"nandflash", row.capacity);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(row.call(), row.result);
    if (!row.result) {
        EXPECT_EQ(GetLastError(), row.error);
    }
    for (const auto& [path, bytes] : row.after) {
        ASSERT_TRUE(device.Exists(path)) << host::WideToUtf8(path);
        EXPECT_EQ(device.ReadFile(path), bytes) << host::WideToUtf8(path);
    }
    for (const auto& path : row.absent) EXPECT_FALSE(device.Exists(path)) << host::WideToUtf8(path);
}

INSTANTIATE_TEST_SUITE_P(Rows, VolumeCapacity, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return info.param.name; });

}  // namespace
