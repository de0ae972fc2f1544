// The signed road with build/ruvexa and ruvexa-pack: keys made by keygen,
// packages signed by sign, the public key installed on the device. A device
// with the key upgrades from a package its key signed and halts on "Err0E"
// for any other, leaving the request, the package and its signature in
// place; a remote upgrade takes the signature away with the package.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::BuiltPackage;
using scenario::Scratch;
using testing_support::TempDevice;

enum class Signature { ByTheKey, None, ByAnotherKey, OfAnotherPackage };

struct SignedRow {
    std::string name;
    bool remote;
    bool keyOnDevice = true;
    Signature signature = Signature::ByTheKey;
    bool readOnlySignature = false;
    bool upgrades;
    std::vector<std::string> log;  // in this order, other lines between
};

void PrintTo(const SignedRow& row, std::ostream* out) { *out << row.name; }

const std::string kValid = "ExtractThreadProc(): valid signature, at=[*]";
const std::string kDeleted = "UpgradeThreadProc(): deleted upgrade signature, at=[*]";

const std::vector<SignedRow>& SignedRows() {
    static const std::vector<SignedRow> rows = {
        {.name = "RemoteSignedUpgradesAndItsSignatureGoesWithThePackage",
         .remote = true,
         .upgrades = true,
         .log = {kValid, "UpgradeThreadProc(): deleted upgrade file, at=[*]", kDeleted}},
        {.name = "UsbSignedUpgradesAndLeavesPackageAndSignature", .remote = false, .upgrades = true, .log = {kValid}},
        {.name = "UnsignedIsRefused",
         .remote = true,
         .signature = Signature::None,
         .upgrades = false,
         .log = {"ExtractThreadProc(): !!! Missing signature=[\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN.SIG], "
                 "at=[*]"}},
        {.name = "SignedByAnotherKeyIsRefused",
         .remote = false,
         .signature = Signature::ByAnotherKey,
         .upgrades = false,
         .log = {"ExtractThreadProc(): !!! Untrusted signature=[Hard Disk\\OV3_UPGRADE_7.BIN.SIG], at=[*]"}},
        {.name = "SignatureOfAnotherPackageIsRefusedAfterThePass",
         .remote = true,
         .signature = Signature::OfAnotherPackage,
         .upgrades = false,
         .log = {"ExtractThreadProc(): valid source file checksum, at=[*]",
                 "ExtractThreadProc(): !!! Invalid signature=[\\Storage Card\\OV3_Download\\OV3_UPGRADE_2024.BIN.SIG], "
                 "at=[*]"}},
        {.name = "WithoutAKeyASignedPackageUpgradesAsAnyOther",
         .remote = true,
         .keyOnDevice = false,
         .upgrades = true,
         .log = {kDeleted}},
        {.name = "ASignatureThatCannotBeDeletedIsOnlyLogged",
         .remote = true,
         .readOnlySignature = true,
         .upgrades = true,
         .log = {kValid, "UpgradeThreadProc(): !!! Failed to delete upgrade signature=[\\Storage "
                         "Card\\OV3_Download\\OV3_UPGRADE_2024.BIN.SIG], at=[*]"}},
    };
    return rows;
}

class SignedUpgrade : public ::testing::TestWithParam<SignedRow> {
protected:
    // Signs the package in scratch's content folder and takes the signature.
    std::string Sign(const std::string& key) {
        const std::string package = scratch_.Path("content/package.bin");
        EXPECT_EQ(scenario::RunPack({"sign", "--force", package, "--key", scratch_.Path(key)}, scratch_), 0)
            << scenario::ReadHostFile(scratch_.Path("pack.err"));
        return scenario::ReadHostFile(package + ".SIG");
    }

    Scratch scratch_;
};

TEST_P(SignedUpgrade, Runs) {
    const SignedRow& row = GetParam();
    for (const char* name : {"maker", "other"}) {
        ASSERT_EQ(scenario::RunPack({"keygen", scratch_.Path(name)}, scratch_), 0);
    }
    scenario::UpgradeContent other = scenario::StandardUpgrade();
    other.exe += "# another build\n";
    scenario::BuildUpgradePackage(other, scratch_);
    const std::string ofOtherPackage = Sign("maker.key");
    const scenario::UpgradeContent content = scenario::StandardUpgrade();
    const BuiltPackage package = scenario::BuildUpgradePackage(content, scratch_);
    const std::string byTheKey = Sign("maker.key");
    const std::string byAnotherKey = Sign("other.key");

    TempDevice device;
    scenario::MakeUpgradeDevice(device, package, row.remote);
    if (row.keyOnDevice) {
        device.WriteFile(L"\\NandFlash\\Merrow\\Upgrade.pub", scenario::ReadHostFile(scratch_.Path("maker.pub")));
    }
    const std::wstring packagePath = scenario::PackagePath(row.remote);
    const std::wstring signaturePath = packagePath + L".SIG";
    const std::string signature = row.signature == Signature::ByTheKey       ? byTheKey
                                  : row.signature == Signature::ByAnotherKey ? byAnotherKey
                                                                             : ofOtherPackage;
    if (row.signature != Signature::None) device.WriteFile(signaturePath, signature);
    if (row.readOnlySignature) device.SetReadOnly(signaturePath, true);

    auto run = scenario::RunRuvexa(device.Root(), {"--time-scale", "100", "--boots", "2"}, scratch_);

    std::string missing;
    EXPECT_TRUE(scenario::InOrder(run.MaskedLog(), row.log, &missing)) << missing << "\n" << run.log;
    if (row.upgrades) {
        EXPECT_EQ(scenario::WhyNotUpgraded(device, run, content, row.remote), "") << run.log;
        EXPECT_EQ(device.Exists(packagePath), !row.remote);
        EXPECT_EQ(device.Exists(signaturePath), !row.remote || row.readOnlySignature);
        return;
    }
    EXPECT_EQ(run.status, 6) << run.err;
    EXPECT_NE(run.err.find("Err0E Preparation failed"), std::string::npos) << run.err;
    EXPECT_TRUE(device.Exists(scenario::UpgradeFlag(row.remote)));
    EXPECT_EQ(device.ReadFile(packagePath), package.bytes);
    EXPECT_EQ(device.Exists(signaturePath), row.signature != Signature::None);
    if (row.signature != Signature::None) {
        EXPECT_EQ(device.ReadFile(signaturePath), signature);
    }
    EXPECT_EQ(device.ReadFile(scenario::kMerrow + L"Orvane3.exe"), "#!/bin/sh\ntouch old_orvane3.ran\n");
    for (const wchar_t* section : scenario::kSectionFiles) {
        EXPECT_FALSE(device.Exists(scenario::SectionFolder(row.remote) + section));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SignedUpgrade, ::testing::ValuesIn(SignedRows()),
                         [](const ::testing::TestParamInfo<SignedRow>& info) { return info.param.name; });

}  // namespace
