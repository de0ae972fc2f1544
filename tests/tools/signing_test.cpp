// ruvexa-pack's keys and signatures: keygen's files, build --sign and sign,
// and verify --key judging each package as a device holding that key would.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "pack_runner.h"
#include "package_builder.h"
#include "signing_support.h"

using pack_test::RandomBytes;
using pack_test::ToolRun;
using pack_test::Workspace;

namespace {

class SigningTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"maker", "other"}) {
            ToolRun keygen = space_.Pack({"keygen", space_.Path(name)});
            ASSERT_EQ(keygen.status, 0) << keygen.err;
        }
        space_.Write("app.exe", RandomBytes(3000, 1));
        space_.Write("images/Start.bmp", RandomBytes(2000, 2));
        ToolRun build = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("images"),
                                     "--sign", space_.Path("maker.key"), "-o", space_.Path("OV3_UPGRADE_1.BIN")});
        ASSERT_EQ(build.status, 0) << build.err;
        package_ = space_.Read("OV3_UPGRADE_1.BIN");
        signature_ = space_.Read("OV3_UPGRADE_1.BIN.SIG");
    }

    ToolRun Verify(const std::string& key, const std::string& package, const std::string& signature) {
        space_.Write("OV3_UPGRADE_T.BIN", package);
        std::remove(space_.Path("OV3_UPGRADE_T.BIN.SIG").c_str());
        if (!signature.empty()) space_.Write("OV3_UPGRADE_T.BIN.SIG", signature);
        return space_.Pack({"verify", "--key", space_.Path(key), space_.Path("OV3_UPGRADE_T.BIN")});
    }

    Workspace space_;
    std::string package_, signature_;
};

