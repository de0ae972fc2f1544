// The package search in-process: the full path FindUpgradeFile composes, what
// it leaves alone when nothing matches or the path does not fit, and the
// upgrade attempt CheckUpgrade fills for each source.
#include <string>

#include "shell_test_support.h"
#include "status_screen.h"
#include "upgrade_search.h"

namespace {

using shell_test::ShellTest;

class UpgradeSearchTest : public ShellTest {
protected:
    UpgradeSearchTest() {
        for (auto& c : out_) c = L'#';
        out_[kOutLength - 1] = L'\0';
    }
    // Where the search puts the package's sections: `folder` and their names.
    void ExpectSectionsIn(const std::wstring& folder) const {
        EXPECT_EQ(std::wstring(attempt_.exe_file), folder + L"AppExecute.ex");
        EXPECT_EQ(std::wstring(attempt_.images_file), folder + L"AppImages.zi");
        EXPECT_EQ(std::wstring(attempt_.fonts_file), folder + L"AppFonts.zi");
    }

    // What the search fills in.
    UpgradeAttempt attempt_{};
    static constexpr size_t kOutLength = MAX_PATH;
    WCHAR out_[kOutLength];
};

TEST_F(UpgradeSearchTest, TheFullPathIsTheFolderPartOfThePatternAndTheMatchedName) {
    device_.WriteFile(L"\\Hard Disk\\OV3_UPGRADE_20240101.BIN", "package");

    ASSERT_EQ(FindUpgradeFile(L"\\Hard Disk\\OV3_UPGRADE_*.BIN", out_, kOutLength, 4), 1);
    EXPECT_STREQ(out_, L"\\Hard Disk\\OV3_UPGRADE_20240101.BIN");
    // The USB source's pattern has no leading separator; neither has the result.
    ASSERT_EQ(FindUpgradeFile(L"Hard Disk\\ov3_upgrade_*.bin", out_, kOutLength, 0), 1);
    EXPECT_STREQ(out_, L"Hard Disk\\OV3_UPGRADE_20240101.BIN");
    EXPECT_EQ(log_.MaskedLines(),
              (std::vector<std::string>{
                  "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_20240101.BIN], retry=[4], at=[*]",
                  "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_20240101.BIN], retry=[0], at=[*]",
              }));
}

TEST_F(UpgradeSearchTest, APatternWithoutAFolderPartGivesTheBareName) {
    device_.WriteFile(L"\\OV3_UPGRADE_1.BIN", "package");

    ASSERT_EQ(FindUpgradeFile(L"\\OV3_UPGRADE_*.BIN", out_, kOutLength, 0), 1);
    EXPECT_STREQ(out_, L"OV3_UPGRADE_1.BIN");
    ASSERT_EQ(FindUpgradeFile(L"\\OV3_UPGRADE_*.BIN", NULL, 0, 0), 1);
}

TEST_F(UpgradeSearchTest, NoMatchLeavesTheOutputAloneAndLogsNothing) {
    device_.WriteFile(L"\\Hard Disk\\OV3_UPGRADE.BIN", "no underscore after UPGRADE");
    std::wstring before = out_;

    EXPECT_EQ(FindUpgradeFile(L"\\Hard Disk\\OV3_UPGRADE_*.BIN", out_, kOutLength, 0), 0);
    EXPECT_EQ(FindUpgradeFile(L"\\Missing\\OV3_UPGRADE_*.BIN", out_, kOutLength, 0), 0);
    EXPECT_EQ(std::wstring(out_), before);
    EXPECT_TRUE(log_.Lines().empty());
}

// A shortened path would name another file: the match is refused.
TEST_F(UpgradeSearchTest, APathThatDoesNotFitTheOutputIsRefused) {
    device_.WriteFile(L"\\Hard Disk\\OV3_UPGRADE_1.BIN", "package");
    std::wstring before = out_;

    EXPECT_EQ(FindUpgradeFile(L"\\Hard Disk\\OV3_UPGRADE_*.BIN", out_, 20, 0), 0);
    EXPECT_EQ(std::wstring(out_), before);
    ASSERT_EQ(FindUpgradeFile(L"\\Hard Disk\\OV3_UPGRADE_*.BIN", out_, 29, 0), 1) << "28 characters and the zero";
    EXPECT_STREQ(out_, L"\\Hard Disk\\OV3_UPGRADE_1.BIN");
    EXPECT_EQ(log_.MaskedLines(),
              (std::vector<std::string>{
                  "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_1.BIN], retry=[0], at=[*]",
                  "FindUpgradeFile(): !!! Path too long, source=[OV3_UPGRADE_1.BIN], retry=[0], at=[*]",
                  "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_1.BIN], retry=[0], at=[*]",
              }));
}

TEST_F(UpgradeSearchTest, AUsbPackageFillsTheStateWithPathsOnTheDisk) {
    device_.WriteFile(L"\\NandFlash\\Upgrade.flag", "");
    device_.WriteFile(L"\\Hard Disk2\\OV3_UPGRADE_9.BIN", "package");

    ASSERT_EQ(CheckUpgrade(DrawStatusText, &attempt_), 1);
    EXPECT_FALSE(attempt_.remote);
    EXPECT_STREQ(attempt_.source_dir, L"Hard Disk2");
    EXPECT_STREQ(attempt_.package_file, L"Hard Disk2\\OV3_UPGRADE_9.BIN");
    EXPECT_STREQ(attempt_.package_pattern, L"Hard Disk2\\OV3_UPGRADE_*.BIN");
    ExpectSectionsIn(L"Hard Disk2\\");
    EXPECT_EQ(log_.MaskedLines(),
              (std::vector<std::string>{
                  "CheckUpgrade(): found upgrade flag, at=[*]",
                  "CheckUpgrade(): found upgrade source directory=[Hard Disk2], dir_retry=[0], at=[*]",
                  "FindUpgradeFile(): found upgrade source=[OV3_UPGRADE_9.BIN], retry=[0], at=[*]",
              }));
    EXPECT_TRUE(device_.Exists(L"\\NandFlash\\Upgrade.flag")) << "the flag stays until the installation";
}

TEST_F(UpgradeSearchTest, ARemotePackageIsFoundInTheDownloadFolder) {
    device_.WriteFile(L"\\NandFlash\\RemoteUpgrade.flag", "");
    device_.WriteFile(L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_3.BIN", "package");

    ASSERT_EQ(CheckUpgrade(DrawStatusText, &attempt_), 1);
    EXPECT_TRUE(attempt_.remote);
    EXPECT_STREQ(attempt_.package_file, L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_3.BIN");
    // The sections go beside the package.
    ExpectSectionsIn(L"\\Storage Card\\OV3_Download\\");
}

TEST_F(UpgradeSearchTest, NoFlagMeansNoSearchAndNothingDrawn) {
    device_.WriteFile(L"\\Hard Disk\\OV3_UPGRADE_1.BIN", "package");
    auto before = shell_test::Capture(shell_test::kWholeScreen);

    EXPECT_EQ(CheckUpgrade(DrawStatusText, &attempt_), 0);
    EXPECT_EQ(log_.MaskedLines(), std::vector<std::string>{"CheckUpgrade(): !!! Not found upgrade flag, at=[*]"});
    EXPECT_TRUE(shell_test::SamePixels(shell_test::Capture(shell_test::kWholeScreen), before));
}

}  // namespace
