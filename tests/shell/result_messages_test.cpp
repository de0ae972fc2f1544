// The workers' result messages as the window handles them: the log line,
// the status line, and what each starts (the installation worker, the reset
// timer, the reset itself).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "extract_codes.h"
#include "install_codes.h"
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

// What the window does after the status line.
enum class Then {
    Nothing,
    InstallationReports,  // the installation worker started and reports once
    ResetTimerSet,
};

struct ResultRow {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM failure;  // lParam: the failure's enum value
    bool threadFails = false;
    // The log as the handler leaves it (tick masked); with a worker started,
    // only its first lines.
    std::vector<std::string> log{};
    LPCWSTR status = nullptr;
    Then then = Then::Nothing;
};

void PrintTo(const ResultRow& row, std::ostream* out) { *out << row.name; }

class ResultRowTest : public ResultMessageTest, public ::testing::WithParamInterface<ResultRow> {};

TEST_P(ResultRowTest, LogsShowsTheStatusLineAndGoesOn) {
    const ResultRow& row = GetParam();
    if (row.threadFails) host::FailCall(host::Op::CreateThread, ERROR_NOT_ENOUGH_MEMORY);
    Deliver(row.message, row.wParam, row.failure);

    std::vector<std::string> lines = log_.MaskedLines();
    if (row.then == Then::InstallationReports) lines.resize(std::min(lines.size(), row.log.size()));
    EXPECT_EQ(lines, row.log);
    Snapshot shown = Capture(kStatusArea);
    ExpectCentredAtTheTop(shown);
    EXPECT_TRUE(SamePixels(shown, StatusBandOf(row.status)));
    EXPECT_TRUE(IsWindow(g_hWnd));

    switch (row.then) {
        case Then::Nothing:
            break;
        case Then::InstallationReports: {
            // The worker reports once, whatever it makes of this empty device.
            RunLoop([](const MSG& message) { return message.message == WM_UPGRADE_RESULT; });
            bool reported = false;
            for (const auto& line : log_.Lines()) {
                reported = reported || line == "=== Upgrade Complete ===" || line == "=== !!! Upgrade Failed ===";
            }
            EXPECT_TRUE(reported) << "no result from the installation worker";
            break;
        }
        case Then::ResetTimerSet:
            // Killing it here keeps this process alive: the timer ends the boot.
            EXPECT_TRUE(KillTimer(g_hWnd, IDT_RESET));
            break;
    }
}

// Success is told by wParam alone: lParam is not read; a failure's lParam is
// its enum value, shown as its code. Without its worker no
// result would ever come: the stage ends with a failure on the status line
// instead of "Upgrading..." for ever.
INSTANTIATE_TEST_SUITE_P(
    Results, ResultRowTest,
    ::testing::Values(
        ResultRow{.name = "ExtractionFailureShowsTheCodeAndPreparationFailed",
                  .message = WM_EXTRACTION_RESULT, .wParam = 0,
                  .failure = static_cast<LPARAM>(ExtractFailure::kDeleteExe),
                  .log = {"=== !!! Extraction Failed ===", ""}, .status = L"Err0A Preparation failed"},
        ResultRow{.name = "UpgradeFailureShowsTheCodeAndUpgradeFailed",
                  .message = WM_UPGRADE_RESULT, .wParam = 0,
                  .failure = static_cast<LPARAM>(InstallFailure::kRemoveImages),
                  .log = {"=== !!! Upgrade Failed ===", ""}, .status = L"Err41 Upgrade failed"},
        ResultRow{.name = "ExtractionSuccessShowsUpgradingAndStartsTheInstallationWorker",
                  .message = WM_EXTRACTION_RESULT, .wParam = 1, .failure = 0,
                  .log = {"=== Extraction Complete ==="}, .status = L"Upgrading...",
                  .then = Then::InstallationReports},
        ResultRow{.name = "InstallationWorkerThatCannotStartShowsUpgradeFailed",
                  .message = WM_EXTRACTION_RESULT, .wParam = 1, .failure = 0, .threadFails = true,
                  .log = {"=== Extraction Complete ===", "",
                          "StartUpgradeThread(): !!! Failed to create thread, error=[8], at=[*]"},
                  .status = L"Upgrade failed"},
        ResultRow{.name = "UpgradeSuccessShowsRebootingAndSetsTheResetTimer",
                  .message = WM_UPGRADE_RESULT, .wParam = 1, .failure = 0,
                  .log = {"=== Upgrade Complete ===", ""}, .status = L"Upgrade complete. Rebooting...",
                  .then = Then::ResetTimerSet}),
    [](const ::testing::TestParamInfo<ResultRow>& info) { return std::string(info.param.name); });

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
        PostMessageW(g_hWnd, WM_UPGRADE_RESULT, 1, 0);
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