TEST_F(SigningTest, KeygenWritesAPrivateSecretKeyAndAPublicKeyAndReplacesNeither) {
    EXPECT_EQ(space_.Read("maker.key").substr(0, 4), "RVSK");
    EXPECT_EQ(space_.Read("maker.key").size(), 80u);
    EXPECT_EQ(space_.Read("maker.pub").substr(0, 4), "RVPK");
    EXPECT_EQ(space_.Read("maker.pub").size(), 48u);
    struct stat st;
    ASSERT_EQ(stat(space_.Path("maker.key").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const std::string secret = space_.Read("maker.key");
    ToolRun again = space_.Pack({"keygen", space_.Path("maker")});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("exists"), std::string::npos) << again.err;
    EXPECT_EQ(space_.Read("maker.key"), secret);
}

TEST_F(SigningTest, VerifyWithAKeyAcceptsOnlyWhatItSigned) {
    std::string altered = package_;
    altered[8 + 100] ^= 0x01;  // the exe, with the checksum then recomputed
    altered = package_testing::BuildPackage(
        {.exe = altered.substr(8, 3000), .images = altered.substr(8 + 3000, altered.size() - 3024)});
    struct Row {
        std::string name, key, package, signature, output;
    };
    const Row rows[] = {
        {"signed by the key", "maker.pub", package_, signature_, "ok, security version 0\n"},
        {"signed by another key", "other.pub", package_, signature_, "Err0E: "},
        {"unsigned", "maker.pub", package_, "", "Err0E: there is no signature"},
        {"altered after signing", "maker.pub", altered, signature_, "Err0E: "},
        {"truncated signature", "maker.pub", package_, signature_.substr(0, 40), "Err0E: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ToolRun run = Verify(row.key, row.package, row.signature);
        EXPECT_EQ(run.status, row.output.rfind("ok", 0) == 0 ? 0 : 1);
        EXPECT_EQ(run.out.rfind(row.output, 0), 0u) << run.out;
    }
    // Without --key the signature is not looked at, as on a device without a key.
    EXPECT_EQ(space_.Pack({"verify", space_.Path("OV3_UPGRADE_T.BIN")}).out, "ok\n");
}

TEST_F(SigningTest, SignWritesWhatBuildWroteAndInspectNamesItsKey) {
    space_.Write("OV3_UPGRADE_2.BIN", package_);
    ToolRun sign = space_.Pack({"sign", space_.Path("OV3_UPGRADE_2.BIN"), "--key", space_.Path("maker.key")});
    ASSERT_EQ(sign.status, 0) << sign.err;
    // Ed25519 signatures are deterministic: the same bytes by the same key.
    EXPECT_EQ(space_.Read("OV3_UPGRADE_2.BIN.SIG"), signature_);

    const std::string keyId = sign.out.substr(sign.out.find("key id ") + 7, 16);
    ToolRun inspect = space_.Pack({"inspect", space_.Path("OV3_UPGRADE_2.BIN")});
    EXPECT_NE(inspect.out.find("key id " + keyId), std::string::npos) << inspect.out;
    ToolRun json = space_.Pack({"inspect", "--json", space_.Path("OV3_UPGRADE_2.BIN")});
    EXPECT_NE(json.out.find("\"well_formed\":true,\"key_id\":\"" + keyId + "\""), std::string::npos) << json.out;
}

TEST_F(SigningTest, SignRefusesADamagedPackageAndAKeyThatIsNoSecretKey) {
    std::string damaged = package_;
    damaged[20] ^= 0x01;
    space_.Write("OV3_UPGRADE_3.BIN", damaged);
    for (const auto& [key, why] : {std::pair{"maker.key", "Err0F"}, std::pair{"maker.pub", "is a public key"}}) {
        SCOPED_TRACE(key);
        ToolRun sign = space_.Pack({"sign", space_.Path("OV3_UPGRADE_3.BIN"), "--key", space_.Path(key)});
        EXPECT_EQ(sign.status, 1);
        EXPECT_NE(sign.err.find(why), std::string::npos) << sign.err;
        EXPECT_FALSE(space_.Exists("OV3_UPGRADE_3.BIN.SIG"));
    }
}

// The maker's secret key as the test support's signer, to write signature
// files of either format byte by byte.
package_testing::TestKey MakerKey(const Workspace& space) {
    const std::string secret = space.Read("maker.key");
    return {"", secret.substr(16, 64), secret.substr(8, 8)};
}

TEST_F(SigningTest, TheSecurityVersionIsSignedShownAndVerified) {
    const package_testing::TestKey maker = MakerKey(space_);
    std::string tampered = package_testing::VersionedSignatureFile(maker, package_, 7);
    tampered[16] = 9;  // the version claimed, no longer the one signed
    struct Row {
        std::string name, signature, verified, inspected, json;
    };
    const Row rows[] = {
        {"first format", package_testing::SignatureFile(maker, package_), "ok, security version 0\n",
         "security version 0 (format 1)", "\"format\":1,\"security_version\":0"},
        {"versioned", package_testing::VersionedSignatureFile(maker, package_, 7), "ok, security version 7\n",
         "security version 7 (verify", "\"format\":2,\"security_version\":7"},
        {"highest", package_testing::VersionedSignatureFile(maker, package_, 4294967295u),
         "ok, security version 4294967295\n", "security version 4294967295 (verify", "\"security_version\":4294967295"},
        {"version altered after signing", tampered, "Err0E: ", "security version 9 (verify", "\"security_version\":9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ToolRun verify = Verify("maker.pub", package_, row.signature);
        EXPECT_EQ(verify.out.rfind(row.verified, 0), 0u) << verify.out;
        ToolRun inspect = space_.Pack({"inspect", space_.Path("OV3_UPGRADE_T.BIN")});
        EXPECT_NE(inspect.out.find(row.inspected), std::string::npos) << inspect.out;
        ToolRun json = space_.Pack({"inspect", "--json", space_.Path("OV3_UPGRADE_T.BIN")});
        EXPECT_NE(json.out.find(row.json), std::string::npos) << json.out;
    }
}

TEST_F(SigningTest, BuildAndSignWriteTheSecurityVersionGiven) {
    const std::string versioned = package_testing::VersionedSignatureFile(MakerKey(space_), package_, 12);
    ToolRun build = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("images"), "--sign",
                                 space_.Path("maker.key"), "--security-version", "12", "--force", "-o",
                                 space_.Path("OV3_UPGRADE_1.BIN")});
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_NE(build.out.find(", security version 12 (given)\n"), std::string::npos) << build.out;
    EXPECT_EQ(space_.Read("OV3_UPGRADE_1.BIN.SIG"), versioned);
    space_.Write("OV3_UPGRADE_2.BIN", package_);
    ToolRun sign = space_.Pack({"sign", "--security-version=12", "--key", space_.Path("maker.key"),
                                space_.Path("OV3_UPGRADE_2.BIN")});
    ASSERT_EQ(sign.status, 0) << sign.err;
    EXPECT_EQ(space_.Read("OV3_UPGRADE_2.BIN.SIG"), versioned);
    EXPECT_EQ(signature_.size(), 84u);  // without the option: the versioned format, version 0
    EXPECT_EQ(signature_.substr(16, 4), std::string(4, '\0'));
}

}  // namespace
