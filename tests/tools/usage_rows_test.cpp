// Usage errors of ruvexa-pack and ruvexa, as rows: one line why, naming a
// mistyped option or command with the closest known one, before any other
// complaint; one line that points to --help; exit status 2. And the host's
// note when the device's package search matches two packages.
#include <gtest/gtest.h>

#include "command_rows.h"

namespace {

using pack_test::CommandRow;

// The two lines a usage error prints, and nothing on standard output.
std::vector<std::string> UsageError(const std::string& tool, const std::string& why, const std::string& help) {
    return {"err:" + tool + ": " + why + "\nsee " + help + " --help\n", "out:"};
}

std::vector<std::string> With(std::vector<std::string> words, const std::vector<std::string>& more) {
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

const std::string kBuildTypo =
    "ruvexa-pack build --exe release1/app.exe --imgaes release1/images -o OV3_UPGRADE_1.BIN";

// A device folder whose download folder holds release 1 as OV3_UPGRADE_3.BIN
// and release 2 as OV3_UPGRADE_5.BIN, with the remote upgrade requested.
const std::vector<std::string> kTwoPackages = {
    "mkdir -p 'device/NandFlash/Merrow' 'device/Storage Card/OV3_Download' device/Windows",
    "printf '#!/bin/sh\\ntrue\\n' > device/NandFlash/Merrow/Orvane3.exe",
    "printf '#!/bin/sh\\ntrue\\n' > device/Windows/explorer.exe",
    "ruvexa-pack build -q --exe release1/app.exe --images release1/images --fonts release1/fonts "
    "-o 'device/Storage Card/OV3_Download/OV3_UPGRADE_3.BIN'",
    "ruvexa-pack build -q --exe release2/app.exe --images release2/images --fonts release2/fonts "
    "-o 'device/Storage Card/OV3_Download/OV3_UPGRADE_5.BIN'",
    "touch device/NandFlash/RemoteUpgrade.flag",
};

const CommandRow kRows[] = {
    // ruvexa-pack
    {"MistypedOptionIsNamedBeforeTheMissingOne", {}, kBuildTypo, 2, {"!OV3_UPGRADE_1.BIN"},
     With(UsageError("ruvexa-pack", "unknown option --imgaes; did you mean --images?", "ruvexa-pack build"),
          {"!missing required"})},
    {"MistypedOptionWithItsValueJoined", {},
     "ruvexa-pack build --exe release1/app.exe --imgaes=release1/images -o OV3_UPGRADE_1.BIN", 2,
     {"!OV3_UPGRADE_1.BIN"},
     UsageError("ruvexa-pack", "unknown option --imgaes; did you mean --images?", "ruvexa-pack build")},
    {"LongNameWithOneDash", {}, "ruvexa-pack build --exe release1/app.exe -images release1/images -o x.BIN", 2,
     {"!x.BIN"}, UsageError("ruvexa-pack", "unknown option -images; did you mean --images?", "ruvexa-pack build")},
    {"UnknownOptionWithoutACloseOne", {}, "ruvexa-pack build --xyz", 2, {},
     With(UsageError("ruvexa-pack", "unknown option --xyz", "ruvexa-pack build"), {"!did you mean"})},
    {"DeltaMistypedOption", {}, "ruvexa-pack delta --form a.BIN --to b.BIN -o c.BIN", 2, {"!c.BIN"},
     UsageError("ruvexa-pack", "unknown option --form; did you mean --from?", "ruvexa-pack delta")},
    {"VerifyMistypedOption", {}, "ruvexa-pack verify --kye maker.pub a.BIN", 2, {},
     UsageError("ruvexa-pack", "unknown option --kye; did you mean --key?", "ruvexa-pack verify")},
    {"InspectMistypedOption", {}, "ruvexa-pack inspect --jsno a.BIN", 2, {},
     UsageError("ruvexa-pack", "unknown option --jsno; did you mean --json?", "ruvexa-pack inspect")},
    {"ListMistypedHelp", {}, "ruvexa-pack list --hlep a.BIN", 2, {},
     UsageError("ruvexa-pack", "unknown option --hlep; did you mean --help?", "ruvexa-pack list")},
    {"UnpackMistypedOption", {}, "ruvexa-pack unpack --quite a.BIN out", 2, {"!out"},
     UsageError("ruvexa-pack", "unknown option --quite; did you mean --quiet?", "ruvexa-pack unpack")},
    {"KeygenUnknownOption", {}, "ruvexa-pack keygen --colour red", 2, {"!red.key"},
     UsageError("ruvexa-pack", "unknown option --colour", "ruvexa-pack keygen")},
    {"SignMistypedOptionBeforeTheMissingKey", {}, "ruvexa-pack sign --kye maker.key a.BIN", 2, {"!a.BIN.SIG"},
     UsageError("ruvexa-pack", "unknown option --kye; did you mean --key?", "ruvexa-pack sign")},
    {"OptionInTheWrongCase", {}, "ruvexa-pack verify --KEY maker.pub a.BIN", 2, {},
     UsageError("ruvexa-pack", "unknown option --KEY; did you mean --key?", "ruvexa-pack verify")},
    {"UnknownCommandIsNamedWithTheClosest", {}, "ruvexa-pack biuld --exe release1/app.exe", 2, {},
     UsageError("ruvexa-pack", "unknown command 'biuld'; did you mean build?", "ruvexa-pack")},
    {"UnknownCommandWithoutACloseOne", {}, "ruvexa-pack pack", 2, {},
     With(UsageError("ruvexa-pack", "unknown command 'pack'", "ruvexa-pack"), {"!did you mean"})},
    {"MistypedOptionBeforeTheCommand", {}, "ruvexa-pack --verison", 2, {},
     UsageError("ruvexa-pack", "unknown option --verison; did you mean --version?", "ruvexa-pack")},
    {"HelpWinsOverAMistypedOption", {}, "ruvexa-pack build --imgaes x --help", 0, {},
     {"out:usage: ruvexa-pack build", "err:"}},
    {"AfterTwoDashesAWordIsAPackage", {}, "ruvexa-pack verify -- --imgaes", 1, {},
     {"!unknown option", "err:--imgaes"}},
    {"NegativeNumberIsAValue", {}, "ruvexa-pack sign --key maker.key --security-version -1 a.BIN", 2, {},
     UsageError("ruvexa-pack", "option '--security-version' needs a whole number from 0 to 4294967295",
                "ruvexa-pack sign")},
    // ruvexa
    {"HostMistypedOption", {}, "ruvexa --headles", 2, {},
     UsageError("ruvexa", "unknown option --headles; did you mean --headless?", "ruvexa")},
    {"HostMistypedOptionBeforeABadValue", {"mkdir dev"}, "ruvexa --device-root dev --time-scale 0 --headles", 2, {},
     UsageError("ruvexa", "unknown option --headles; did you mean --headless?", "ruvexa")},
    {"HostMistypedRequiredOption", {"mkdir dev"}, "ruvexa --devce-root dev --headless", 2, {},
     UsageError("ruvexa", "unknown option --devce-root; did you mean --device-root?", "ruvexa")},
    {"HostUnknownOptionWithoutACloseOne", {}, "ruvexa --bogus", 2, {},
     With(UsageError("ruvexa", "unknown option --bogus", "ruvexa"), {"!did you mean"})},
    {"HostMissingDeviceRoot", {}, "ruvexa --headless", 2, {},
     With(UsageError("ruvexa", "--device-root is required", "ruvexa"), {"!usage:"})},
    {"HostBadValue", {"mkdir dev"}, "ruvexa --device-root dev --zoom 9", 2, {},
     UsageError("ruvexa", "--zoom needs a whole number from 1 to 8, not 9", "ruvexa")},
    {"HostDeviceRootNotAFolder", {}, "ruvexa --device-root missing --headless", 2, {},
     UsageError("ruvexa", "the device root missing is not a folder", "ruvexa")},
    {"HostHelpWinsOverAMistypedOption", {}, "ruvexa --headles --help", 0, {},
     {"out:usage: ruvexa --device-root DIR", "err:"}},
    // The device takes the first package its search lists, and the host
    // says which and of what.
    {"TwoPackagesTheHostNamesBothAndTheOneTaken", kTwoPackages,
     "ruvexa --device-root device --headless --time-scale 100", 3,
     {"!device/NandFlash/RemoteUpgrade.flag", "!device/Storage Card/OV3_Download/OV3_UPGRADE_3.BIN",
      "=device/Storage Card/OV3_Download/OV3_UPGRADE_5.BIN"},
     {"found upgrade source=[OV3_UPGRADE_3.BIN]",
      "err:ruvexa-host: 2 files match \\Storage Card\\OV3_Download\\OV3_UPGRADE_*.BIN: OV3_UPGRADE_3.BIN, "
      "OV3_UPGRADE_5.BIN; the device took OV3_UPGRADE_3.BIN, the first the search lists (the lowest name)\n"}},
    {"OnePackageNoNote", {kTwoPackages[0], kTwoPackages[1], kTwoPackages[2], kTwoPackages[3], kTwoPackages[5]},
     "ruvexa --device-root device --headless --time-scale 100", 3, {}, {"!files match"}},
};

class UsageRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(UsageRows, Hold) { pack_test::RunCommandRow(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Commands, UsageRows, ::testing::ValuesIn(kRows), pack_test::CommandRowName());

}  // namespace
