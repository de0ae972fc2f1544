// The progress bar as the shell draws it: half way through the installation
// against its reference screen, growing only forwards, and gone without a
// trace when the stage ends.
#include "progress_bar.h"

#include "screen_compare.h"
#include "shell_test_support.h"
#include "stage_progress.h"
#include "status_screen.h"

namespace {

using shell_test::Capture;
using shell_test::kWholeScreen;
using shell_test::SamePixels;

class ProgressBarTest : public shell_test::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        OpenWindow();
        ASSERT_TRUE(KillTimer(g_hWnd, IDT_INITIALIZE));
        ShowStartScreen();
        DrawTitleText(L"UI APP UPGRADE");
        DrawStatusText(L"Upgrading...");
    }
};

screens::Image Screen() {
    return {.width = 480, .height = 272, .pixels = Capture(kWholeScreen).pixels};
}

TEST_F(ProgressBarTest, HalfWayMatchesItsReferenceAndGoesWithoutATrace) {
    const shell_test::Snapshot withoutBar = Capture(kWholeScreen);
    ShowProgressBar(g_hWnd);
    StageProgress& progress = RunningStageProgress();
    progress.SetTotal(1000);
    progress.Advance(500);
    UpdateProgressBar();
    EXPECT_TRUE(screens::MatchesReference("upgrade_progress_half", Screen()));

    // A total raised afterwards would mean less of it done: the fill stays.
    const shell_test::Snapshot halfWay = Capture(kWholeScreen);
    progress.SetTotal(4000);
    UpdateProgressBar();
    EXPECT_TRUE(SamePixels(Capture(kWholeScreen), halfWay));

    EXPECT_TRUE(RemoveProgressBar(g_hWnd));
    EXPECT_TRUE(SamePixels(Capture(kWholeScreen), withoutBar));
    EXPECT_FALSE(KillTimer(g_hWnd, IDT_PROGRESS)) << "the bar's timer runs on";
    EXPECT_FALSE(RemoveProgressBar(g_hWnd));
}

}  // namespace
