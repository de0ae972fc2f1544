// A technician's questions, as rows: what a code on the screen means, and
// what an Upgrade.log brought back from a device says, for logs the device
// program wrote in the row's folder and for texts written by hand.
#include <gtest/gtest.h>

#include "command_rows.h"

namespace {

using pack_test::CommandRow;

// A device with version 1 installed and no request yet.
const std::string kDevice =
    "mkdir -p dev/NandFlash/Merrow 'dev/Storage Card/OV3_Download' dev/Windows 'dev/Hard Disk' && "
    "printf '#!/bin/sh\\ntouch started\\n' > dev/NandFlash/Merrow/Orvane3.exe";
const std::string kDownload = "'dev/Storage Card/OV3_Download/OV3_UPGRADE_2.BIN'";
const std::string kBuildDownload =
    "ruvexa-pack build -q --exe release2/app.exe --images release2/images --fonts release2/fonts -o " + kDownload;
// One byte of the images section changed: the checksum fails once every
// section is written.
const std::string kDamageDownload = "printf 'X' | dd of=" + kDownload + " bs=1 seek=600 conv=notrunc 2>/dev/null";
const std::string kRequestDownload = "touch dev/NandFlash/RemoteUpgrade.flag";
// A boot that halts on its failure ends with 6, one that installs with the
// reset's 3.
const std::string kBootHalts = "ruvexa --device-root dev --headless --time-scale 100 --log debug.log; test $? = 6";
const std::string kBootResets = "ruvexa --device-root dev --headless --time-scale 100 --log debug.log; test $? = 3";
const std::string kDeviceLog = "dev/NandFlash/Merrow/Upgrade.log";

// A delta from release 1 to release 2 on a USB disk, for a device that never
// had release 1: it does not fit.
const std::vector<std::string> kDeltaOnUsb = {
    kDevice,
    "ruvexa-pack build -q --exe release1/app.exe --images release1/images --fonts release1/fonts -o one.BIN",
    "ruvexa-pack build -q --exe release2/app.exe --images release2/images --fonts release2/fonts -o two.BIN",
    "ruvexa-pack delta -q --from one.BIN --to two.BIN -o 'dev/Hard Disk/OV3_UPGRADE_D.BIN'",
    "touch dev/NandFlash/Upgrade.flag",
    kBootHalts,
};

// Log texts as the device writes them, with "\r\n".
const std::string kRollbackThenRefusal =
    "printf '"
    "=== Upgrade boot: date=[2026-12-08 14:33:26], source=[rollback], package=[OV3_UPGRADE_7.BIN] ===\\r\\n"
    "Initialize(): !!! Trial failed, starts=[3], at=[268]\\r\\n"
    "RollbackThreadProc(): ended trial, at=[375]\\r\\n"
    "=== Rollback Complete ===\\r\\n\\r\\n"
    "!!! Reset IOCTL_AIP_SYS_RESET, at=[3417]\\r\\n"
    "=== Upgrade boot: date=[2026-12-09 08:01:02], source=[remote], package=[OV3_UPGRADE_6.BIN] ===\\r\\n"
    "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_6.BIN], retry=[0], at=[294]\\r\\n"
    "StartExtraction(): !!! Package older than installed, security version=[4], floor=[5], at=[342]\\r\\n"
    "=== Upgrade result: code=[Err11] ===\\r\\n"
    "EndRefusal(): removed upgrade request, at=[3390]\\r\\n' > Upgrade.log.1";
const std::string kRollbackFails =
    "printf '"
    "=== Upgrade boot: date=[2026-12-08 14:33:26], source=[rollback], package=[OV3_UPGRADE_7.BIN] ===\\r\\n"
    "RollbackThreadProc(): !!! Failed to remove new=[\\\\NandFlash\\\\Merrow\\\\Images], at=[350]\\r\\n"
    "=== !!! Rollback Failed ===\\r\\n\\r\\n' > Upgrade.log";
const std::string kFullThenCut =
    "printf '"
    "=== Upgrade boot: date=[2026-12-08 14:33:26], source=[USB], package=[OV3_UPGRADE_7.BIN] ===\\r\\n"
    "UpgradeThreadProc(): unzip images, at=[2149]\\r\\n"
    "=== Upgrade log full: later lines are in the debug output only ===\\r\\n"
    "=== Upgrade result: code=[Err40] ===\\r\\n"
    "=== Upgrade boot: date=[2026-12-08 14:40:00], source=[USB], package=[OV3_UPGRADE_7.BIN] ===\\r\\n"
    "ExtractThreadProc(): pre-verif' > Upgrade.log";

const CommandRow kRows[] = {
    {"ExplainTellsMeaningStageAndNextStep", {}, "ruvexa-pack explain Err0F", 0, {},
     {"out:Err0F: the package's checksum is wrong", "stage:   preparation (extraction)", "installed version is untouched",
      "request and the package", "next boot", "verify (it must say ok)", "err:"}},
    {"ExplainTakesTheCodeInAnyCase", {}, "ruvexa-pack explain err42", 0, {},
     {"out:Err42: the new images cannot be moved into place", "installation", "no Images folder"}},
    {"ExplainTakesTheDigitsAlone", {}, "ruvexa-pack explain 6b", 0, {}, {"out:Err6B: the trial cannot start", "Trial.flag"}},
    {"ExplainShowsARefusalsScreenText", {}, "ruvexa-pack explain ERR11", 0, {},
     {"screen:  Err11 Package older than installed", "before anything is written", "request goes",
      "--security-version"}},
    {"ExplainTellsARollbackCode", {}, "ruvexa-pack explain Err71", 0, {},
     {"rollback", "Previous", "tries the rollback again"}},
    {"ExplainTellsADeltaThatDoesNotFit", {}, "ruvexa-pack explain 80", 0, {},
     {"delta does not fit", "Nothing was switched over", "full package"}},
    {"ExplainRefusesAnUnknownCode", {}, "ruvexa-pack explain Err99", 1, {},
     {"err:ruvexa-pack: error: the device shows no code Err99", "ruvexa-pack explain --all", "out:"}},
    {"ExplainRefusesAWordThatIsNoCode", {}, "ruvexa-pack explain hello", 1, {},
     {"err:'hello' is not a code the device shows", "out:"}},
    {"ExplainWithoutACodeListsEveryCode", {}, "ruvexa-pack explain", 0, {},
     {"out:Err10  package rolled back earlier", "Err01", "Err0E  the package is not trusted", "Err6C", "Err83",
      "Err74", "ErrFF", "err:"}},
    {"ExplainAllListsEveryCode", {}, "ruvexa-pack explain --all", 0, {},
     {"out:preparation (extraction):", "installation:", "rollback:", "Err40  the images archive cannot be unpacked"}},
    {"ExplainHelpShowsTheOptionalCode", {}, "ruvexa-pack explain --help", 0, {},
     {"out:usage: ruvexa-pack explain [--all] [CODE]", "err:"}},
    {"LogTellsAFailedUpgradeTheDeviceWrote",
     {kDevice, kBuildDownload, kDamageDownload, kRequestDownload, kBootHalts},
     "ruvexa-pack log " + kDeviceLog, 0, {"=" + kDeviceLog},
     {"out:1 upgrade boot", "remote, from the download folder", "package: OV3_UPGRADE_2.BIN",
      "reached: search, preparation", "failed with Err0F, the package's checksum is wrong",
      "Invalid source file checksum", "next:", "err:"}},
    {"LogTellsASuccessfulUpgradeTheDeviceWrote",
     {kDevice, kBuildDownload, kRequestDownload, kBootResets},
     "ruvexa-pack log " + kDeviceLog, 0, {},
     {"reached: search, preparation, installation, restart",
      "success: the package was installed; the device restarted", "!failed", "!log line:"}},
    {"LogReadsTheCopyOnTheUsbDisk", kDeltaOnUsb, "ruvexa-pack log 'dev/Hard Disk/Upgrade.log'", 0, {},
     {"USB, from a USB disk", "package: OV3_UPGRADE_D.BIN", "installation", "failed with Err80", "Delta does not fit",
      "full package"}},
    {"LogTellsARollbackAndARefusal", {kRollbackThenRefusal}, "ruvexa-pack log Upgrade.log.1", 0, {},
     {"out:'Upgrade.log.1': 2 upgrade boots, from 2026-12-08 14:33:26 to 2026-12-09 08:01:02",
      "rollback of the release on trial", "reached: rollback, restart", "rolled back", "refused with Err11",
      "security version=[4], floor=[5]"}},
    {"LogTellsAFailedRollbackWithoutItsCode", {kRollbackFails}, "ruvexa-pack log Upgrade.log", 0, {},
     {"the rollback failed", "Err70 to Err74", "Failed to remove new"}},
    {"LogSaysWhenItWasFullAndWhenItIsCutOff", {kFullThenCut}, "ruvexa-pack log Upgrade.log", 0, {},
     {"failed with Err40", "the log was full", "no ending logged", "cut off"}},
    {"LogRefusesAnEmptyFile", {": > Upgrade.log"}, "ruvexa-pack log Upgrade.log", 1, {},
     {"err:ruvexa-pack: error: 'Upgrade.log': it is empty", "out:"}},
    {"LogRefusesAFileThatIsNoUpgradeLog", {}, "ruvexa-pack log maker.pub", 1, {},
     {"err:'maker.pub': it is no upgrade log", "out:"}},
    {"LogRefusesAHeaderCutOff", {"printf '=== Upgrade boot: date=[2026-12' > Upgrade.log"}, "ruvexa-pack log Upgrade.log",
     1, {}, {"err:cut off in the middle of its first header line", "out:"}},
    {"LogRefusesAMissingFile", {}, "ruvexa-pack log Upgrade.log", 1, {}, {"err:'Upgrade.log'", "out:"}},
    {"LogWithoutAFileIsAUsageError", {}, "ruvexa-pack log", 2, {}, {"err:missing upgrade log FILE"}},
};

class ExplainRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(ExplainRows, Hold) { pack_test::RunCommandRow(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Technician, ExplainRows, ::testing::ValuesIn(kRows), pack_test::CommandRowName());

}  // namespace
