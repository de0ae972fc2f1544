// One corpus of damaged packages, full, delta and signed, each passed both
// through the device's own stages (the extraction worker, then the
// installation worker, on a device holding the release the delta was made
// from, and the trusted key for a signed row) and through `ruvexa-pack
// verify`: both must give the row's verdict, ok where the device installs,
// the device's code where it halts. A row that one side takes and the other
// refuses fails.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "attempt_support.h"
#include "child_process.h"
#include "extraction.h"
#include "install_test_support.h"
#include "package_builder.h"
#include "package_constants.h"
#include "ruvexa_host.h"
#include "security_floor.h"
#include "signing_support.h"

namespace install_testing {
namespace {

using package_testing::MakeKey;
using testing_support::LittleEndian;
using testing_support::LittleEndianAt;
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

// A package's sections before they are packed: the exe section and each
// archive's entries, and for a delta each archive's manifest. As it stands,
// the delta from the installed release to one with kNewExe, a new icon and
// a new font.
struct Sections {
    bool delta = true;
    std::string exe = Patch();
    std::string imagesManifest = "ruvexa-delta 1\n" + Line("exe patch", kNewExe) + Line("take", "old background", "back.bmp") +
                                 Line("take", "old icon", "Icons/old.png") + Line("add", "new icon", "Icons/new.png");
    std::vector<MinizipEntry> images = {{.name = "Icons/", .data = ""}, {.name = "Icons/new.png", .data = "new icon"}};
    std::string fontsManifest =
        "ruvexa-delta 1\n" + Line("take", "old font", "old.ttf") + Line("add", "new font", "new.ttf");
    std::vector<MinizipEntry> fonts = {{.name = "new.ttf", .data = "new font"}};
    // Bytes that stand as a section instead of its archive.
    std::optional<std::string> rawImages{};
    std::optional<std::string> rawFonts{};
};
using DeltaSections = Sections;  // as the delta rows name it

std::vector<MinizipEntry> Entries(const Tree& tree) {
    std::vector<MinizipEntry> entries;
    for (const auto& [name, bytes] : tree) {
        if (bytes == kFolderMark) {
            entries.push_back({.name = name + "/", .data = "", .externalAttributes = FILE_ATTRIBUTE_DIRECTORY});
        } else {
            entries.push_back({.name = name, .data = bytes, .externalAttributes = FILE_ATTRIBUTE_ARCHIVE});
        }
    }
    return entries;
}

// A full package of a new release: NewExe(), NewImages() and NewFonts().
Sections FullSections() {
    return {.delta = false, .exe = NewExe(), .imagesManifest = "", .images = Entries(NewImages()), .fontsManifest = "",
            .fonts = Entries(NewFonts())};
}

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

// The device's trusted key and the signature beside the package.
enum class Signing {
    kNoKey,                // a device without a trusted key; no signature
    kVersioned,            // signed by the trusted key, security version 3
    kFirstFormat,          // signed by the trusted key in the first format (version 0)
    kMissing,              // no signature beside the package
    kByAnotherKey,         // signed by another key, naming it
    kNamingTheTrustedKey,  // signed by another key, naming the trusted key's id
    kOfAnotherPackage,     // the trusted key's signature of the package before it changed
    kMalformed,            // a file that is no signature
};

struct AgreementRow {
    std::string name;
    std::function<void(Sections*)> change;
    bool installs;
    std::string logged = "";  // the device's failure line, for a refusal
    std::string code = "Err83";
    // What verify's text names; empty: the device's line up to its first "[".
    std::string shown = "";
    bool delta = true;
    // Done to the packed bytes.
    std::function<void(std::string*)> damage = nullptr;
    Signing signing = Signing::kNoKey;
    // A refusal leaves the device as it was, the source disk aside; false
    // for a failure after an earlier step switched over.
    bool leavesDevice = true;
};

void PrintTo(const AgreementRow& row, std::ostream* out) { *out << row.name; }

// A full package's row refused with `code`: the packed bytes damaged.
AgreementRow Damaged(const std::string& name, const std::string& code, std::function<void(std::string*)> damage,
                     const std::string& logged = "", const std::string& shown = "") {
    return {.name = name, .change = nullptr, .installs = false, .logged = logged, .code = code, .shown = shown,
            .delta = false, .damage = std::move(damage)};
}

// A full package's row with changed sections: installed, or refused with `code`.
AgreementRow Full(const std::string& name, std::function<void(Sections*)> change, const std::string& code,
                  const std::string& logged = "", const std::string& shown = "", bool leavesDevice = true) {
    return {.name = name, .change = std::move(change), .installs = code.empty(), .logged = logged, .code = code,
            .shown = shown, .delta = false, .leavesDevice = leavesDevice};
}

// An archive Python's zipfile writes with `body` (see MakePythonZip).
std::string PythonArchive(const std::string& body) {
    const testing_support::TempFolder folder;
    EXPECT_TRUE(unzip_testing::MakePythonZip(folder.Path("archive.zip"), body));
    return folder.Read("archive.zip");
}

// A row on a keyed device: installed, or refused with Err0E.
AgreementRow Keyed(const std::string& name, Signing signing, const std::string& logged = "", bool delta = false) {
    return {.name = name, .change = nullptr, .installs = logged.empty(), .logged = logged,
            .code = logged.empty() ? "" : "Err0E", .delta = delta, .signing = signing};
}

const std::string kBadImages = "UpgradeThreadProc(): !!! Invalid delta manifest=[Hard Disk\\AppImages.zi]";
const std::string kBadFonts = "UpgradeThreadProc(): !!! Invalid delta manifest=[Hard Disk\\AppFonts.zi]";
const std::string kBadPatch = "UpgradeThreadProc(): !!! Invalid delta patch=[Hard Disk\\AppExecute.ex]";
const std::string kImagesUnzip = "UpgradeThreadProc(): !!! Failed to unzip images=[Hard Disk\\AppImages.zi]";
const std::string kFontsUnzip = "UpgradeThreadProc(): !!! Failed to unzip font file=[Hard Disk\\AppFonts.zi]";
const std::string kSignature = "[Hard Disk\\OV3_UPGRADE_1.BIN.SIG]";

const std::wstring kTrustedKeyFile = L"\\NandFlash\\Merrow\\Upgrade.pub";
const package_testing::TestKey kTrusted = MakeKey(1);
const package_testing::TestKey kOther = MakeKey(2);

// A device holding kOldExe and PrepareLocal's application, its request on
// a USB disk; the extraction writes the section files.
class PackageDevice : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        PrepareLocal();
        device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kOldExe);
        for (const std::wstring& path : {source.exe, source.images, source.fonts}) RemoveFile(path);
    }

    std::string Archive(std::vector<MinizipEntry> entries, const std::string& manifest) const {
        if (!manifest.empty()) entries.push_back({.name = "Delta.manifest", .data = manifest});
        const std::wstring file = L"\\Work\\archive.zip";
        device.MakeFolder(L"\\Work");
        EXPECT_TRUE(unzip_testing::MakeMinizipZip(device.Host(file), entries));
        const std::string bytes = device.ReadFile(file);
        RemoveFile(file);
        return bytes;
    }

    std::string Pack(const Sections& sections) const {
        std::optional<DWORD> magic;
        if (sections.delta) magic = kDeltaPackageSignature;
        return package_testing::BuildPackage(
            {.exe = sections.exe,
             .images = sections.rawImages ? *sections.rawImages : Archive(sections.images, sections.imagesManifest),
             .fonts = sections.rawFonts ? *sections.rawFonts : Archive(sections.fonts, sections.fontsManifest),
             .signature = magic});
    }

    // The package, and on a keyed device the trusted key and the signature.
    void Lay(const std::string& package, Signing signing, const std::string& signedBytes) const {
        device.WriteFile(source.package, package);
        if (signing == Signing::kNoKey) return;
        device.WriteFile(kTrustedKeyFile, package_testing::PublicKeyFile(kTrusted));
        const std::wstring signature = source.package + L".SIG";
        switch (signing) {
        case Signing::kVersioned:
            device.WriteFile(signature, package_testing::VersionedSignatureFile(kTrusted, signedBytes, 3));
            break;
        case Signing::kFirstFormat:
        case Signing::kOfAnotherPackage:
            device.WriteFile(signature, package_testing::SignatureFile(kTrusted, signedBytes));
            break;
        case Signing::kByAnotherKey:
            device.WriteFile(signature, package_testing::SignatureFile(kOther, signedBytes));
            break;
        case Signing::kNamingTheTrustedKey:
            device.WriteFile(signature, package_testing::SignatureFile(kOther, signedBytes, kTrusted));
            break;
        case Signing::kMalformed:
            device.WriteFile(signature, "RVSG but nothing a signature holds");
            break;
        case Signing::kMissing:
        case Signing::kNoKey:
            break;
        }
    }

    // `ruvexa-pack verify` on the package as laid, as a device that trusts
    // the key when there is one.
    testing_support::ChildRun Verify(bool keyed) const {
        std::vector<std::string> words = {"verify", device.Host(source.package)};
        if (keyed) words.insert(words.end(), {"--key", device.Host(kTrustedKeyFile)});
        return testing_support::RunCaptured(RUVEXA_PACK_PATH, words, device.Host(L"\\out"), device.Host(L"\\err"));
    }

    // The device's stages on the package: the extraction worker, then, once
    // it has verified the package, the installation worker on what it
    // verified. The code the device halts on; empty when it installs.
    std::wstring RunDevice() {
        UpgradeAttempt attempt = testing_support::AttemptFor(false, source.package.c_str(), source.exe.c_str(),
                                                             source.images.c_str(), source.fonts.c_str());
        Preparer preparer{};
        FillWorkerRecord(&preparer, nullptr, 0, attempt);
        preparer.attempt = &attempt;
        log.Clear();
        ExtractThreadProc(&preparer);
        if (!attempt.verified) return FailureCode(preparer.error);
        installer.delta = attempt.verified->delta;
        installer.security_version = attempt.verified->security_version;
        installer.package_checksum = attempt.verified->checksum;
        UpgradeThreadProc(&installer);
        const std::vector<Result> posted = DrainResults();
        if (posted.size() != 1) return L"(" + std::to_wstring(posted.size()) + L" results)";
        return posted[0].text;
    }

    // The device's files beside the source disk, which holds the package
    // and the sections the extraction writes.
    Tree DeviceFiles() const {
        Tree tree = Snapshot();
        std::erase_if(tree, [](const auto& entry) { return entry.first.starts_with("Hard Disk"); });
        return tree;
    }

    // Each file of `entries` (folders and the manifest aside) in `folder`.
    void ExpectInstalled(const std::wstring& folder, const std::vector<MinizipEntry>& entries) const {
        for (const MinizipEntry& entry : entries) {
            if (entry.name.ends_with("/") || entry.name == "Delta.manifest") continue;
            const std::wstring name(entry.name.begin(), entry.name.end());
            EXPECT_EQ(device.ReadFile(folder + ReplaceAll(name, L"/", L"\\")), entry.data) << entry.name;
        }
    }

    static std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
        for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size()) {
            text.replace(at, from.size(), to);
        }
        return text;
    }
};

