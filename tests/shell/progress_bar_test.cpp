// The progress bar as the shell draws it, one row per fill against its
// reference screen (the empty and the full one are what the screen tests
// judge the bar of whole runs by): growing only forwards, and gone without
// a trace when the stage ends.
#include "progress_bar.h"

#include <string>

#include "screen_compare.h"
#include "shell_test_support.h"
#include "stage_progress.h"
#include "status_screen.h"

namespace {

using shell_test::Capture;
using shell_test::kWholeScreen;
using shell_test::SamePixels;

struct BarRow {
    std::string reference;
    DWORD total;
    DWORD done;
};

void PrintTo(const BarRow& row, std::ostream* out) { *out << row.reference; }

class ProgressBarTest : public shell_test::ShellTest, public ::testing::WithParamInterface<BarRow> {
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

TEST_P(ProgressBarTest, MatchesItsReferenceAndGoesWithoutATrace) {
    const BarRow& row = GetParam();
    const shell_test::Snapshot withoutBar = Capture(kWholeScreen);
    ShowProgressBar(g_hWnd);
    StageProgress& progress = RunningStageProgress();
    progress.SetTotal(row.total);
    progress.Advance(row.done);
    UpdateProgressBar();
    EXPECT_TRUE(screens::MatchesReference(row.reference, Screen()));

    // A total raised afterwards would mean less of it done: the fill stays.
    const shell_test::Snapshot drawn = Capture(kWholeScreen);
    progress.SetTotal(row.total * 4);
    UpdateProgressBar();
    EXPECT_TRUE(SamePixels(Capture(kWholeScreen), drawn));

    EXPECT_TRUE(RemoveProgressBar(g_hWnd));
    EXPECT_TRUE(SamePixels(Capture(kWholeScreen), withoutBar));
    EXPECT_FALSE(KillTimer(g_hWnd, IDT_PROGRESS)) << "the bar's timer runs on";
    EXPECT_FALSE(RemoveProgressBar(g_hWnd));
}

INSTANTIATE_TEST_SUITE_P(Fills, ProgressBarTest,
                         ::testing::Values(BarRow{"upgrade_progress_empty", 1000, 0},
                                           BarRow{"upgrade_progress_half", 1000, 500},
                                           BarRow{"upgrade_progress_full", 1000, 1000}),
                         [](const ::testing::TestParamInfo<BarRow>& info) { return info.param.reference; });

}  // namespace
