// One table of delta packages, each passed both to the installation worker
// (on a device holding the release the delta was made from) and to
// `ruvexa-pack verify`: both must give the row's verdict, the upgrade or
// Err83 before anything is switched over. A row that one side takes and the
// other refuses fails.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "install_test_support.h"
#include "package_builder.h"
#include "package_constants.h"

namespace install_testing {
namespace {

using testing_support::LittleEndian;
using testing_support::RandomBytes;
using testing_support::ReferenceCrc32;
using testing_support::ZlibStream;
using unzip_testing::MinizipEntry;

// The installed release: PrepareLocal's application with a larger exe.
const std::string kOldExe = RandomBytes(20000, 21);
const std::string kNewExe = kOldExe.substr(0, 12000) + "a changed routine" + kOldExe.substr(12000);

std::string Hex(const std::string& bytes) {
    char text[9];
    snprintf(text, sizeof(text), "%08X", ReferenceCrc32(bytes));
    return text;
}

std::string Line(const std::string& kind, const std::string& bytes, const std::string& path = "") {
    return kind + " " + std::to_string(bytes.size()) + " " + Hex(bytes) + (path.empty() ? "" : " " + path) + "\n";
}

std::string Record(uint32_t add, uint32_t extra) { return LittleEndian(add) + LittleEndian(extra) + LittleEndian(0); }

const std::string kRecords =
    Record(12000, 17) + std::string(12000, '\0') + "a changed routine" + Record(8000, 0) + std::string(8000, '\0');

// The patch from kOldExe to kNewExe: 12000 bytes as differences (zero),
// the inserted text, the rest as differences.
std::string Patch(const std::string& records = kRecords) {
    return "RVDP" + LittleEndian(1) + LittleEndian(kOldExe.size()) + LittleEndian(ReferenceCrc32(kOldExe)) +
           LittleEndian(kNewExe.size()) + LittleEndian(ReferenceCrc32(kNewExe)) + ZlibStream(records);
}

// A delta's sections before they are packed: each archive's manifest and
// the files it carries.
struct DeltaSections {
    std::string exe = Patch();
    std::string imagesManifest = "ruvexa-delta 1\n" + Line("exe patch", kNewExe) + Line("take", "old background", "back.bmp") +
                                 Line("take", "old icon", "Icons/old.png") + Line("add", "new icon", "Icons/new.png");
    std::vector<MinizipEntry> images = {{.name = "Icons/", .data = ""}, {.name = "Icons/new.png", .data = "new icon"}};
    std::string fontsManifest =
        "ruvexa-delta 1\n" + Line("take", "old font", "old.ttf") + Line("add", "new font", "new.ttf");
    std::vector<MinizipEntry> fonts = {{.name = "new.ttf", .data = "new font"}};
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

// Every CRC field of `text` in lower case.
std::string LowerHex(std::string text) {
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of(" \n", start);
        if (end == std::string::npos) end = text.size();
        if (end - start == 8 && text.find_first_not_of("0123456789ABCDEF", start) >= end) {
            for (size_t i = start; i < end; ++i) text[i] = static_cast<char>(tolower(text[i]));
        }
        start = end + 1;
    }
    return text;
}

struct AgreementRow {
    std::string name;
    std::function<void(DeltaSections*)> change;
    bool installs;
    std::string logged = "";  // the worker's failure line, for a refusal
};

void PrintTo(const AgreementRow& row, std::ostream* out) { *out << row.name; }

const std::string kBadImages = "UpgradeThreadProc(): !!! Invalid delta manifest=[Hard Disk\\AppImages.zi]";
const std::string kBadFonts = "UpgradeThreadProc(): !!! Invalid delta manifest=[Hard Disk\\AppFonts.zi]";
const std::string kBadPatch = "UpgradeThreadProc(): !!! Invalid delta patch=[Hard Disk\\AppExecute.ex]";

class DeltaDevice : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        PrepareLocal();
        device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kOldExe);
        installer.delta = true;
    }

    void WriteSections(const DeltaSections& sections) const {
        std::vector<MinizipEntry> images = sections.images;
        images.push_back({.name = "Delta.manifest", .data = sections.imagesManifest});
        std::vector<MinizipEntry> fonts = sections.fonts;
        fonts.push_back({.name = "Delta.manifest", .data = sections.fontsManifest});
        device.WriteFile(source.exe, sections.exe);
        ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Host(source.images), images));
        ASSERT_TRUE(unzip_testing::MakeMinizipZip(device.Host(source.fonts), fonts));
    }

    // `ruvexa-pack verify` on the package of the sections as written.
    testing_support::ChildRun Verify() const {
        const std::string package = package_testing::BuildPackage({.exe = device.ReadFile(source.exe),
                                                                   .images = device.ReadFile(source.images),
                                                                   .fonts = device.ReadFile(source.fonts),
                                                                   .signature = kDeltaPackageSignature});
        device.WriteFile(L"\\Work\\OV3_UPGRADE_D.BIN", package);
        return testing_support::RunCaptured(RUVEXA_PACK_PATH, {"verify", device.Host(L"\\Work\\OV3_UPGRADE_D.BIN")},
                                            device.Host(L"\\Work\\out"), device.Host(L"\\Work\\err"));
    }
};

