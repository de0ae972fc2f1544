// ApplyPatch on patches written by hand: a sound one makes the new file byte
// for byte; a hostile or damaged one is refused as malformed, never reading
// or writing outside the files' bounds, and leaves no new file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exe_patch.h"
#include "test_bytes.h"
#include "test_support.h"

namespace {

using testing_support::LittleEndian;
using testing_support::RandomBytes;
using testing_support::ReferenceCrc32;
using testing_support::ZlibStream;

const std::string kOld = RandomBytes(100000, 1);
const std::string kNew = kOld.substr(0, 60000) + "inserted" + kOld.substr(60000, 40000);

std::string Record(uint32_t add, uint32_t extra, int32_t seek) {
    return LittleEndian(add) + LittleEndian(extra) + LittleEndian(static_cast<uint32_t>(seek));
}

// The new file from kOld: the first 60000 bytes as differences (all zero),
// 8 new bytes, then the remaining 40000 as differences again.
std::string SoundRecords() {
    return Record(60000, 8, 0) + std::string(60000, '\0') + "inserted" + Record(40000, 0, 0) + std::string(40000, '\0');
}

std::string Head(uint32_t oldSize, uint32_t newSize, uint32_t newCrc) {
    return "RVDP" + LittleEndian(1) + LittleEndian(oldSize) + LittleEndian(ReferenceCrc32(kOld)) + LittleEndian(newSize) +
           LittleEndian(newCrc);
}

std::string Patch(const std::string& records) {
    return Head(kOld.size(), kNew.size(), ReferenceCrc32(kNew)) + ZlibStream(records);
}

struct PatchRow {
    std::string name;
    std::string patch;
    PatchResult result;
    bool recordsSound = false;  // CheckPatchRecords, which knows no old file
};

void PrintTo(const PatchRow& row, std::ostream* out) { *out << row.name; }

class ApplyPatchRows : public ::testing::TestWithParam<PatchRow> {};

TEST_P(ApplyPatchRows, BuildsTheNewFileOrRefuses) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\old.exe", kOld);
    device.WriteFile(L"\\NandFlash\\patch", GetParam().patch);
    EXPECT_EQ(CheckPatchRecords(L"\\NandFlash\\patch"), GetParam().recordsSound);
    EXPECT_EQ(ApplyPatch(L"\\NandFlash\\patch", L"\\NandFlash\\old.exe", L"\\NandFlash\\new.exe"), GetParam().result);
    if (GetParam().result == PatchResult::kApplied) {
        EXPECT_EQ(device.ReadFile(L"\\NandFlash\\new.exe"), kNew);
    } else {
        EXPECT_FALSE(device.Exists(L"\\NandFlash\\new.exe"));
    }
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\old.exe"), kOld);
}

const std::string kSound = SoundRecords();

INSTANTIATE_TEST_SUITE_P(
    Rows, ApplyPatchRows,
    ::testing::ValuesIn(std::vector<PatchRow>{
        {"SoundPatchMakesTheNewFile", Patch(kSound), PatchResult::kApplied, true},
        {"AddPastTheOldFileEnd", Patch(Record(100001, 0, 0) + std::string(100001, '\0')), PatchResult::kMalformed},
        {"ExtraPastTheNewFileEnd", Patch(Record(0, 100009, 0) + std::string(100009, 'x')), PatchResult::kMalformed},
        {"SeekBeforeTheOldFileStart", Patch(Record(10, 0, -11) + std::string(10, '\0')), PatchResult::kMalformed},
        {"SeekPastTheOldFileEnd", Patch(Record(10, 0, 99991) + std::string(10, '\0')), PatchResult::kMalformed},
        {"RecordsEndEarly", Patch(kSound.substr(0, 60020)), PatchResult::kMalformed},
        {"BytesAfterTheLastRecord", Patch(kSound + "x"), PatchResult::kMalformed},
        {"StreamCutShort", Patch(kSound).substr(0, Patch(kSound).size() - 6), PatchResult::kMalformed},
        {"WrongNewChecksum", Head(kOld.size(), kNew.size(), 1) + ZlibStream(kSound), PatchResult::kMalformed, true},
        {"OldFileOfAnotherSize", Head(kOld.size() + 1, kNew.size(), ReferenceCrc32(kNew)) + ZlibStream(kSound),
         PatchResult::kMalformed, true},
        {"NoPatchAtAll", "MZ" + RandomBytes(100, 2), PatchResult::kMalformed},
    }),
    [](const ::testing::TestParamInfo<PatchRow>& info) { return info.param.name; });

}  // namespace
