// The device's key=value files through the one reader, on real files in a
// temporary device: one row per text, with the values it gives or its
// refusal; a text the device writes itself is written again from the values
// read, through the one writer, byte for byte. And Rejected.txt: the
// releases it names, and the line the rollback adds.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "key_value_formats.h"
#include "package_info.h"
#include "rejected_package.h"
#include "test_support.h"

namespace {

using testing_support::TempDevice;

const std::wstring kFile = L"\\NandFlash\\Merrow\\KeyValue.txt";

struct Format {
    const char* name;
    const KeyValueFormat* format;
};
const Format kSetting{"Rollback.cfg", &kRollbackSettingFormat};
const Format kFloor{"Floor.A", &kFloorRecordFormat};
const Format kNext{"Floor.next", &kTrialFloorFormat};
const Format kMark{"Previous.mark", &kPreviousMarkFormat};
const Format kTrial{"Trial.flag", &kTrialFlagFormat};

struct Accepted {
    std::vector<DWORD> numbers;  // every field's but a name's, in order
    std::string name{};
};

struct KeyValueRow {
    std::string name;
    Format file;
    std::string text;
    std::optional<Accepted> accepted;  // none: refused
    bool asWritten = false;            // the writer gives `text` from the values
    int leading = 0;                   // of a refused text: the fields read before the first that is not
};

void PrintTo(const KeyValueRow& row, std::ostream* out) { *out << row.name; }

// The text the writer makes of `values` by `format`, one field a line.
std::string Rewritten(const KeyValueFormat& format, const KeyValues& values) {
    KeyValueWriter writer;
    for (int index = 0; index < format.count; ++index) {
        const KeyValueField& field = format.fields[index];
        if (field.kind == KeyValueKind::kName) {
            writer.Put(field.key, values.name);
        } else {
            writer.Put(field.key, values.numbers[index], field.kind);
        }
        writer.EndLine();
    }
    return writer.Text();
}

class KeyValueFile : public ::testing::TestWithParam<KeyValueRow> {
protected:
    TempDevice device;
};

TEST_P(KeyValueFile, ReadByItsFormat) {
    const KeyValueRow& row = GetParam();
    const KeyValueFormat& format = *row.file.format;
    device.WriteFile(kFile, row.text);

    KeyValues values;
    const KeyValueRead read = ReadKeyValueFile(kFile.c_str(), format, &values);

    if (!row.accepted) {
        EXPECT_EQ(read, KeyValueRead::kRefused);
        EXPECT_EQ(values.count, row.leading);
        return;
    }
    ASSERT_EQ(read, KeyValueRead::kAccepted);
    ASSERT_EQ(values.count, format.count);
    std::vector<DWORD> numbers;
    for (int index = 0; index < format.count; ++index) {
        if (format.fields[index].kind != KeyValueKind::kName) numbers.push_back(values.numbers[index]);
    }
    EXPECT_EQ(numbers, row.accepted->numbers);
    EXPECT_EQ(std::string(values.name), row.accepted->name);
    if (row.asWritten) EXPECT_EQ(Rewritten(format, values), row.text);
}

const std::string kLongName(400, 'N');
const std::string kTrialText = "checksum=0A1B2C3D\r\npackage=OV3_UPGRADE_2.BIN\r\nexe=1\r\nimages=0\r\nfont=1\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, KeyValueFile,
    ::testing::Values(
        // Rollback.cfg: the first line that is "starts=N" once its blanks go.
        KeyValueRow{"SettingOneStart", kSetting, "starts=1\n", Accepted{{1}}},
        KeyValueRow{"SettingWithoutLineEnd", kSetting, "starts=9", Accepted{{9}}},
        KeyValueRow{"SettingBlanksAndCrLf", kSetting, "# note\r\n \tstarts=5 \r\n", Accepted{{5}}},
        KeyValueRow{"SettingBlankLinesAndLoneCr", kSetting, "\n\r\n\r\nstarts=6\n\n", Accepted{{6}}},
        KeyValueRow{"SettingFirstValidLineCounts", kSetting, "starts=0\nstarts=4\nstarts=7\n", Accepted{{4}}},
        KeyValueRow{"SettingNulBeforeALaterLine", kSetting, std::string("# x\0\nstarts=2\n", 14), Accepted{{2}}},
        KeyValueRow{"SettingAtItsLongest", kSetting, std::string(503, '#') + "\nstarts=2", Accepted{{2}}},
        KeyValueRow{"SettingEmpty", kSetting, "", std::nullopt},
        KeyValueRow{"SettingZero", kSetting, "starts=0\n", std::nullopt},
        KeyValueRow{"SettingTwoDigits", kSetting, "starts=10\n", std::nullopt},
        KeyValueRow{"SettingOtherCase", kSetting, "Starts=2\n", std::nullopt},
        KeyValueRow{"SettingBlankInside", kSetting, "starts = 2\n", std::nullopt},
        KeyValueRow{"SettingCrAsLineEnd", kSetting, "# x\rstarts=2\r", std::nullopt},
        KeyValueRow{"SettingLongerThanASetting", kSetting, std::string(504, '#') + "\nstarts=2", std::nullopt},
        // Floor.A and Floor.B: exactly the two lines, decimal.
        KeyValueRow{"FloorRecord", kFloor, "sequence=3\r\nfloor=17\r\n", Accepted{{3, 17}}, true},
        KeyValueRow{"FloorRecordLargest", kFloor, "sequence=4294967295\r\nfloor=4294967295\r\n",
                    Accepted{{4294967295u, 4294967295u}}, true},
        KeyValueRow{"FloorRecordLeadingZeros", kFloor, "sequence=007\r\nfloor=0\r\n", Accepted{{7, 0}}},
        KeyValueRow{"FloorRecordNulEndsTheText", kFloor, std::string("sequence=2\r\nfloor=5\r\n\0junk", 26),
                    Accepted{{2, 5}}},
        KeyValueRow{"FloorRecordReadUpToItsRoom", kFloor,
                    "sequence=" + std::string(32, '0') + "1\r\nfloor=" + std::string(10, '0') + "9\r\n" + "junk",
                    Accepted{{1, 9}}},
        KeyValueRow{"FloorRecordPastThirtyTwoBits", kFloor, "sequence=4294967296\r\nfloor=1\r\n", std::nullopt},
        KeyValueRow{"FloorRecordBareLineFeeds", kFloor, "sequence=3\nfloor=17\n", std::nullopt},
        KeyValueRow{"FloorRecordTornAfterItsFirstLine", kFloor, "sequence=3\r\nfloor=1", std::nullopt, false, 1},
        KeyValueRow{"FloorRecordLinesSwapped", kFloor, "floor=17\r\nsequence=3\r\n", std::nullopt},
        KeyValueRow{"FloorRecordEmptyValue", kFloor, "sequence=\r\nfloor=17\r\n", std::nullopt},
        KeyValueRow{"FloorRecordSign", kFloor, "sequence=+3\r\nfloor=17\r\n", std::nullopt},
        KeyValueRow{"FloorRecordBlankBeforeLineEnd", kFloor, "sequence=3 \r\nfloor=17\r\n", std::nullopt},
        KeyValueRow{"FloorRecordMoreAfter", kFloor, "sequence=3\r\nfloor=17\r\n\r\n", std::nullopt, false, 2},
        // Floor.next: exactly "floor=F\r\n".
        KeyValueRow{"TrialFloor", kNext, "floor=12\r\n", Accepted{{12}}, true},
        KeyValueRow{"TrialFloorWithoutLineEnd", kNext, "floor=12", std::nullopt},
        KeyValueRow{"TrialFloorHex", kNext, "floor=0x12\r\n", std::nullopt},
        // Previous.mark: exactly one of the texts written.
        KeyValueRow{"MarkNone", kMark, "exe=0\r\nimages=0\r\nfont=0\r\n", Accepted{{0, 0, 0}}, true},
        KeyValueRow{"MarkSome", kMark, "exe=1\r\nimages=0\r\nfont=1\r\n", Accepted{{1, 0, 1}}, true},
        KeyValueRow{"MarkAll", kMark, "exe=1\r\nimages=1\r\nfont=1\r\n", Accepted{{1, 1, 1}}, true},
        KeyValueRow{"MarkTornInItsLastLine", kMark, "exe=1\r\nimages=1\r\nfont=", std::nullopt, false, 2},
        KeyValueRow{"MarkTwo", kMark, "exe=2\r\nimages=1\r\nfont=1\r\n", std::nullopt},
        KeyValueRow{"MarkOtherOrder", kMark, "images=1\r\nexe=1\r\nfont=1\r\n", std::nullopt},
        KeyValueRow{"MarkEmpty", kMark, "", std::nullopt},
        // Trial.flag: the checksum, the package's name, the items.
        KeyValueRow{"Trial", kTrial, kTrialText, Accepted{{0x0A1B2C3D, 1, 0, 1}, "OV3_UPGRADE_2.BIN"}, true},
        KeyValueRow{"TrialNameWithBlanksAndSigns", kTrial,
                    "checksum=FFFFFFFF\r\npackage=OV3_UPGRADE_a b=?.BIN\r\nexe=0\r\nimages=1\r\nfont=0\r\n",
                    Accepted{{0xFFFFFFFF, 0, 1, 0}, "OV3_UPGRADE_a b=?.BIN"}, true},
        KeyValueRow{"TrialLongName", kTrial,
                    "checksum=00000001\r\npackage=" + kLongName + "\r\nexe=1\r\nimages=1\r\nfont=1\r\n",
                    Accepted{{1, 1, 1, 1}, kLongName}, true},
        KeyValueRow{"TrialWithoutItems", kTrial, "checksum=0A1B2C3D\r\npackage=OV3_UPGRADE_2.BIN\r\n", std::nullopt,
                    false, 2},
        KeyValueRow{"TrialMoreAfterItsItems", kTrial, kTrialText + "x", std::nullopt, false, 5},
        KeyValueRow{"TrialLowerCaseChecksum", kTrial, "checksum=0a1b2c3d\r\npackage=P.BIN\r\n", std::nullopt},
        KeyValueRow{"TrialSevenDigitChecksum", kTrial, "checksum=A1B2C3D\r\npackage=P.BIN\r\n", std::nullopt},
        KeyValueRow{"TrialWithoutPackageLine", kTrial, "checksum=0A1B2C3D\r\nexe=1\r\n", std::nullopt, false, 1},
        KeyValueRow{"TrialEmpty", kTrial, "", std::nullopt}),
    [](const ::testing::TestParamInfo<KeyValueRow>& info) { return info.param.name; });