class PackageAgreement : public PackageDevice, public ::testing::WithParamInterface<AgreementRow> {};

TEST_P(PackageAgreement, DeviceAndVerifyGiveTheRowsVerdict) {
    const AgreementRow& row = GetParam();
    Sections sections = row.delta ? Sections{} : FullSections();
    if (row.change) row.change(&sections);
    std::string package = Pack(sections);
    std::string signedBytes = package;
    if (row.signing == Signing::kOfAnotherPackage) {
        Sections before = sections;
        before.exe += "before it changed";
        signedBytes = Pack(before);
    }
    if (row.damage) row.damage(&package);
    Lay(package, row.signing, signedBytes);
    const testing_support::ChildRun verify = Verify(row.signing != Signing::kNoKey);
    const Tree before = DeviceFiles();

    const std::wstring code = RunDevice();
    if (row.installs) {
        EXPECT_EQ(code, L"") << log.Text();
        EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Orvane3.exe"), sections.delta ? kNewExe : sections.exe);
        ExpectInstalled(L"\\NandFlash\\Merrow\\Images\\", sections.images);
        if (!sections.rawFonts) ExpectInstalled(L"\\NandFlash\\Merrow\\Font\\", sections.fonts);
        EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
        EXPECT_EQ(verify.out.substr(0, 2), "ok") << verify.out;
        if (sections.delta) {
            EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Images\\Icons\\new.png"), "new icon");
            EXPECT_EQ(device.ReadFile(L"\\NandFlash\\Merrow\\Font\\old.ttf"), "old font");
            EXPECT_NE(verify.out.find("checked only on the device"), std::string::npos) << verify.out;
        }
    } else {
        EXPECT_EQ(host::WideToUtf8(code), row.code) << log.Text();
        if (!row.logged.empty()) {
            EXPECT_NE(log.Text().find(row.logged), std::string::npos) << log.Text();
        }
        if (row.leavesDevice) ExpectSameTree(DeviceFiles(), before);
        EXPECT_EQ(verify.status, 1) << verify.out << verify.err;
        EXPECT_EQ(verify.out.substr(0, row.code.size() + 2), row.code + ": ") << verify.out;
        const std::string shown = row.shown.empty() ? row.logged.substr(0, row.logged.find('[')) : row.shown;
        EXPECT_NE(verify.out.find(shown), std::string::npos) << verify.out;
    }
}

