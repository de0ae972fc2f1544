// The extraction worker on a device with and without a trusted key, one row
// per signature and key file: the code posted, the log, and the whole device
// afterwards. A refusal before the pass leaves the device exactly as it was;
// one after the pass removes every output; the package, its signature and
// the key are never changed.
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "extraction_test_support.h"
#include "signing_support.h"

namespace {

using namespace extraction_testing;
using package_testing::BuildPackage;
using package_testing::MakeKey;
using package_testing::PublicKeyFile;
using package_testing::SignatureFile;
using package_testing::TestKey;

const wchar_t kKeyPath[] = L"\\NandFlash\\Merrow\\Upgrade.pub";
const wchar_t kFloorPath[] = L"\\NandFlash\\Merrow\\Floor.A";
const wchar_t kNextKeysPath[] = L"\\NandFlash\\Merrow\\Upgrade.next";

enum class Outcome {
    RefusedAtOnce,     // nothing written or deleted
    RefusedAfterPass,  // every section copied, then every output deleted
    Extracted,         // every section in place
};

struct SignedRow {
    std::string name;
    std::optional<std::string> key;        // the device's Upgrade.pub, none when absent
    std::optional<std::string> signature;  // the .SIG beside the package, none when absent
    std::string package{};                 // empty: the signed package itself
    std::wstring code = L"Err0E";          // empty: success
    Outcome outcome = Outcome::RefusedAtOnce;
    std::string lastLine{};                // empty: the log of an extraction without a key, unchanged
    // This CreateFileW of the run fails with ERROR_ACCESS_DENIED (1 is the package's).
    unsigned failedOpen = 0;
    bool floorThree = false;  // the device's security floor is 3
    // The key lies in Upgrade.next, as between the two moves of a rotation.
    bool keyAsNextKeys = false;
};

class SignedExtractionTest : public ExtractionTest {};

TEST_F(SignedExtractionTest, EachSignatureAndKeyGetsItsVerdict) {
    const package_testing::PackageContents sections = SmallPackage();
    const std::string package = BuildPackage(sections);
    package_testing::PackageContents alteredContents = sections;
    alteredContents.exe[3] ^= 0x01;  // the checksum is recomputed: only the signature can tell
    const std::string altered = BuildPackage(alteredContents);
    package_testing::PackageContents otherContents = sections;
    otherContents.images += " of another package";
    std::string damaged = package;
    damaged[10] ^= 0x01;  // the checksum is not recomputed

    const TestKey trusted = MakeKey(1), other = MakeKey(2);
    const std::string key = PublicKeyFile(trusted);
    const std::string good = SignatureFile(trusted, package);
    std::string wrongVersion = good;
    wrongVersion[4] = 2;
    std::string wrongKeyId = key;
    wrongKeyId[8] ^= 0x01;

    using package_testing::SignedContentFile;
    using package_testing::TrustedKeyFile;
    const TestKey next = MakeKey(3);
    const std::string withContent = SignedContentFile(trusted, package, 1, {next}, {"OV3-Pro", "OV3 Lite"});
    // The model count says two, one follows.
    std::string countBeyond = SignedContentFile(trusted, package, 1, {}, {"OV3-Pro"});
    countBeyond[21] = 2;
    std::string controlInModel = SignedContentFile(trusted, package, 1, {}, {"OV3-Pro"});
    controlInModel[23] = '\t';
    std::string alteredModel = withContent;
    alteredModel[22 + 48 + 1] = 'o';  // "oV3-Pro": still a model, no longer the signed one
    std::vector<TestKey> nine;
    for (unsigned char seed = 10; seed < 19; ++seed) nine.push_back(MakeKey(seed));
    const std::string valid = "ExtractThreadProc(): valid signature, at=[*]";
    const std::string refused = "ExtractThreadProc(): !!! ";
    const std::string invalid = refused + "Invalid signature=[" + kSignatureLog + "], at=[*]";
    const std::string malformed = refused + "Malformed signature=[" + kSignatureLog + "], at=[*]";
    const std::string badKey = refused + "Invalid trusted key=[\\NandFlash\\Merrow\\Upgrade.pub], at=[*]";
    const SignedRow rows[] = {
        {.name = "signed by the trusted key", .key = key, .signature = good, .code = L"",
         .outcome = Outcome::Extracted, .lastLine = "ExtractThreadProc(): valid signature, at=[*]"},
        {.name = "unsigned", .key = key, .signature = std::nullopt,
         .lastLine = refused + "Missing signature=[" + kSignatureLog + "], at=[*]"},
        {.name = "signed by another key", .key = key, .signature = SignatureFile(other, package),
         .lastLine = refused + "Untrusted signature=[" + kSignatureLog + "], at=[*]"},
        {.name = "another key naming the trusted one", .key = key, .signature = SignatureFile(other, package, trusted),
         .outcome = Outcome::RefusedAfterPass, .lastLine = invalid},
        {.name = "altered after signing, checksum recomputed", .key = key, .signature = good, .package = altered,
         .outcome = Outcome::RefusedAfterPass, .lastLine = invalid},
        {.name = "signature of another package", .key = key,
         .signature = SignatureFile(trusted, BuildPackage(otherContents)), .outcome = Outcome::RefusedAfterPass,
         .lastLine = invalid},
        {.name = "damaged after signing", .key = key, .signature = good, .package = damaged, .code = L"Err0F",
         .outcome = Outcome::RefusedAfterPass,
         .lastLine = refused + "Invalid source file checksum, calculated=[" +
                     std::to_string(static_cast<int>(
                         package_testing::ReferenceCrc32(damaged.substr(0, damaged.size() - 16)))) +
                     "], expected=[" +
                     std::to_string(static_cast<int>(
                         package_testing::ReferenceCrc32(package.substr(0, package.size() - 16)))) +
                     "], at=[*]"},
        {.name = "truncated signature", .key = key, .signature = good.substr(0, good.size() - 1),
         .lastLine = malformed},
        {.name = "signature with a byte appended", .key = key, .signature = good + "x", .lastLine = malformed},
        {.name = "garbage signature", .key = key, .signature = package_testing::RandomBytes(good.size(), 7),
         .lastLine = malformed},
        {.name = "signature of another format version", .key = key, .signature = wrongVersion, .lastLine = malformed},
        {.name = "garbage key file", .key = package_testing::RandomBytes(key.size(), 8), .signature = good,
         .lastLine = badKey},
        {.name = "key file whose key id is not its key's", .key = wrongKeyId, .signature = good, .lastLine = badKey},
        {.name = "empty key file", .key = std::string(), .signature = good, .lastLine = badKey},
        {.name = "key file that cannot be opened", .key = key, .signature = good,
         .lastLine =
             refused + "Failed to read trusted key=[\\NandFlash\\Merrow\\Upgrade.pub], error=[5], at=[*]",
         .failedOpen = 2},
        {.name = "signature that cannot be opened", .key = key, .signature = good,
         .lastLine = refused + "Failed to read signature=[" + kSignatureLog + "], error=[5], at=[*]",
         .failedOpen = 3},
        {.name = "versioned at the floor", .key = key,
         .signature = package_testing::VersionedSignatureFile(trusted, package, 3), .code = L"",
         .outcome = Outcome::Extracted, .lastLine = "ExtractThreadProc(): valid signature, at=[*]", .floorThree = true},
        {.name = "versioned below the floor", .key = key,
         .signature = package_testing::VersionedSignatureFile(trusted, package, 2),
         .lastLine = refused + "Signature below security floor, security version=[2], floor=[3], at=[*]",
         .floorThree = true},
        {.name = "no key, below the floor", .key = std::nullopt,
         .signature = package_testing::VersionedSignatureFile(trusted, package, 2), .code = L"",
         .outcome = Outcome::Extracted, .floorThree = true},
        {.name = "no key, signed", .key = std::nullopt, .signature = good, .code = L"", .outcome = Outcome::Extracted},
        {.name = "format 3 with a next key and models", .key = key, .signature = withContent, .code = L"",
         .outcome = Outcome::Extracted, .lastLine = valid},
        {.name = "format 3 with a model changed after signing", .key = key, .signature = alteredModel,
         .outcome = Outcome::RefusedAfterPass, .lastLine = invalid},
        {.name = "format 3 whose count goes beyond its bytes", .key = key, .signature = countBeyond,
         .lastLine = malformed},
        {.name = "format 3 with a control character in a model", .key = key, .signature = controlInModel,
         .lastLine = malformed},
        {.name = "format 3 with a byte appended", .key = key, .signature = withContent + "x", .lastLine = malformed},
        {.name = "two trusted keys, signed by the second", .key = TrustedKeyFile({other, trusted}), .signature = good,
         .code = L"", .outcome = Outcome::Extracted, .lastLine = valid},
        {.name = "two trusted keys, signed by neither", .key = TrustedKeyFile({other, next}), .signature = good,
         .lastLine = refused + "Untrusted signature=[" + kSignatureLog + "], at=[*]"},
        {.name = "two trusted keys, the second cut short", .key = key + key.substr(0, 47), .signature = good,
         .lastLine = badKey},
        {.name = "two trusted keys, the second not a key file", .key = key + wrongKeyId, .signature = good,
         .lastLine = badKey},
        {.name = "nine trusted keys, one more than a device takes", .key = TrustedKeyFile(nine), .signature = good,
         .lastLine = badKey},
        {.name = "keys in force from Upgrade.next while Upgrade.pub is missing", .key = key, .signature = good,
         .code = L"", .outcome = Outcome::Extracted, .lastLine = valid, .keyAsNextKeys = true},
        {.name = "no key, format 3", .key = std::nullopt, .signature = withContent, .code = L"",
         .outcome = Outcome::Extracted},
        {.name = "no key, garbage signature", .key = std::nullopt, .signature = "garbage", .code = L"",
         .outcome = Outcome::Extracted},
    };
    const std::pair<std::string, std::string> outputs[] = {
        {"AppExecute.ex", sections.exe}, {"AppImages.zi", sections.images}, {"AppFonts.zi", sections.fonts}};
    for (const SignedRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string& bytes = row.package.empty() ? package : row.package;
        device.WriteFile(kPackagePath, bytes);
        SeedStaleOutputs();
        if (row.key) device.WriteFile(row.keyAsNextKeys ? kNextKeysPath : kKeyPath, *row.key);
        if (row.signature) device.WriteFile(kSignaturePath, *row.signature);
        if (row.floorThree) device.WriteFile(kFloorPath, "sequence=1\r\nfloor=3\r\n");
        testing_support::Tree expected = testing_support::SnapshotOf(device.Root());
        for (const auto& [name, section] : outputs) {
            if (row.outcome == Outcome::Extracted) expected["Storage Card/OV3_Download/" + name] = section;
            if (row.outcome == Outcome::RefusedAfterPass) expected.erase("Storage Card/OV3_Download/" + name);
        }

        if (row.failedOpen) host::FailCall(host::Op::CreateFileW, ERROR_ACCESS_DENIED, row.failedOpen);
        EXPECT_EQ(RunWorker(window), 0u);
        host::ClearFailures();
        const std::vector<Result> posted = DrainResults();
        if (row.code.empty()) {
            ExpectOneSuccess(posted);
        } else {
            ExpectOneFailure(posted, row.code);
        }
        Lines expectedLog = {kPreVerified};
        if (!row.key) expectedLog.push_back(kNoTrustedKey);
        if (row.outcome != Outcome::RefusedAtOnce) {
            expectedLog.insert(expectedLog.end(), {kExtractedExe, kExtractedImages, kExtractedFont});
            if (row.code != L"Err0F") expectedLog.push_back(kValidChecksum);
        }
        if (!row.lastLine.empty()) expectedLog.push_back(row.lastLine);
        EXPECT_EQ(log.MaskedLines(), expectedLog);
        EXPECT_EQ(testing_support::TreeDifference(testing_support::SnapshotOf(device.Root()), expected), "");
        ExpectPackageClosedAndUnchanged(bytes);
        DeleteFileW(kKeyPath);
        DeleteFileW(kNextKeysPath);
        DeleteFileW(kFloorPath);
        ClearDownloadFolder();
    }
}

}  // namespace
