// The security floor's records on a temporary device: which record wins,
// what a raise writes, and the version kept through a trial.
#include "security_floor.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "test_support.h"

namespace {

using testing_support::TempDevice;

const std::wstring kRecordA = L"\\NandFlash\\Merrow\\Floor.A";
const std::wstring kRecordB = L"\\NandFlash\\Merrow\\Floor.B";

struct FloorRow {
    std::string name;
    std::optional<std::string> a{}, b{};  // none: no record
    DWORD floor;
    DWORD raiseTo;
    // After the raise: the record written (A or B, empty: none) and its text.
    std::string written;
    std::string text{};
};

void PrintTo(const FloorRow& row, std::ostream* out) { *out << row.name; }

class SecurityFloorRecords : public ::testing::TestWithParam<FloorRow> {
protected:
    TempDevice device;
};

TEST_P(SecurityFloorRecords, ReadAndRaised) {
    const FloorRow& row = GetParam();
    device.MakeFolder(L"\\NandFlash\\Merrow");
    if (row.a) device.WriteFile(kRecordA, *row.a);
    if (row.b) device.WriteFile(kRecordB, *row.b);

    EXPECT_EQ(ReadSecurityFloor(), row.floor);
    BOOL raised = FALSE;
    EXPECT_TRUE(RaiseSecurityFloor(row.raiseTo, &raised));
    EXPECT_EQ(raised, !row.written.empty());
    const DWORD expected = row.raiseTo > row.floor ? row.raiseTo : row.floor;
    EXPECT_EQ(ReadSecurityFloor(), expected);
    // The record not written is left exactly as it was.
    for (const auto& [name, path, before] : {std::tuple{"A", kRecordA, row.a}, std::tuple{"B", kRecordB, row.b}}) {
        if (row.written == name) {
            EXPECT_EQ(device.ReadFile(path), row.text);
        } else if (before) {
            EXPECT_EQ(device.ReadFile(path), *before);
        } else {
            EXPECT_FALSE(device.Exists(path));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SecurityFloorRecords,
    ::testing::Values(
        FloorRow{.name = "NoRecordIsFloorZeroAndAFirstRaiseWritesA", .floor = 0, .raiseTo = 4, .written = "A",
                 .text = "sequence=1\r\nfloor=4\r\n"},
        FloorRow{.name = "TheHigherSequenceWinsAndTheOtherIsWritten", .a = "sequence=3\r\nfloor=5\r\n",
                 .b = "sequence=2\r\nfloor=9\r\n", .floor = 5, .raiseTo = 6, .written = "B",
                 .text = "sequence=4\r\nfloor=6\r\n"},
        FloorRow{.name = "BCurrentSoAIsWritten", .a = "sequence=7\r\nfloor=1\r\n", .b = "sequence=8\r\nfloor=2\r\n",
                 .floor = 2, .raiseTo = 4294967295u, .written = "A", .text = "sequence=9\r\nfloor=4294967295\r\n"},
        FloorRow{.name = "EqualIsNoRaise", .a = "sequence=1\r\nfloor=5\r\n", .floor = 5, .raiseTo = 5, .written = ""},
        FloorRow{.name = "NeverLowered", .b = "sequence=1\r\nfloor=5\r\n", .floor = 5, .raiseTo = 3, .written = ""},
        FloorRow{.name = "TornRecordFallsBackToTheOther", .a = "sequence=3\r\nfloor=5\r\n",
                 .b = "sequence=4\r\nfloor=1", .floor = 5, .raiseTo = 6, .written = "B",
                 .text = "sequence=4\r\nfloor=6\r\n"},
        FloorRow{.name = "GarbledRecordFallsBackToTheOther", .a = "sequence=9\r\nfloor=x\r\n",
                 .b = "sequence=2\r\nfloor=3\r\n", .floor = 3, .raiseTo = 4, .written = "A",
                 .text = "sequence=3\r\nfloor=4\r\n"},
        FloorRow{.name = "TrailingBytesMakeARecordInvalid", .a = "sequence=9\r\nfloor=8\r\nx",
                 .b = "sequence=2\r\nfloor=3\r\n", .floor = 3, .raiseTo = 3, .written = ""},
        FloorRow{.name = "AFloorBeyond32BitsIsInvalid", .a = "sequence=9\r\nfloor=4294967296\r\n",
                 .b = "sequence=2\r\nfloor=3\r\n", .floor = 3, .raiseTo = 3, .written = ""},
        FloorRow{.name = "BothDamagedIsFloorZero", .a = "sequence=", .b = "floor=7\r\n", .floor = 0, .raiseTo = 2,
                 .written = "A", .text = "sequence=1\r\nfloor=2\r\n"}),
    [](const auto& info) { return info.param.name; });

TEST(TrialSecurityVersion, KeptReadAndForgotten) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash\\Merrow");
    DWORD version = 99;
    EXPECT_FALSE(ReadTrialSecurityVersion(&version));
    EXPECT_TRUE(ForgetTrialSecurityVersion());
    ASSERT_TRUE(KeepTrialSecurityVersion(17));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Floor.next"), "floor=17\r\n");
    EXPECT_TRUE(ReadTrialSecurityVersion(&version));
    EXPECT_EQ(version, 17u);
    device.WriteFile(L"\\NandFlash\\Merrow\\Floor.next", "floor=1");
    EXPECT_FALSE(ReadTrialSecurityVersion(&version));
    EXPECT_TRUE(ForgetTrialSecurityVersion());
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\Merrow\\Floor.next"));
}

}  // namespace
