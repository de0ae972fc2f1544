// A release engineer's everyday commands, as rows: what each prints and
// leaves in the folder.
#include <gtest/gtest.h>

#include "command_rows.h"

namespace {

using pack_test::CommandRow;

const std::string kBuild1 =
    "ruvexa-pack build --exe release1/app.exe --images release1/images --fonts release1/fonts -o OV3_UPGRADE_1.BIN";

const CommandRow kRows[] = {
    {"BuildWritesThePackage", {}, kBuild1, 0, {"OV3_UPGRADE_1.BIN", "!OV3_UPGRADE_1.BIN.SIG"}, {"wrote 'OV3_UPGRADE_1.BIN'"}},
    {"VerifySaysOk", {kBuild1}, "ruvexa-pack verify OV3_UPGRADE_1.BIN", 0, {"=OV3_UPGRADE_1.BIN"}, {"out:ok", "err:"}},
    {"KeygenNeverReplacesAKey", {}, "ruvexa-pack keygen maker", 1, {"=maker.key", "=maker.pub"}, {"err:exists"}},
};

class ReleaseRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(ReleaseRows, Hold) { pack_test::RunCommandRow(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Commands, ReleaseRows, ::testing::ValuesIn(kRows), pack_test::CommandRowName());

}  // namespace
