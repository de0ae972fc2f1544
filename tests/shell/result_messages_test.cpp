// The workers' result messages as the window handles them: the log line,
// the status line, and what each starts (the installation worker, the reset
// timer, the reset itself).
#include <cstdio>
#include <cstring>

#include "result_messages.h"
#include "ruvexa_host.h"
#include "shell_test_support.h"
#include "status_screen.h"

namespace {

using shell_test::Capture;
using shell_test::SamePixels;
using shell_test::InkBounds;
using shell_test::kStatusArea;
using shell_test::ShellTest;
using shell_test::Snapshot;

class ResultMessageTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        OpenWindow();
        // The start-up decision is not part of these cases.
        ASSERT_TRUE(KillTimer(g_hWnd, IDT_INITIALIZE));
    }

    // The status band as DrawStatusText draws `text`.
    static Snapshot StatusBandOf(LPCWSTR text) {
        DrawStatusText(text);
        return Capture(kStatusArea);
    }

    static void ExpectCentredAtTheTop(const Snapshot& band) {
        RECT ink = InkBounds(band, g_bkColor);
        ASSERT_LT(ink.left, ink.right) << "the status band is empty";
        EXPECT_LE(std::abs((ink.left - kStatusArea.left) - (kStatusArea.right - ink.right)), 1);
        EXPECT_LT(ink.top - kStatusArea.top, 8) << "DT_CENTER alone: the line sits at the top of the band";
    }
};

TEST_F(ResultMessageTest, ExtractionFailureShowsTheCodeAndPreparationFailed) {
    Deliver(WM_EXTRACTION_RESULT, 0, reinterpret_cast<LPARAM>(L"Err0A"));

    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"=== !!! Extraction Failed ===", ""}));
    Snapshot shown = Capture(kStatusArea);
    ExpectCentredAtTheTop(shown);
    EXPECT_TRUE(SamePixels(shown, StatusBandOf(L"Err0A Preparation failed")));
    EXPECT_TRUE(IsWindow(g_hWnd));
}

TEST_F(ResultMessageTest, UpgradeFailureShowsTheCodeAndUpgradeFailed) {
    Deliver(WM_UPGRADE_RESULT, 0, reinterpret_cast<LPARAM>(L"Err41"));

    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"=== !!! Upgrade Failed ===", ""}));
    Snapshot shown = Capture(kStatusArea);
    ExpectCentredAtTheTop(shown);
    EXPECT_TRUE(SamePixels(shown, StatusBandOf(L"Err41 Upgrade failed")));
}

// Success is told by wParam alone: lParam is not read.
TEST_F(ResultMessageTest, ExtractionSuccessShowsUpgradingAndStartsTheInstallationWorker) {
    Deliver(WM_EXTRACTION_RESULT, 1, 0);

    ASSERT_FALSE(log_.Lines().empty());
    EXPECT_EQ(log_.Lines().front(), "=== Extraction Complete ===");
    Snapshot shown = Capture(kStatusArea);
    ExpectCentredAtTheTop(shown);
    EXPECT_TRUE(SamePixels(shown, StatusBandOf(L"Upgrading...")));

    // The worker reports once, whatever it makes of this empty device.
    RunLoop([](const MSG& message) { return message.message == WM_UPGRADE_RESULT; });
    auto lines = log_.Lines();
    bool reported = false;
    for (const auto& line : lines) {
        reported = reported || line == "=== Upgrade Complete ===" || line == "=== !!! Upgrade Failed ===";
    }
    EXPECT_TRUE(reported) << "no result from the installation worker";
}

// Without its worker no result would ever come: the stage ends with a
// failure on the status line instead of "Upgrading..." for ever.
TEST_F(ResultMessageTest, InstallationWorkerThatCannotStartShowsUpgradeFailed) {
    host::FailCall(host::Op::CreateThread, ERROR_NOT_ENOUGH_MEMORY);
    Deliver(WM_EXTRACTION_RESULT, 1, 0);

    EXPECT_EQ(log_.MaskedLines(), (std::vector<std::string>{
                                      "=== Extraction Complete ===", "",
                                      "StartUpgradeThread(): !!! Failed to create thread, error=[8], at=[*]"}));
    EXPECT_TRUE(SamePixels(Capture(kStatusArea), StatusBandOf(L"Upgrade failed")));
}

TEST_F(ResultMessageTest, UpgradeSuccessShowsRebootingAndSetsTheResetTimer) {
    Deliver(WM_UPGRADE_RESULT, 1, reinterpret_cast<LPARAM>(L""));

    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"=== Upgrade Complete ===", ""}));
    Snapshot shown = Capture(kStatusArea);
    ExpectCentredAtTheTop(shown);
    EXPECT_TRUE(SamePixels(shown, StatusBandOf(L"Upgrade complete. Rebooting...")));
    // Killing it here keeps this process alive: the timer ends the boot.
    EXPECT_TRUE(KillTimer(g_hWnd, IDT_RESET));
}

// The reset ends the process, so it is watched from a death test. The log
// goes to standard error there, followed by a verdict on the wait.
class ResetTest : public ResultMessageTest {
protected:
    ResetTest() { timeScale_ = 10; }
    static void RunUntilReset() {
        DWORD resultAt = GetTickCount();
        host::SetLogSink([resultAt](std::string_view text) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            if (text.starts_with("!!! Reset")) {
                std::fprintf(stderr, GetTickCount() - resultAt >= 3000 ? "[waited 3000 ms]\n" : "[too early]\n");
            }
            std::fflush(stderr);
        });
        PostMessageW(g_hWnd, WM_UPGRADE_RESULT, 1, reinterpret_cast<LPARAM>(L""));
        MSG message;
        while (GetMessageW(&message, NULL, 0, 0)) DispatchMessageW(&message);
        std::exit(0);  // not reached when the reset happens
    }
};

TEST_F(ResetTest, ThreeSecondsAfterSuccessTheResetDriverRestartsTheDevice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunUntilReset(), ::testing::ExitedWithCode(3),
                "=== Upgrade Complete ===\r\n\r\n!!! Reset IOCTL_AIP_SYS_RESET, at=\\[[0-9]+\\]\r\n\\[waited 3000 ms\\]");
}

TEST_F(ResetTest, WithoutTheResetDriverTheForcedPowerStateResetIsRequested) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    host::SetResetDriverPresent(false);
    EXPECT_EXIT(RunUntilReset(), ::testing::ExitedWithCode(4),
                "=== Upgrade Complete ===\r\n\r\n!!! Reset POWER_STATE_RESET, at=\\[[0-9]+\\]\r\n\\[waited 3000 ms\\]");
}

}  // namespace