class DeltaAgreement : public DeltaDevice, public ::testing::WithParamInterface<AgreementRow> {};

TEST_P(DeltaAgreement, DeviceAndVerifyGiveTheRowsVerdict) {
    const AgreementRow& row = GetParam();
    DeltaSections sections;
    if (row.change) row.change(&sections);
    WriteSections(sections);
    const testing_support::ChildRun verify = Verify();
    const Tree before = Snapshot();

    RunWorker();
    const std::vector<Result> posted = DrainResults();
    if (row.installs) {
        ExpectOneSuccess(posted);
        EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe"), kNewExe);
        EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Images\\Icons\\new.png"), "new icon");
        EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Font\\old.ttf"), "old font");
        EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
        EXPECT_EQ(verify.out.substr(0, 3), "ok\n") << verify.out;
        EXPECT_NE(verify.out.find("checked only on the device"), std::string::npos) << verify.out;
    } else {
        ExpectOneFailure(posted, L"Err83");
        EXPECT_NE(log.Text().find(row.logged), std::string::npos) << log.Text();
        ExpectSameTree(Snapshot(), before);
        EXPECT_EQ(verify.status, 1) << verify.out << verify.err;
        EXPECT_EQ(verify.out.substr(0, 7), "Err83: ") << verify.out;
        EXPECT_NE(verify.out.find(row.logged.substr(0, row.logged.find('['))), std::string::npos) << verify.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeltaAgreement,
    ::testing::ValuesIn(std::vector<AgreementRow>{
        {"SoundPatch", nullptr, true},
        {"SoundWholeExe",
         [](DeltaSections* d) {
             d->exe = kNewExe;
             d->imagesManifest = Replace(d->imagesManifest, "exe patch", "exe whole");
         },
         true},
        {"CrlfLineEnds",
         [](DeltaSections* d) {
             d->imagesManifest = ReplaceAll(d->imagesManifest, "\n", "\r\n");
             d->fontsManifest = ReplaceAll(d->fontsManifest, "\n", "\r\n");
         },
         true},
        {"LowerCaseHex", [](DeltaSections* d) { d->imagesManifest = LowerHex(d->imagesManifest); }, true},
        {"CurrentFolderComponent",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, " back.bmp", " ./back.bmp"); }, true},
        {"TwoSpacesBetweenFields",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, "take ", "take  "); }, false, kBadImages},
        {"SevenHexDigits",
         [](DeltaSections* d) {
             d->imagesManifest = Replace(d->imagesManifest, " " + Hex("old icon"), " " + Hex("old icon").substr(1));
         },
         false, kBadImages},
        {"ClimbingPath",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, " back.bmp", " ../Images/back.bmp"); },
         false, kBadImages},
        {"LeadingSlash",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, " back.bmp", " /back.bmp"); }, false,
         kBadImages},
        {"LastLineWithoutItsEnd", [](DeltaSections* d) { d->fontsManifest.pop_back(); }, false, kBadFonts},
        {"AddWithAnotherCrc",
         [](DeltaSections* d) { d->images[1].data = "new icoN"; }, false, kBadImages},
        {"AddWithAnotherSize",
         [](DeltaSections* d) { d->fonts[0].data = "new font, longer"; }, false, kBadFonts},
        {"AddNamingAMissingFile", [](DeltaSections* d) { d->images.pop_back(); }, false, kBadImages},
        {"PathTwiceInAnotherCase",
         [](DeltaSections* d) { d->imagesManifest += Line("take", "old background", "BACK.BMP"); }, false, kBadImages},
        {"PathTwiceWithBackslash",
         [](DeltaSections* d) { d->imagesManifest += Line("take", "old icon", "Icons\\old.png"); }, false, kBadImages},
        {"TakeAndAddOfOnePath",
         [](DeltaSections* d) {
             d->fontsManifest += Line("add", "new font", "old.ttf");
             d->fonts.push_back({.name = "old.ttf", .data = "new font"});
         },
         false, kBadFonts},
        {"ArchiveFileNoLineNames",
         [](DeltaSections* d) { d->images.push_back({.name = "stray.bmp", .data = "stray"}); }, false, kBadImages},
        {"ManifestNamedByALine",
         [](DeltaSections* d) { d->fontsManifest += Line("take", "x", "delta.manifest"); }, false, kBadFonts},
        {"NoExeLine",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, Line("exe patch", kNewExe), ""); },
         false, kBadImages},
        {"ExeLineInTheFontsManifest",
         [](DeltaSections* d) { d->fontsManifest += Line("exe patch", kNewExe); }, false, kBadFonts},
        {"ExePatchOverAWholeExe", [](DeltaSections* d) { d->exe = kNewExe; }, false, kBadPatch},
        {"ExeWholeOverAPatch",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, "exe patch", "exe whole"); }, false,
         kBadPatch},
        {"PatchHeadNamesAnotherFile",
         [](DeltaSections* d) { d->exe.replace(20, 4, LittleEndian(ReferenceCrc32(kOldExe))); }, false, kBadPatch},
        {"PatchOfAnotherVersion", [](DeltaSections* d) { d->exe.replace(4, 4, LittleEndian(2)); }, false, kBadPatch},
        {"PatchCutInsideItsHead", [](DeltaSections* d) { d->exe.resize(20); }, false, kBadPatch},
        {"PatchRecordPastTheOldFileEnd",
         [](DeltaSections* d) { d->exe = Patch(Record(20001, 0) + std::string(20001, '\0')); }, false, kBadPatch},
        {"PatchBytesAfterTheLastRecord", [](DeltaSections* d) { d->exe = Patch(kRecords + "x"); }, false, kBadPatch},
        {"PatchRecordsEndEarly", [](DeltaSections* d) { d->exe = Patch(kRecords.substr(0, 12010)); }, false, kBadPatch},
        {"PatchStreamCutShort", [](DeltaSections* d) { d->exe.resize(d->exe.size() - 6); }, false, kBadPatch},
    }),
    [](const ::testing::TestParamInfo<AgreementRow>& info) { return info.param.name; });

// The one thing verify cannot know: a file the delta takes differs on the
// device. verify says ok and that only the device checks it; the device
// refuses with the code of a delta that does not fit.
TEST_F(DeltaDevice, TakenFileThatDiffersIsTheDevicesToFind) {
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\back.bmp", "old backgrounD");
    WriteSections(DeltaSections{});
    const testing_support::ChildRun verify = Verify();
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    EXPECT_EQ(verify.out,
              "ok\nverify: the files this delta takes from the installed version, and the executable its patch applies "
              "to, are checked only on the device\n");
    RunWorker();
    ExpectOneFailure(DrainResults(), L"Err80");
    EXPECT_NE(log.Text().find("UpgradeThreadProc(): !!! Delta does not fit=[\\NandFlash\\Merrow\\Images\\back.bmp]"),
              std::string::npos)
        << log.Text();
}

}  // namespace
}  // namespace install_testing
