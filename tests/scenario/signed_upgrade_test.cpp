// The signed road with build/ruvexa and ruvexa-pack: keys made by keygen,
// packages signed by sign, the public key installed on the device. A device
// with the key upgrades from a package its key signed and halts on "Err0E"
// for any other, leaving the request, the package and its signature in
// place; a remote upgrade takes the signature away with the package.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ruvexa_runner.h"
#include "upgrade_package.h"

namespace {

using scenario::BuildUpgradePackage;
using scenario::BuiltPackage;
using scenario::ReadHostFile;
using scenario::Scratch;
using scenario::UpgradeContent;
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

// Runs ruvexa-pack; a failure throws its error output, which fails the row
// that needed the run.
void Pack(const std::vector<std::string>& arguments, const Scratch& scratch) {
    if (scenario::RunPack(arguments, scratch) != 0) {
        throw std::runtime_error("ruvexa-pack " + arguments[0] + " failed: " + ReadHostFile(scratch.Path("pack.err")));
    }
}

// The keys, packages and signatures depend on no row, so each is made once
// per process, when a row first needs it: the test binary alone makes them
// once for all rows, and under ctest, which runs each row in a process of its
// own, a row makes only what it uses.
struct Packed {
    explicit Packed(const UpgradeContent& made) : content(made), package(BuildUpgradePackage(content, scratch)) {}

    // The package signed by the key pair at `key` (its path without extension).
    std::string SignedBy(const std::string& key) const {
        const std::string path = scratch.Path("content/package.bin");
        Pack({"sign", path, "--key", key + ".key"}, scratch);
        return ReadHostFile(path + ".SIG");
    }

    Scratch scratch;
    UpgradeContent content;
    BuiltPackage package;
};

// "<name>.key" and "<name>.pub" made by keygen; their path without extension.
std::string KeyPair(const std::string& name) {
    static const Scratch keys;
    Pack({"keygen", keys.Path(name)}, keys);
    return keys.Path(name);
}

const std::string& TrustedKey() {
    static const std::string key = KeyPair("maker");
    return key;
}

const Packed& ThePackage() {
    static const Packed packed(scenario::StandardUpgrade());
    return packed;
}

const std::string& SignatureOf(Signature signature) {
    static const std::string none;
    switch (signature) {
        case Signature::ByTheKey: {
            static const std::string byTheKey = ThePackage().SignedBy(TrustedKey());
            return byTheKey;
        }
        case Signature::None:
            return none;
        case Signature::ByAnotherKey: {
            static const std::string byAnotherKey = ThePackage().SignedBy(KeyPair("other"));
            return byAnotherKey;
        }
        case Signature::OfAnotherPackage: {
            static const std::string ofOtherPackage = [] {
                UpgradeContent other = scenario::StandardUpgrade();
                other.exe += "# another build\n";
                return Packed(other).SignedBy(TrustedKey());
            }();
            return ofOtherPackage;
        }
    }
    return none;
}

class SignedUpgrade : public ::testing::TestWithParam<SignedRow> {};

TEST_P(SignedUpgrade, Runs) {
    const SignedRow& row = GetParam();
    const UpgradeContent& content = ThePackage().content;
    const BuiltPackage& package = ThePackage().package;
    const std::string& signature = SignatureOf(row.signature);

    TempDevice device;
    scenario::MakeUpgradeDevice(device, package, row.remote);
    if (row.keyOnDevice) device.WriteFile(L"\\NandFlash\\Merrow\\Upgrade.pub", ReadHostFile(TrustedKey() + ".pub"));
    const std::wstring packagePath = scenario::PackagePath(row.remote);
    const std::wstring signaturePath = packagePath + L".SIG";
    if (row.signature != Signature::None) device.WriteFile(signaturePath, signature);
    if (row.readOnlySignature) device.SetReadOnly(signaturePath, true);

    Scratch scratch;
    auto run = scenario::RunRuvexa(device.Root(), {"--time-scale", "100", "--boots", "2"}, scratch);

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
