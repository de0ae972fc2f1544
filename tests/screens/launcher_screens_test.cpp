// The launcher's screens as build/ruvexa writes them: the start screen with
// its version lines, the search, an error line, and the status line through
// a whole upgrade, compared with reference images.
#include <gtest/gtest.h>

#include "ruvexa_runner.h"
#include "screen_bands.h"
#include "screen_compare.h"
#include "upgrade_package.h"

namespace {

using scenario::RunRuvexa;
using scenario::Scratch;
using screens::Box;
using screens::ExpectCentredStatusLine;
using screens::Image;
using screens::InkBounds;
using screens::kWhite;
using screens::MatchesReference;
using screens::ReadPng;
using testing_support::AcrossScreen;

const std::string kMainScript = "#!/bin/sh\ntouch orvane3.ran\n";

bool Blank(const Image& screen, const Box& area) {
    Box ink = InkBounds(screen, area, kWhite);
    return ink.right <= ink.left;
}

TEST(LauncherScreens, StartScreenShowsTheThreeVersionLinesOverTheBackground) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kMainScript);
    Scratch scratch;
    auto run = RunRuvexa(device.Root(), {"--time-scale", "100", "--screen", scratch.Path("screen.png")}, scratch);
    ASSERT_EQ(run.status, 0) << run.err;

    Image screen = ReadPng(scratch.Path("screen.png"));
    ASSERT_EQ(screen.width, 480);
    ASSERT_EQ(screen.height, 272);
    EXPECT_TRUE(MatchesReference("start_screen", screen));
    // Each version line has ink from x=10 on; the background is white
    // outside the logo's rows 91 to 175, status band included.
    for (const RECT& band : {kVersionBand1, kVersionBand2, kVersionBand3}) {
        const Box line = AcrossScreen(band);
        Box ink = InkBounds(screen, line, kWhite);
        EXPECT_GE(ink.left, 10);
        EXPECT_LT(ink.left, 14) << "version line at y=" << line.top;
        EXPECT_LT(ink.right, 480);
    }
    EXPECT_TRUE(Blank(screen, {0, 0, 480, kVersionBand1.top}));
    EXPECT_TRUE(Blank(screen, {0, kVersionBand3.bottom, 480, 91}));
    EXPECT_TRUE(Blank(screen, {0, 176, 480, 272}));
    EXPECT_FALSE(Blank(screen, {0, 91, 480, 176})) << "no logo";
}

TEST(LauncherScreens, TheSearchShowsFindingUpgradeFileUntilTheLaunch) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\RemoteUpgrade.flag", "");
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kMainScript);
    Scratch scratch;
    auto run = RunRuvexa(device.Root(), {"--time-scale", "1000", "--screen", scratch.Path("screen.png")}, scratch);
    ASSERT_EQ(run.status, 0) << run.err;

    Image screen = ReadPng(scratch.Path("screen.png"));
    EXPECT_TRUE(MatchesReference("finding_upgrade_file", screen));
    ExpectCentredStatusLine(screen);
}

TEST(LauncherScreens, AFailedExtractionShowsItsCodeAndPreparationFailed) {
    Scratch scratch;
    scenario::BuiltPackage package = scenario::BuildUpgradePackage(scenario::StandardUpgrade(), scratch);
    package.bytes[0] = 'X';  // a wrong signature: "Err04"
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\RemoteUpgrade.flag", "");
    device.WriteFile(L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_1.BIN", package.bytes);
    // Headless, the device halts on the error screen and the run ends (6).
    auto run = RunRuvexa(device.Root(), {"--time-scale", "100", "--screen", scratch.Path("screen.png")}, scratch);
    ASSERT_EQ(run.status, 6) << run.err;
    ASSERT_TRUE(run.LogHas("=== !!! Extraction Failed ===")) << run.log;

    Image screen = ReadPng(scratch.Path("screen.png"));
    EXPECT_TRUE(MatchesReference("error_line_err04", screen));
    ExpectCentredStatusLine(screen);
    EXPECT_FALSE(Blank(screen, kTitleBand)) << "no title line";
}

// Through a whole upgrade the status line takes four texts in turn; each
// replaces the one before without a trace.
TEST(LauncherScreens, TheStatusLineThroughAWholeUpgrade) {
    Scratch scratch;
    scenario::BuiltPackage package = scenario::BuildUpgradePackage(scenario::StandardUpgrade(), scratch);
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\RemoteUpgrade.flag", "");
    device.WriteFile(L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_1.BIN", package.bytes);
    device.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kMainScript);
    device.WriteFile(L"\\NandFlash\\Merrow\\Images\\Old.bmp", "BM");
    device.WriteFile(L"\\NandFlash\\Merrow\\Font\\Old.ttf", "font");
    auto run = RunRuvexa(device.Root(), {"--time-scale", "100", "--frames", scratch.Path("frames")}, scratch);
    ASSERT_EQ(run.status, 3) << run.err << run.log;

    const std::vector<Image> states = screens::StatusStates(scratch.Path("frames"));
    ASSERT_EQ(states.size(), 5u) << "blank, finding, preparing, upgrading, rebooting";
    EXPECT_TRUE(Blank(states[0], kStatusBand));
    EXPECT_TRUE(MatchesReference("upgrade_preparing", states[2]));
    EXPECT_TRUE(MatchesReference("upgrade_upgrading", states[3]));
    EXPECT_TRUE(MatchesReference("upgrade_rebooting", states[4]));
    for (size_t i = 1; i < states.size(); ++i) {
        SCOPED_TRACE("status state " + std::to_string(i));
        ExpectCentredStatusLine(states[i]);
    }

    // "Preparing..." is narrower than "Finding upgrade file..."; outside its
    // own ink the band is plain background again.
    Box longInk = InkBounds(states[1], kStatusBand, kWhite);
    Box shortInk = InkBounds(states[2], kStatusBand, kWhite);
    ASSERT_LT(longInk.left, shortInk.left);
    EXPECT_TRUE(Blank(states[2], {0, kStatusBand.top, shortInk.left, kStatusBand.bottom}));
    EXPECT_TRUE(Blank(states[2], {shortInk.right, kStatusBand.top, 480, kStatusBand.bottom}));
}

}  // namespace
