// ruvexa-pack delta: a delta package of a target package against an
// installed one, and how inspect, verify, list and unpack see it.
#include <gtest/gtest.h>

#include <filesystem>

#include "pack_runner.h"

namespace fs = std::filesystem;
using pack_test::RandomBytes;
using pack_test::ToolRun;
using pack_test::Workspace;

namespace {

struct DeltaRow {
    std::string name;
    bool newCode;  // the new executable shares nothing with the old one
    std::string exeLine;  // what delta and inspect say of the exe section
    bool patched;  // the exe section is a patch, else the new executable
};

void PrintTo(const DeltaRow& row, std::ostream* out) { *out << row.name; }

class DeltaCommand : public ::testing::TestWithParam<DeltaRow> {
protected:
    // Two full packages: the old one, and the new one with its executable
    // changed in one place (or throughout), one image changed, one added,
    // one font added.
    void SetUp() override {
        const std::string code = RandomBytes(300000, 1);
        std::string exe = code;
        exe.replace(150000, 16, "a changed routine");
        space_.Write("old/app.exe", code);
        space_.Write("new/app.exe", GetParam().newCode ? RandomBytes(300000, 2) : exe);
        for (const char* side : {"old", "new"}) {
            space_.Write(std::string(side) + "/images/keep/a.bmp", RandomBytes(5000, 3));
            space_.Write(std::string(side) + "/images/b.bmp", side == std::string("old") ? "old b" : "new b");
            space_.Write(std::string(side) + "/fonts/Sans.ttf", RandomBytes(8000, 4));
        }
        space_.Write("new/images/keep/c.bmp", "added");
        space_.Write("new/fonts/Serif.ttf", "added font");
        for (const char* side : {"old", "new"}) {
            const std::string folder = space_.Path(side);
            ToolRun build = space_.Pack({"build", "-q", "--exe", folder + "/app.exe", "--images", folder + "/images",
                                         "--fonts", folder + "/fonts", "-o", folder + ".BIN"});
            ASSERT_EQ(build.status, 0) << build.err;
        }
    }

    ToolRun Delta(const std::string& from, const std::string& output) {
        return space_.Pack({"delta", "--from", space_.Path(from), "--to", space_.Path("new.BIN"), "-o",
                            space_.Path(output)});
    }

    Workspace space_;
};

TEST_P(DeltaCommand, WritesADeltaThatInspectVerifyAndUnpackKnow) {
    const DeltaRow& row = GetParam();
    ToolRun delta = Delta("old.BIN", "OV3_UPGRADE_D.BIN");
    ASSERT_EQ(delta.status, 0) << delta.err;
    EXPECT_NE(delta.out.find(row.exeLine), std::string::npos) << delta.out;
    EXPECT_NE(delta.out.find("images: 2 files carried, 1 taken from the device (5000 bytes)"), std::string::npos)
        << delta.out;
    EXPECT_NE(delta.out.find("fonts: 1 files carried, 1 taken from the device (8000 bytes)"), std::string::npos);
    const std::string bytes = space_.Read("OV3_UPGRADE_D.BIN");
    EXPECT_EQ(bytes.substr(0, 4), "3-VD");
    EXPECT_LT(bytes.size(), fs::file_size(space_.Path("new.BIN")));

    ToolRun inspect = space_.Pack({"inspect", space_.Path("OV3_UPGRADE_D.BIN")});
    EXPECT_EQ(inspect.status, 0) << inspect.out;
    EXPECT_NE(inspect.out.find("\"3-VD\" (valid, a delta package)"), std::string::npos) << inspect.out;
    EXPECT_NE(inspect.out.find("  images:        2 files carried, 1 taken from the device (5000 bytes not carried)"),
              std::string::npos);
    ToolRun json = space_.Pack({"inspect", "--json", space_.Path("OV3_UPGRADE_D.BIN")});
    EXPECT_NE(json.out.find("\"kind\":\"delta\""), std::string::npos) << json.out;
    EXPECT_EQ(space_.Pack({"verify", space_.Path("OV3_UPGRADE_D.BIN")}).out,
              "ok\nverify: the files this delta takes from the installed version, and the executable its patch "
              "applies to, are checked only on the device\n");
    ToolRun unpack = space_.Pack({"unpack", "-q", space_.Path("OV3_UPGRADE_D.BIN"), space_.Path("out")});
    ASSERT_EQ(unpack.status, 0) << unpack.err;
    const std::string exeSection = space_.Read("out/AppExecute.ex");
    EXPECT_EQ(row.patched ? exeSection.substr(0, 4) : exeSection, row.patched ? "RVDP" : space_.Read("new/app.exe"));

    EXPECT_EQ(space_.Pack({"list", space_.Path("OV3_UPGRADE_D.BIN")}).out, space_.Pack({"list", space_.Path("new.BIN")}).out)
        << "a delta installs the same tree";
    ToolRun full = space_.Pack({"inspect", "--json", space_.Path("new.BIN")});
    EXPECT_NE(full.out.find("\"kind\":\"full\",\"delta\":null"), std::string::npos) << full.out;
}

TEST_P(DeltaCommand, TakesFullPackagesOnly) {
    ASSERT_EQ(Delta("old.BIN", "OV3_UPGRADE_D.BIN").status, 0);
    ToolRun again = Delta("OV3_UPGRADE_D.BIN", "OV3_UPGRADE_E.BIN");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("is a delta package; --from and --to take full packages"), std::string::npos) << again.err;
    EXPECT_FALSE(fs::exists(space_.Path("OV3_UPGRADE_E.BIN")));
}

INSTANTIATE_TEST_SUITE_P(Rows, DeltaCommand,
                         ::testing::Values(DeltaRow{"ChangedCodeGoesAsPatch", false, "exe: patch of ", true},
                                           DeltaRow{"NewCodeGoesWhole", true, "exe: whole, 300000 bytes", false}),
                         [](const ::testing::TestParamInfo<DeltaRow>& info) { return info.param.name; });

}  // namespace
