// What keeps a release engineer from losing a released package or shipping
// one the keyed devices refuse, as rows: existing packages and signatures
// are not replaced without --force, security versions are not lowered
// without --allow-lower, pointless deltas are named, key files of the wrong
// kind are named with the one to give, and -q is silent on success.
#include <gtest/gtest.h>

#include "command_rows.h"

namespace {

using pack_test::CommandRow;

const std::string kPack = "ruvexa-pack ";
const std::string kRelease1 = "build --exe release1/app.exe --images release1/images --fonts release1/fonts ";
const std::string kRelease2 = "build --exe release2/app.exe --images release2/images --fonts release2/fonts ";
const std::string kUnrelated = "build --exe unrelated/app.exe --images unrelated/images --fonts unrelated/fonts ";
const std::string kBuild1 = kPack + kRelease1 + "-o OV3_UPGRADE_1.BIN";
const std::string kBuild2 = kPack + kRelease2 + "-o OV3_UPGRADE_2.BIN";
const std::string kBuild1At5 = kPack + kRelease1 + "--sign maker.key --security-version 5 -o OV3_UPGRADE_1.BIN";
const std::string kBuild2At5 = kPack + kRelease2 + "--sign maker.key --security-version 5 -o OV3_UPGRADE_2.BIN";
const std::string kDelta = kPack + "delta --from OV3_UPGRADE_1.BIN --to OV3_UPGRADE_2.BIN ";

// A device whose security floor is 5 and that trusts maker.pub, asked to
// upgrade from its USB disk; the device run's log is printed after it.
const std::string kDeviceAtFloor5 =
    "mkdir -p dev/NandFlash/Merrow dev/Windows 'dev/Hard Disk' && touch dev/NandFlash/Upgrade.flag && "
    "printf '#!/bin/sh\\n' > dev/NandFlash/Merrow/Orvane3.exe && cp maker.pub dev/NandFlash/Merrow/Upgrade.pub && "
    "printf 'sequence=1\\r\\nfloor=5\\r\\n' > dev/NandFlash/Merrow/Floor.A";
const std::string kOfferToTheDevice =
    " && cp OV3_UPGRADE_1.BIN OV3_UPGRADE_1.BIN.SIG 'dev/Hard Disk/' && "
    "{ ruvexa --device-root dev --headless --time-scale 1000 --log log.txt; cat log.txt; }";

const CommandRow kRows[] = {
    // Nothing released is overwritten.
    {"BuildRefusesAnExistingPackage", {kBuild1}, kPack + kRelease2 + "-o OV3_UPGRADE_1.BIN", 1,
     {"=OV3_UPGRADE_1.BIN"},
     {"out:", "err:'OV3_UPGRADE_1.BIN' exists: a package with checksum 0x", "--force"}},
    {"BuildRefusesAnExistingSignature", {kBuild1At5, "rm OV3_UPGRADE_1.BIN"},
     kPack + kRelease1 + "--sign maker.key -o OV3_UPGRADE_1.BIN", 1, {"=OV3_UPGRADE_1.BIN.SIG", "!OV3_UPGRADE_1.BIN"},
     {"err:'OV3_UPGRADE_1.BIN.SIG' exists: the signature of 'OV3_UPGRADE_1.BIN' (missing) at security version 5",
      "--force"}},
    {"BuildForceReplaces", {kBuild1, "cp OV3_UPGRADE_1.BIN released.BIN"},
     kPack + kRelease2 + "--force -o OV3_UPGRADE_1.BIN && ! cmp -s released.BIN OV3_UPGRADE_1.BIN", 0,
     {"OV3_UPGRADE_1.BIN"}, {"wrote 'OV3_UPGRADE_1.BIN'"}},
    {"DeltaRefusesAnExistingPackage", {kBuild1, kBuild2, "cp OV3_UPGRADE_2.BIN OV3_UPGRADE_2D.BIN"},
     kDelta + "-o OV3_UPGRADE_2D.BIN", 1, {"=OV3_UPGRADE_2D.BIN"},
     {"err:'OV3_UPGRADE_2D.BIN' exists: a package with checksum 0x", "--force"}},
    {"DeltaForceReplaces", {kBuild1, kBuild2, "cp OV3_UPGRADE_2.BIN OV3_UPGRADE_2D.BIN"},
     kDelta + "--force -o OV3_UPGRADE_2D.BIN && ruvexa-pack verify OV3_UPGRADE_2D.BIN", 0, {"OV3_UPGRADE_2D.BIN"},
     {"wrote 'OV3_UPGRADE_2D.BIN'", "out:ok"}},
    {"SignRefusesAnExistingSignature", {kBuild1At5}, kPack + "sign --key maker.key OV3_UPGRADE_1.BIN", 1,
     {"=OV3_UPGRADE_1.BIN.SIG"},
     {"err:'OV3_UPGRADE_1.BIN.SIG' exists: the signature of 'OV3_UPGRADE_1.BIN' (checksum 0x", "security version 5",
      "--force"}},

    // Security versions never drop by accident.
    {"DeltaSignsAtTheVersionOfItsTarget", {kBuild1, kBuild2At5},
     kDelta + "--sign maker.key -o OV3_UPGRADE_2D.BIN && ruvexa-pack verify --key maker.pub OV3_UPGRADE_2D.BIN", 0,
     {"OV3_UPGRADE_2D.BIN", "OV3_UPGRADE_2D.BIN.SIG"},
     {"security version 5 (that of the --to package)", "ok, security version 5"}},
    {"DeltaOfAnUnsignedTargetSignsAtTheDefault", {kBuild1, kBuild2}, kDelta + "--sign maker.key -o OV3_UPGRADE_2D.BIN",
     0, {"OV3_UPGRADE_2D.BIN.SIG"}, {"security version 0 (the default)"}},
    {"DeltaBelowItsTargetIsRefused", {kBuild1, kBuild2At5},
     kDelta + "--sign maker.key --security-version 3 -o OV3_UPGRADE_2D.BIN", 1,
     {"!OV3_UPGRADE_2D.BIN", "!OV3_UPGRADE_2D.BIN.SIG"},
     {"err:security version 3 (given) is below 5, the version the --to package 'OV3_UPGRADE_2.BIN' is signed at",
      "Err11", "--allow-lower"}},
    {"DeltaBelowItsTargetWithAllowLower", {kBuild1, kBuild2At5},
     kDelta + "--sign maker.key --security-version 3 --allow-lower -o OV3_UPGRADE_2D.BIN", 0,
     {"OV3_UPGRADE_2D.BIN.SIG"}, {"security version 3 (given)"}},
    {"SignKeepsTheEarlierVersion", {kBuild1At5},
     kPack + "sign --force --key maker.key OV3_UPGRADE_1.BIN && ruvexa-pack verify --key maker.pub OV3_UPGRADE_1.BIN",
     0, {"OV3_UPGRADE_1.BIN.SIG"},
     {"security version 5 (kept from the earlier signature)", "ok, security version 5"}},
    {"SignBelowTheEarlierVersionIsRefused", {kBuild1At5},
     kPack + "sign --force --security-version 2 --key maker.key OV3_UPGRADE_1.BIN", 1, {"=OV3_UPGRADE_1.BIN.SIG"},
     {"err:security version 2 (given) is below 5, the version 'OV3_UPGRADE_1.BIN.SIG' holds", "--allow-lower"}},
    {"SignBelowTheEarlierVersionWithAllowLower", {kBuild1At5},
     kPack + "sign --force --allow-lower --security-version 2 --key maker.key OV3_UPGRADE_1.BIN", 0,
     {"OV3_UPGRADE_1.BIN.SIG"}, {"security version 2 (given)"}},
    {"BuildOverAHigherSignatureIsRefused", {kBuild1At5}, kPack + kRelease2 + "--sign maker.key --force -o OV3_UPGRADE_1.BIN",
     1, {"=OV3_UPGRADE_1.BIN", "=OV3_UPGRADE_1.BIN.SIG"},
     {"err:security version 0 (the default) is below 5, the version 'OV3_UPGRADE_1.BIN.SIG' holds", "--allow-lower"}},
    {"BuildOverAHigherSignatureWithAllowLower", {kBuild1At5},
     kPack + kRelease2 + "--sign maker.key --force --allow-lower -o OV3_UPGRADE_1.BIN", 0, {"OV3_UPGRADE_1.BIN.SIG"},
     {"security version 0 (the default)"}},
    {"DeviceAtItsFloorTakesAPackageSignedAgain", {kBuild1At5, kDeviceAtFloor5},
     kPack + "sign --force --key maker.key OV3_UPGRADE_1.BIN" + kOfferToTheDevice, 0, {},
     {"valid signature", "=== Upgrade Complete ===", "!Package older than installed"}},
    {"DeviceAtItsFloorRefusesAPackageLoweredOnPurpose", {kBuild1At5, kDeviceAtFloor5},
     kPack + "sign --force --allow-lower --security-version 0 --key maker.key OV3_UPGRADE_1.BIN" + kOfferToTheDevice,
     0, {}, {"Package older than installed, security version=[0], floor=[5]", "!=== Upgrade Complete ==="}},

    // Pointless deltas.
    {"DeltaOfTheSamePackageIsRefused", {kBuild1, "cp OV3_UPGRADE_1.BIN installed.BIN"},
     kPack + "delta --from installed.BIN --to OV3_UPGRADE_1.BIN -o OV3_UPGRADE_1D.BIN", 1, {"!OV3_UPGRADE_1D.BIN"},
     {"err:'installed.BIN' and 'OV3_UPGRADE_1.BIN' are the same package (checksum 0x"}},
    {"DeltaBetweenUnrelatedReleasesWarns", {kBuild1, kPack + kUnrelated + "-o OV3_UPGRADE_9.BIN"},
     kPack + "delta --from OV3_UPGRADE_1.BIN --to OV3_UPGRADE_9.BIN -o OV3_UPGRADE_9D.BIN", 0, {"OV3_UPGRADE_9D.BIN"},
     {"err:warning: the delta 'OV3_UPGRADE_9D.BIN' is ", "of the full package 'OV3_UPGRADE_9.BIN'",
      "shipping the full package"}},
    {"DeltaBetweenNeighboursDoesNotWarn", {kBuild1, kBuild2}, kDelta + "-o OV3_UPGRADE_2D.BIN", 0,
     {"OV3_UPGRADE_2D.BIN"}, {"!warning"}},

    // Keys of the wrong kind.
    {"VerifyWithTheSecretKey", {kBuild1At5}, kPack + "verify --key maker.key OV3_UPGRADE_1.BIN", 1, {},
     {"err:'maker.key' is a secret key", "give 'maker.pub'"}},
    {"SignWithThePublicKey", {kBuild1}, kPack + "sign --key maker.pub OV3_UPGRADE_1.BIN", 1,
     {"!OV3_UPGRADE_1.BIN.SIG"}, {"err:'maker.pub' is a public key", "give 'maker.key'"}},
    {"BuildSignWithAPublicKeyAlone", {"mkdir keys", "cp maker.pub keys/device.pub"},
     kPack + kRelease1 + "--sign keys/device.pub -o OV3_UPGRADE_1.BIN", 1, {"!OV3_UPGRADE_1.BIN"},
     {"err:'keys/device.pub' is a public key", "give the NAME.key"}},
    {"DeltaSignWithThePublicKey", {kBuild1, kBuild2}, kDelta + "--sign maker.pub -o OV3_UPGRADE_2D.BIN", 1,
     {"!OV3_UPGRADE_2D.BIN"}, {"err:'maker.pub' is a public key", "give 'maker.key'"}},
    {"KeygenNameWithKeySuffix", {}, kPack + "keygen test.key", 0, {"test.key", "test.pub", "!test.key.key", "!test.key.pub"},
     {"wrote 'test.key'", "'test.pub'"}},
    {"KeygenNameWithPubSuffix", {}, kPack + "keygen test.pub", 0, {"test.key", "test.pub", "!test.pub.key"}, {}},

    // -q prints nothing on success.
    {"BuildQuiet", {}, kPack + kRelease1 + "--sign maker.key -q -o OV3_UPGRADE_1.BIN", 0,
     {"OV3_UPGRADE_1.BIN", "OV3_UPGRADE_1.BIN.SIG"}, {"out:", "err:"}},
    {"BuildQuietStillWarns", {}, kPack + kRelease1 + "-q -o release.bin", 0, {"release.bin"},
     {"out:", "err:ruvexa-pack: warning: the device looks for OV3_UPGRADE_*.BIN"}},
    {"DeltaQuiet", {kBuild1, kBuild2At5}, kDelta + "--sign maker.key -q -o OV3_UPGRADE_2D.BIN", 0,
     {"OV3_UPGRADE_2D.BIN.SIG"}, {"out:", "err:"}},
    {"SignQuiet", {kBuild1}, kPack + "sign -q --key maker.key OV3_UPGRADE_1.BIN", 0, {"OV3_UPGRADE_1.BIN.SIG"},
     {"out:", "err:"}},
    {"UnpackQuiet", {kBuild1}, kPack + "unpack -q OV3_UPGRADE_1.BIN sections", 0, {"sections/AppExecute.ex"},
     {"out:", "err:"}},
    {"VerifyQuiet", {kBuild1At5}, kPack + "verify -q --key maker.pub OV3_UPGRADE_1.BIN", 0, {}, {"out:", "err:"}},
    {"VerifyQuietStillReportsARejection", {kBuild1, "head -c 100 OV3_UPGRADE_1.BIN > OV3_UPGRADE_8.BIN"},
     kPack + "verify -q OV3_UPGRADE_1.BIN OV3_UPGRADE_8.BIN", 1, {},
     {"out:OV3_UPGRADE_8.BIN: Err", "!OV3_UPGRADE_1.BIN:"}},
    {"KeygenQuiet", {}, kPack + "keygen -q other", 0, {"other.key", "other.pub"}, {"out:", "err:"}},
};

class ReleaseGuardRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(ReleaseGuardRows, Hold) { pack_test::RunCommandRow(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Guards, ReleaseGuardRows, ::testing::ValuesIn(kRows), pack_test::CommandRowName());

}  // namespace
