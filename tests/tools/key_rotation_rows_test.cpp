// Key rotation and models in ruvexa-pack, as rows: the next keys and the
// models a signature carries, as build, sign and delta write them and
// inspect and verify show them.
#include <gtest/gtest.h>

#include "command_rows.h"

namespace {

using pack_test::CommandRow;

const std::string kNextKeyPair = "ruvexa-pack keygen next";
const std::string kBuild =
    "ruvexa-pack build --exe release1/app.exe --images release1/images -o OV3_UPGRADE_1.BIN";
const std::string kBuildRotating = kBuild + " --sign maker.key --next-key next.pub";
const std::string kBuildForModels = kBuild + " --sign maker.key --model OV3-Pro --model OV3-Lite";
const std::string kBuild2 = "ruvexa-pack build --exe release2/app.exe --images release2/images -o OV3_UPGRADE_2.BIN";

const CommandRow kRows[] = {
    {"BuildCarriesTheNextKey",
     {kNextKeyPair},
     kBuildRotating,
     0,
     {"OV3_UPGRADE_1.BIN", "OV3_UPGRADE_1.BIN.SIG"},
     {"out:wrote 'OV3_UPGRADE_1.BIN.SIG'", "out:; next keys "}},
    {"BuildCarriesTheModels",
     {},
     kBuildForModels,
     0,
     {"OV3_UPGRADE_1.BIN.SIG"},
     {"out:models OV3-Pro, OV3-Lite", "!next keys"}},
    {"WithoutEitherTheSignatureKeepsTheVersionedFormat",
     {kBuild + " --sign maker.key"},
     "wc -c < OV3_UPGRADE_1.BIN.SIG",
     0,
     {},
     {"out:84"}},
    {"SeveralNextKeysInOneSignature",
     {kNextKeyPair, "ruvexa-pack keygen spare"},
     kBuild + " --sign maker.key --next-key next.pub --next-key spare.pub",
     0,
     {"OV3_UPGRADE_1.BIN.SIG"},
     {"out:; next keys ", "out:, "}},
    {"InspectShowsNextKeysAndModels",
     {kNextKeyPair, kBuildRotating + " --model OV3-Pro"},
     "ruvexa-pack inspect OV3_UPGRADE_1.BIN",
     0,
     {"=OV3_UPGRADE_1.BIN.SIG"},
     {"out:next keys ", "out:models OV3-Pro", "out:verify --key checks it"}},
    {"InspectJsonListsNextKeysAndModels",
     {kNextKeyPair, kBuildRotating + " --model OV3-Pro"},
     "ruvexa-pack inspect --json OV3_UPGRADE_1.BIN",
     0,
     {},
     {"out:\"next_keys\":[\"", "out:\"models\":[\"OV3-Pro\"]", "out:\"format\":3"}},
    {"InspectJsonOfAnOlderSignatureListsNone",
     {kBuild + " --sign maker.key"},
     "ruvexa-pack inspect --json OV3_UPGRADE_1.BIN",
     0,
     {},
     {"out:\"next_keys\":[]", "out:\"models\":[]"}},
    {"VerifyWithTheSigningKeyShowsTheNextKeys",
     {kNextKeyPair, kBuildRotating},
     "ruvexa-pack verify --key maker.pub OV3_UPGRADE_1.BIN",
     0,
     {},
     {"out:ok, security version 0; next keys "}},
    {"VerifyShowsTheModels",
     {kBuildForModels},
     "ruvexa-pack verify --key maker.pub OV3_UPGRADE_1.BIN",
     0,
     {},
     {"out:models OV3-Pro, OV3-Lite"}},
    {"TheNextKeyAloneDoesNotYetTrustThePackage",
     {kNextKeyPair, kBuildRotating},
     "ruvexa-pack verify --key next.pub OV3_UPGRADE_1.BIN",
     1,
     {},
     {"out:Err0E", "out:not by the trusted key"}},
    {"VerifyTakesAKeyFileOfSeveralKeys",
     {kNextKeyPair, kBuild + " --sign maker.key", "cat next.pub maker.pub > both.pub"},
     "ruvexa-pack verify --key both.pub OV3_UPGRADE_1.BIN",
     0,
     {},
     {"out:ok, security version 0"}},
    {"VerifyNamesEveryTrustedKeyOfAnotherSigner",
     {kNextKeyPair, "ruvexa-pack keygen spare", kBuild + " --sign maker.key", "cat next.pub spare.pub > both.pub"},
     "ruvexa-pack verify --key both.pub OV3_UPGRADE_1.BIN",
     1,
     {},
     {"out:Err0E", "out:not by a trusted key ("}},
    {"SignCarriesNextKeysAndModels",
     {kNextKeyPair, kBuild},
     "ruvexa-pack sign --key maker.key --next-key next.pub --model OV3-Pro OV3_UPGRADE_1.BIN",
     0,
     {"OV3_UPGRADE_1.BIN.SIG"},
     {"out:; next keys ", "out:; models OV3-Pro"}},
    {"DeltaCarriesNextKeysAndModels",
     {kNextKeyPair, kBuild, kBuild2},
     "ruvexa-pack delta --from OV3_UPGRADE_1.BIN --to OV3_UPGRADE_2.BIN --sign maker.key --next-key next.pub "
     "--model OV3-Pro -o OV3_UPGRADE_3.BIN",
     0,
     {"OV3_UPGRADE_3.BIN.SIG"},
     {"out:; next keys ", "out:; models OV3-Pro"}},
    {"NextKeyNeedsASignature",
     {kNextKeyPair},
     kBuild + " --next-key next.pub",
     2,
     {"!OV3_UPGRADE_1.BIN"},
     {"err:--sign"}},
    {"ModelNeedsASignature", {}, kBuild + " --model OV3-Pro", 2, {"!OV3_UPGRADE_1.BIN"}, {"err:--sign"}},
    {"ASecretKeyIsNoNextKey",
     {},
     kBuild + " --sign maker.key --next-key maker.key",
     1,
     {"!OV3_UPGRADE_1.BIN", "!OV3_UPGRADE_1.BIN.SIG"},
     {"err:ruvexa-pack: error: 'maker.key' is a secret key file", "err:NAME.pub"}},
    {"AMissingNextKeyFileFails",
     {},
     kBuild + " --sign maker.key --next-key absent.pub",
     1,
     {"!OV3_UPGRADE_1.BIN"},
     {"err:absent.pub"}},
    {"AModelMustBeShortPrintableAscii",
     {},
     kBuild + " --sign maker.key --model ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789",
     1,
     {"!OV3_UPGRADE_1.BIN"},
     {"err:printable ASCII"}},
    {"AtMostFourNextKeys",
     {"for k in a b c d e; do ruvexa-pack keygen $k; done"},
     kBuild + " --sign maker.key --next-key a.pub --next-key b.pub --next-key c.pub --next-key d.pub --next-key e.pub",
     1,
     {"!OV3_UPGRADE_1.BIN"},
     {"err:at most 4 next keys"}},
};

class KeyRotationRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(KeyRotationRows, Hold) { pack_test::RunCommandRow(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Commands, KeyRotationRows, ::testing::ValuesIn(kRows), pack_test::CommandRowName());

}  // namespace