// The head's data_size, in bytes 4 to 8.
void SetDataSize(std::string* package, DWORD size) { package->replace(4, 4, LittleEndian(size)); }

// An entry added to the images archive.
std::function<void(Sections*)> AddImage(MinizipEntry entry) {
    return [entry](Sections* s) { s->images.push_back(entry); };
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PackageAgreement,
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

        {"DeltaWithoutFonts", [](DeltaSections* d) { d->rawFonts = ""; }, true},
        // The head's magic decides: a delta's sections under the full magic
        // install as a full package, a full package's under the delta magic
        // have no manifest.
        {"DeltaSectionsUnderTheFullMagic", [](DeltaSections* d) { d->delta = false; }, true},
        Full("FullSectionsUnderTheDeltaMagic", [](Sections* s) { s->delta = true; }, "Err83", kBadImages),
        // Every other wrong form of a manifest line, and one right form more.
        {"BackslashSeparators",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, " Icons/old.png", " Icons\\old.png"); },
         true},
        {"FirstLineOfAnotherVersion",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, "ruvexa-delta 1", "ruvexa-delta 2"); },
         false, kBadFonts},
        {"NoFirstLine",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, "ruvexa-delta 1\n", ""); }, false,
         kBadFonts},
        {"NoManifestInTheArchive", [](DeltaSections* d) { d->fontsManifest.clear(); }, false, kBadFonts},
        {"TabBetweenFields", [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, "take ", "take\t"); },
         false, kBadFonts},
        // The file system drops a name's trailing blanks and dots: the path
        // names old.ttf.
        {"TrailingBlankOfAPath",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, "old.ttf\n", "old.ttf \n"); }, true},
        {"TakeAndAddOfOnePathWithATrailingDot",
         [](DeltaSections* d) {
             d->fontsManifest += Line("add", "new font", "old.ttf.");
             d->fonts.push_back({.name = "old.ttf.", .data = "new font"});
         },
         false, kBadFonts},
        {"TakeAndAddOfOnePathWithATrailingBlank",
         [](DeltaSections* d) {
             d->fontsManifest += Line("add", "new font", "old.ttf ");
             d->fonts.push_back({.name = "old.ttf ", .data = "new font"});
         },
         false, kBadFonts},
        // A path that names a file and, in another line, a folder.
        {"TakenFileAsAFolder",
         [](DeltaSections* d) {
             d->fontsManifest += Line("add", "inner font", "old.ttf/inner.ttf");
             d->fonts.push_back({.name = "old.ttf/inner.ttf", .data = "inner font"});
         },
         false, kBadFonts},
        {"AddedFileAsAFolder",
         [](DeltaSections* d) {
             d->fontsManifest += Line("add", "inner font", "new.ttf/inner.ttf");
             d->fonts.push_back({.name = "new.ttf/inner.ttf", .data = "inner font"});
         },
         false, kBadFonts},
        {"TakenFileInATakenFilesPlace",
         [](DeltaSections* d) { d->fontsManifest += Line("take", "old font", "old.ttf/old.ttf"); },
         false, kBadFonts},
        {"BlankLine", [](DeltaSections* d) { d->fontsManifest += "\n"; }, false, kBadFonts},
        {"SizeWithASign",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, "take 8 ", "take +8 "); }, false, kBadFonts},
        {"SizeBeyond32Bits",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, "take 8 ", "take 4294967304 "); }, false,
         kBadFonts},
        {"NineHexDigits",
         [](DeltaSections* d) {
             d->fontsManifest = Replace(d->fontsManifest, " " + Hex("old font"), " 0" + Hex("old font"));
         },
         false, kBadFonts},
        {"HexDigitThatIsNone",
         [](DeltaSections* d) {
             d->fontsManifest = Replace(d->fontsManifest, " " + Hex("old font"), " " + Hex("old font").substr(1) + "G");
         },
         false, kBadFonts},
        {"UnknownKind", [](DeltaSections* d) { d->fontsManifest += Line("drop", "x", "gone.ttf"); }, false, kBadFonts},
        {"KindInCapitals", [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, "take ", "TAKE "); },
         false, kBadFonts},
        {"ExeLineWithAPath",
         [](DeltaSections* d) {
             d->imagesManifest = Replace(d->imagesManifest, Line("exe patch", kNewExe), Line("exe patch", kNewExe, "a.exe"));
         },
         false, kBadImages},
        {"TakeWithoutAPath",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, " old.ttf\n", "\n"); }, false, kBadFonts},
        {"PathNamingAFolder",
         [](DeltaSections* d) { d->imagesManifest = Replace(d->imagesManifest, " Icons/old.png", " Icons/"); }, false,
         kBadImages},
        {"DriveInThePath",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, " old.ttf", " C:old.ttf"); }, false,
         kBadFonts},
        {"ClimbingInsideThePath",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, " old.ttf", " Sub/../../old.ttf"); }, false,
         kBadFonts},
        {"PathThatIsNoUtf8",
         [](DeltaSections* d) { d->fontsManifest = Replace(d->fontsManifest, " old.ttf", " \xC0\xAFold.ttf"); }, false,
         kBadFonts},
        {"ZeroByteInALine",
         [](DeltaSections* d) {
             d->fontsManifest = Replace(d->fontsManifest, " old.ttf", std::string(" old.ttf\0x", 10));
         },
         false, kBadFonts},
        {"LineBeyondTheReadersCapacity",
         [](DeltaSections* d) { d->fontsManifest += Line("take", "x", std::string(5000, 'p') + ".ttf"); }, false,
         kBadFonts},
        // Full packages cut short, padded, or with a head or tail that lies.
        Full("SoundFull", nullptr, ""),
        Full("NoFontsSection", [](Sections* s) { s->rawFonts = ""; }, ""),
        Damaged("Empty", "Err04", [](std::string* p) { p->clear(); }),
        Damaged("CutInsideTheMagic", "Err04", [](std::string* p) { p->resize(3); }),
        Damaged("CutInsideTheHead", "Err05", [](std::string* p) { p->resize(6); }),
        Damaged("HeadAlone", "Err05", [](std::string* p) { p->resize(8); }, "ExtractThreadProc(): !!! Failed to point tail"),
        Damaged("CutInsideTheExeSection", "Err08", [](std::string* p) { p->resize(1000); }),
        Damaged("CutInsideTheImagesSection", "Err08", [](std::string* p) { p->resize(NewExe().size() + 5000); }),
        Damaged("CutInsideTheTail", "Err08", [](std::string* p) { p->resize(p->size() - 5); }),
        Damaged("PaddedWithOneByte", "Err08", [](std::string* p) { *p += "x"; }),
        Damaged("PaddedWithZeros", "Err08", [](std::string* p) { *p += std::string(4096, '\0'); }),
        Damaged("PaddedWithACopyOfTheTail", "Err09", [](std::string* p) { *p += p->substr(p->size() - 16); },
                "ExtractThreadProc(): !!! Wrong file size"),
        Damaged("DataSizeOneMore", "Err08",
                [](std::string* p) { SetDataSize(p, LittleEndianAt(*p, 4) + 1); }, "ExtractThreadProc(): !!! Wrong data size"),
        Damaged("DataSizeZero", "Err08", [](std::string* p) { SetDataSize(p, 0); }),
        Damaged("SectionSizesMovedByOne", "Err40",
                [](std::string* p) {
                    const size_t tail = p->size() - 16;
                    p->replace(tail, 8, LittleEndian(LittleEndianAt(*p, tail) + 1) +
                                            LittleEndian(LittleEndianAt(*p, tail + 4) - 1));
                },
                kImagesUnzip, "the images section is not a zip archive the device can open"),
        Damaged("WrongChecksum", "Err0F",
                [](std::string* p) { p->replace(p->size() - 4, 4, LittleEndian(LittleEndianAt(*p, p->size() - 4) ^ 1)); },
                "ExtractThreadProc(): !!! Invalid source file checksum", "the data changed after the package was built"),
        Damaged("OneSectionByteChanged", "Err0F", [](std::string* p) { (*p)[100] ^= 0x20; }),
        Damaged("HeadMagicOfNeitherKind", "Err04", [](std::string* p) { p->replace(0, 4, "3-VX"); },
                "ExtractThreadProc(): !!! Invalid file signature=[58562D33]"),
        Full("NoExeSection", [](Sections* s) { s->exe.clear(); }, "Err0D"),
        Full("NoImagesSection", [](Sections* s) { s->rawImages = ""; }, "Err23"),
        Full("ImagesThatAreNoArchive", [](Sections* s) { s->rawImages = "just some bytes"; }, "Err40", kImagesUnzip,
             "the images section is not a zip archive the device can open"),
        Full("FontsThatAreNoArchive", [](Sections* s) { s->rawFonts = "just some bytes"; }, "Err50", kFontsUnzip,
             "the fonts section is not a zip archive the device can open", false),

        // Hostile archives inside an otherwise sound package.
        Full("ClimbingEntry", AddImage({.name = "../escape.txt", .data = "escaped"}), "Err40",
             "UnzipFile(): !!! Unsafe entry name=[..\\escape.txt]"),
        Full("ClimbingOutOfAFolder", AddImage({.name = "Icons/../../escape.txt", .data = "escaped"}), "Err40",
             "UnzipFile(): !!! Unsafe entry name=[Icons\\..\\..\\escape.txt]"),
        Full("AbsoluteEntry", AddImage({.name = "/NandFlash/escape.txt", .data = "escaped"}), "Err40",
             "UnzipFile(): !!! Unsafe entry name=[\\NandFlash\\escape.txt]"),
        Full("DriveEntry", AddImage({.name = "C:/escape.txt", .data = "escaped"}), "Err40",
             "UnzipFile(): !!! Unsafe entry name=[C:\\escape.txt]"),
        Full("ClimbingEntryInTheFonts",
             [](Sections* s) { s->fonts.push_back({.name = "../escape.ttf", .data = "escaped"}); }, "Err50",
             "UnzipFile(): !!! Unsafe entry name=[..\\escape.ttf]", "", false),
        Full("UnsupportedCompressionMethod",
             [](Sections* s) {
                 s->rawImages = PythonArchive("add('a.bmp', b'BM')\nadd('b.bmp', b'x' * 100, method=zipfile.ZIP_BZIP2)");
             },
             "Err40", "==> unzOpenCurrentFile Failed", "entry 'b.bmp' of the images archive (compression method 12"),
        Full("DamagedDeflateStream",
             AddImage({.name = "bad.bin", .data = std::string("\x07\x00\x00\x00\x00\x00", 6), .raw = true,
                       .crc = 0x12345678, .uncompressedSize = 100}),
             "Err40", kImagesUnzip, "entry 'bad.bin' of the images archive"),
        Full("DataThatFailsItsCrc",
             AddImage({.name = "wrong.bin", .data = unzip_testing::Deflate("inflates well"), .raw = true,
                       .crc = ReferenceCrc32("inflates well") ^ 1, .uncompressedSize = 13}),
             "Err40", kImagesUnzip, "entry 'wrong.bin' of the images archive"),
        Full("FolderWhereAFileStands",
             AddImage({.name = "back.bmp/", .data = "", .externalAttributes = FILE_ATTRIBUTE_DIRECTORY}), "Err40",
             kImagesUnzip, "entry 'back.bmp\\' of the images archive"),
        Full("FileWhereAFolderStands", AddImage({.name = "Icons", .data = "a file"}), "Err40", kImagesUnzip,
             "UnzipFile(): !!! Failed to delete file=[\\NandFlash\\Merrow\\Images_\\Icons]"),
        Full("NameTooLongWhereItIsUnpacked", AddImage({.name = std::string(240, 'n'), .data = "long"}), "Err40",
             "UnzipFile(): !!! Path too long, folder=[\\NandFlash\\Merrow\\Images_]"),

        // Signed packages on a device that trusts a key.
        Keyed("SignedWithASecurityVersion", Signing::kVersioned),
        Keyed("SignedInTheFirstFormat", Signing::kFirstFormat),
        Keyed("SignedDelta", Signing::kVersioned, "", true),
        Keyed("SignatureMissing", Signing::kMissing, "ExtractThreadProc(): !!! Missing signature=" + kSignature),
        Keyed("UnsignedDelta", Signing::kMissing, "ExtractThreadProc(): !!! Missing signature=" + kSignature, true),
        Keyed("SignedByAnotherKey", Signing::kByAnotherKey, "ExtractThreadProc(): !!! Untrusted signature=" + kSignature),
        Keyed("AnotherKeyNamingTheTrustedOne", Signing::kNamingTheTrustedKey,
              "ExtractThreadProc(): !!! Invalid signature=" + kSignature),
        Keyed("ChangedAfterSigning", Signing::kOfAnotherPackage,
              "ExtractThreadProc(): !!! Invalid signature=" + kSignature),
        Keyed("SignatureMalformed", Signing::kMalformed, "ExtractThreadProc(): !!! Malformed signature=" + kSignature),
    }),
    [](const ::testing::TestParamInfo<AgreementRow>& info) { return info.param.name; });

