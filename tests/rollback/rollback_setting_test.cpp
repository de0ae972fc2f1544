// ReadRollbackStarts on a temporary device: one row per setting file, with
// the starts it gives, the log lines it writes, and the device unchanged.
#include "rollback_setting.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using testing_support::LogCapture;
using testing_support::SnapshotOf;
using testing_support::TempDevice;
using Lines = std::vector<std::string>;

const std::wstring kSetting = L"\\NandFlash\\Merrow\\Rollback.cfg";
const std::string kInvalid =
    "ReadRollbackSetting(): !!! Invalid rollback setting=[\\NandFlash\\Merrow\\Rollback.cfg], starts=[3], at=[*]";
const std::string kUnreadable =
    "ReadRollbackSetting(): !!! Failed to read rollback setting=[\\NandFlash\\Merrow\\Rollback.cfg], error=[5], "
    "starts=[3], at=[*]";

struct SettingRow {
    std::string name;
    std::optional<std::string> text;  // none: no setting file
    int starts;
    Lines log{};
    bool folder = false;  // a folder where the file belongs
};

void PrintTo(const SettingRow& row, std::ostream* out) { *out << row.name; }

class RollbackSetting : public ::testing::TestWithParam<SettingRow> {
protected:
    TempDevice device;
    LogCapture log;
};

TEST_P(RollbackSetting, GivesItsStarts) {
    const SettingRow& row = GetParam();
    device.MakeFolder(L"\\NandFlash\\Merrow");
    if (row.text) device.WriteFile(kSetting, *row.text);
    if (row.folder) device.MakeFolder(kSetting);
    const auto before = SnapshotOf(device.Root());

    EXPECT_EQ(ReadRollbackStarts(), row.starts);

    EXPECT_EQ(log.MaskedLines(), row.log);
    EXPECT_EQ(SnapshotOf(device.Root()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RollbackSetting,
    ::testing::Values(
        SettingRow{.name = "AbsentTurnsRollbackOffSilently", .text = std::nullopt, .starts = 0},
        SettingRow{.name = "OneStart", .text = "starts=1\n", .starts = 1},
        SettingRow{.name = "NineStartsWithoutLineEnd", .text = "starts=9", .starts = 9},
        SettingRow{.name = "CrLfAndBlanksAroundTheLine", .text = "# maker's note\r\n  starts=5 \r\n", .starts = 5},
        SettingRow{.name = "FirstValidLineWins", .text = "starts=0\nstarts=4\nstarts=7\n", .starts = 4},
        SettingRow{.name = "EmptyFileMeansThree", .text = "", .starts = 3, .log = {kInvalid}},
        SettingRow{.name = "ZeroMeansThree", .text = "starts=0\n", .starts = 3, .log = {kInvalid}},
        SettingRow{.name = "TwoDigitsMeanThree", .text = "starts=10\n", .starts = 3, .log = {kInvalid}},
        SettingRow{.name = "OtherCaseMeansThree", .text = "Starts=2\n", .starts = 3, .log = {kInvalid}},
        SettingRow{.name = "BlankInsideMeansThree", .text = "starts = 2\n", .starts = 3, .log = {kInvalid}},
        SettingRow{.name = "LongerThanASettingMeansThree",
                   .text = std::string(kRollbackSettingMaxBytes, '#') + "\nstarts=2\n",
                   .starts = 3,
                   .log = {kInvalid}},
        SettingRow{.name = "FolderInItsPlaceIsUnreadable",
                   .text = std::nullopt,
                   .starts = 3,
                   .log = {kUnreadable},
                   .folder = true}),
    [](const ::testing::TestParamInfo<SettingRow>& info) { return info.param.name; });

TEST(RollbackSettingWithoutMerrow, IsOff) {
    TempDevice device;
    LogCapture log;
    device.MakeFolder(L"\\NandFlash");
    EXPECT_EQ(ReadRollbackStarts(), kRollbackOff);
    EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