// Rejected.txt: the releases named in it, found by the package's stored
// checksum; and the line the rollback adds for the release Trial.flag names.
const std::wstring kRejected = L"\\NandFlash\\Merrow\\Rejected.txt";
const std::wstring kTrialFlag = L"\\NandFlash\\Merrow\\Trial.flag";
const std::wstring kPackage = L"\\Storage Card\\OV3_UPGRADE_2.BIN";
constexpr DWORD kChecksum = 0x0A1B2C3D;

struct RejectedRow {
    std::string name;
    std::optional<std::string> rejected;  // Rejected.txt before; none: no file
    std::string trial = kTrialText;       // Trial.flag of the release rolled back
    bool named = false;                   // the package is a rejected release
    std::string after{};                  // Rejected.txt after the rollback records, ticks masked
    bool recorded = true;                 // a line was added
};

void PrintTo(const RejectedRow& row, std::ostream* out) { *out << row.name; }

class RejectedList : public ::testing::TestWithParam<RejectedRow> {
protected:
    TempDevice device;
};

TEST_P(RejectedList, NamesAndRecordsReleases) {
    const RejectedRow& row = GetParam();
    device.MakeFolder(L"\\NandFlash\\Merrow");
    if (row.rejected) device.WriteFile(kRejected, *row.rejected);
    PackageInfo info = {};
    info.checksum = kChecksum;
    BYTE tail[kPackageTailSize];
    EncodePackageTail(info, tail);
    device.WriteFile(kPackage, "package body" + std::string(reinterpret_cast<const char*>(tail), sizeof(tail)));

    DWORD checksum = 0;
    EXPECT_EQ(IsRejectedPackage(kPackage.c_str(), &checksum), row.named);
    if (row.named) EXPECT_EQ(checksum, kChecksum);

    device.WriteFile(kTrialFlag, row.trial);
    TrialFlag trial;
    ASSERT_TRUE(ReadTrialFlag(&trial));
    BOOL recorded = FALSE;
    ASSERT_TRUE(RecordRejectedRelease(trial, &recorded));
    const std::string after = std::regex_replace(device.ReadFile(kRejected), std::regex("tick=[0-9]+"), "tick=*");
    EXPECT_EQ(after, row.after);
    EXPECT_EQ(recorded, row.recorded);
}