// The one thing verify cannot know: a file the delta takes differs on the
// device. verify says ok and that only the device checks it; the device
// refuses with the code of a delta that does not fit.
TEST_F(PackageDevice, TakenFileThatDiffersIsTheDevicesToFind) {
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\back.bmp", "old backgrounD");
    const std::string package = Pack(Sections{});
    Lay(package, Signing::kNoKey, package);
    const testing_support::ChildRun verify = Verify(false);
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    EXPECT_EQ(verify.out,
              "ok\nverify: the files this delta takes from the installed version, and the executable its patch applies "
              "to, are checked only on the device\n");
    EXPECT_EQ(RunDevice(), L"Err80");
    EXPECT_NE(log.Text().find("UpgradeThreadProc(): !!! Delta does not fit=[\\NandFlash\\Merrow\\Images\\back.bmp]"),
              std::string::npos)
        << log.Text();
}

// The other: the device's security floor. verify names the signature's
// security version for the maker to hold against the floors in the field;
// a device whose floor stands above it refuses the package.
TEST_F(PackageDevice, SignatureBelowTheFloorIsTheDevicesToFind) {
    BOOL raised = FALSE;
    ASSERT_TRUE(RaiseSecurityFloor(4, &raised));
    const std::string package = Pack(FullSections());
    Lay(package, Signing::kVersioned, package);
    const testing_support::ChildRun verify = Verify(true);
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    EXPECT_EQ(verify.out, "ok, security version 3\n");
    EXPECT_EQ(RunDevice(), L"Err0E");
    EXPECT_NE(log.Text().find("ExtractThreadProc(): !!! Signature below security floor, security version=[3], floor=[4]"),
              std::string::npos)
        << log.Text();
}

}  // namespace
}  // namespace install_testing