const std::string kLine = "checksum=0A1B2C3D package=OV3_UPGRADE_2.BIN tick=*\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, RejectedList,
    ::testing::Values(
        RejectedRow{.name = "NoListYet", .rejected = std::nullopt, .after = kLine},
        RejectedRow{.name = "Named",
                    .rejected = "checksum=0A1B2C3D package=OV3_UPGRADE_2.BIN tick=5\r\n",
                    .named = true,
                    .after = "checksum=0A1B2C3D package=OV3_UPGRADE_2.BIN tick=*\r\n",
                    .recorded = false},
        RejectedRow{.name = "NamedOnALaterLine",
                    .rejected = "checksum=FFFFFFFF package=A.BIN tick=1\r\nchecksum=0A1B2C3D package=B.BIN tick=2\r\n",
                    .named = true,
                    .after = "checksum=FFFFFFFF package=A.BIN tick=*\r\nchecksum=0A1B2C3D package=B.BIN tick=*\r\n" +
                             kLine},
        RejectedRow{.name = "OtherRelease",
                    .rejected = "checksum=FFFFFFFF package=A.BIN tick=1\r\n",
                    .after = "checksum=FFFFFFFF package=A.BIN tick=*\r\n" + kLine},
        RejectedRow{.name = "LowerCaseChecksumNamesNothing",
                    .rejected = "checksum=0a1b2c3d package=A.BIN tick=1\r\n",
                    .after = "checksum=0a1b2c3d package=A.BIN tick=*\r\n" + kLine},
        RejectedRow{.name = "ChecksumWithoutAFieldAfterIt",
                    .rejected = "checksum=0A1B2C3D",
                    .after = "checksum=0A1B2C3D" + kLine},
        RejectedRow{.name = "UnknownReleaseNamesNothing",
                    .rejected = "checksum=unknown tick=1\r\n",
                    .after = "checksum=unknown tick=*\r\n" + kLine},
        RejectedRow{.name = "TrialNotTheInstallationsIsUnknown",
                    .rejected = std::nullopt,
                    .trial = "checksum=0a1b2c3d\r\npackage=P.BIN\r\n",
                    .after = "checksum=unknown tick=*\r\n"},
        RejectedRow{.name = "UnknownRecordedOnce",
                    .rejected = "checksum=unknown tick=1\r\n",
                    .trial = "",
                    .after = "checksum=unknown tick=*\r\n",
                    .recorded = false}),
    [](const ::testing::TestParamInfo<RejectedRow>& info) { return info.param.name; });

}  // namespace
