// The start-up sequence through the real message loop: Initialize 100 ms
// after the window is created, the quit 5000 ms after a launch, WM_COMMAND
// 40001 ending the loop, and timers and commands the window does not know
// going to default processing only.
#include "shell_test_support.h"

// The program's entry, as the host's process entry calls it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

namespace {

using shell_test::Capture;
using shell_test::SamePixels;
using shell_test::kWholeScreen;
using shell_test::ShellTest;
using testing_support::AppearsSoon;
using testing_support::MaskTicks;

const char* const kLauncherScript = "#!/bin/sh\ntouch launched\n";

class TimerSequenceTest : public ShellTest {
protected:
    TimerSequenceTest() { timeScale_ = 10; }
};

TEST_F(TimerSequenceTest, WithoutFlagsInitializeRunsAfter100MsAndTheProgramQuits5000MsAfterTheLaunch) {
    device_.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kLauncherScript);
    OpenWindow();

    std::optional<int> exitCode = RunLoop();

    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    auto timers = TimersFetched();
    ASSERT_EQ(timers.size(), 2u) << "each timer fires once";
    EXPECT_EQ(timers[0].wParam, static_cast<WPARAM>(IDT_INITIALIZE));
    EXPECT_EQ(timers[1].wParam, static_cast<WPARAM>(IDT_QUIT));
    EXPECT_GE(timers[0].time - createdAt_, 100u);
    // The quit timer is set during Initialize, which began when the first
    // timer was fetched.
    EXPECT_GE(timers[1].time - timers[0].time, 5000u);
    // The quit timer posts WM_DESTROY, which posts the quit message.
    ASSERT_GE(fetched_.size(), 2u);
    EXPECT_EQ(fetched_.back().message, static_cast<UINT>(WM_DESTROY));

    EXPECT_EQ(log_.MaskedLines(), std::vector<std::string>{"CheckUpgrade(): !!! Not found upgrade flag, at=[*]"});
    EXPECT_TRUE(AppearsSoon(device_, L"\\NandFlash\\Merrow\\launched"));
    // The pointer is hidden in the bottom-right corner.
    EXPECT_EQ(ShowCursor(TRUE), 0);
    POINT pointer;
    ASSERT_TRUE(GetCursorPos(&pointer));
    EXPECT_EQ(pointer.x, 479);
    EXPECT_EQ(pointer.y, 271);
}

TEST_F(ShellTest, ATimerOfAnotherIdKeepsFiringAndChangesNothing) {
    OpenWindow();
    ASSERT_TRUE(KillTimer(g_hWnd, IDT_INITIALIZE));
    auto before = Capture(kWholeScreen);
    constexpr UINT_PTR kForeignTimer = 4242;
    ASSERT_NE(SetTimer(g_hWnd, kForeignTimer, 10, NULL), 0u);

    int ticks = 0;
    RunLoop([&](const MSG& message) { return message.message == WM_TIMER && ++ticks == 3; });

    // Default processing does not kill the timer: it fired three times.
    auto timers = TimersFetched();
    ASSERT_EQ(timers.size(), 3u);
    for (const auto& timer : timers) EXPECT_EQ(timer.wParam, kForeignTimer);
    EXPECT_TRUE(KillTimer(g_hWnd, kForeignTimer));
    EXPECT_TRUE(IsWindow(g_hWnd));
    EXPECT_TRUE(log_.Lines().empty());
    EXPECT_TRUE(SamePixels(Capture(kWholeScreen), before));
}

TEST_F(ShellTest, UnknownCommandsChangeNothingAndCommand40001EndsTheLoopWithZero) {
    OpenWindow();
    ASSERT_TRUE(KillTimer(g_hWnd, IDT_INITIALIZE));
    auto before = Capture(kWholeScreen);

    // Command 1 is what Ctrl+Q sends; 12345 is no command at all. The high
    // word of wParam is not part of the command id.
    Deliver(WM_COMMAND, 1, 0);
    Deliver(WM_COMMAND, 12345, 0);
    Deliver(WM_COMMAND, MAKEWPARAM(1, 1), 0);
    EXPECT_EQ(SendMessageW(g_hWnd, WM_COMMAND, 12345, 0), DefWindowProcW(g_hWnd, WM_COMMAND, 12345, 0));

    EXPECT_TRUE(IsWindow(g_hWnd));
    EXPECT_TRUE(log_.Lines().empty());
    EXPECT_TRUE(SamePixels(Capture(kWholeScreen), before));

    HWND window = g_hWnd;
    ASSERT_TRUE(PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0));
    std::optional<int> exitCode = RunLoop();
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    EXPECT_FALSE(IsWindow(window));
}

// WinMain itself: with neither program to start, the program stays up after
// the message box and only the exit command ends it.
TEST_F(ShellTest, WinMainStaysUpAfterBothLaunchesFailUntilCommand40001) {
    device_.MakeFolder(L"\\Windows");
    const std::string failedLine =
        "Initialize(): !!! Initialization Failed. Unable to execute app=[explorer.exe], error=[2], at=[*]";
    // Sends the exit command once Initialize has given up; looks again a
    // device second later until then.
    std::function<void()> exitWhenHalted = [&] {
        auto lines = log_.MaskedLines();
        if (!lines.empty() && lines.back() == failedLine && g_hWnd) {
            PostMessageW(g_hWnd, WM_COMMAND, IDM_EXIT, 0);
        } else {
            host::ScheduleAt(GetTickCount() + 1000.0, exitWhenHalted);
        }
    };
    host::ScheduleAt(GetTickCount() + 1000.0, exitWhenHalted);

    WCHAR commandLine[] = L"";
    EXPECT_EQ(WinMain(Instance(), NULL, commandLine, SW_SHOW), 0);

    EXPECT_EQ(log_.MaskedLines(), (std::vector<std::string>{
                                      "CheckUpgrade(): !!! Not found upgrade flag, at=[*]",
                                      "ExecuteFile(): !!! File not exist=[\\NandFlash\\Merrow\\Orvane3.exe], at=[*]",
                                      failedLine,
                                  }));
    EXPECT_FALSE(IsWindow(g_hWnd));
}

TEST_F(ShellTest, ExecuteFileReportsAMissingAndAnUnrunnableFile) {
    device_.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", "MZ not a program of this machine");

    EXPECT_FALSE(ExecuteFile(L"\\NandFlash\\Merrow\\Missing.exe", NULL));
    SetLastError(0);
    EXPECT_FALSE(ExecuteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", NULL));
    device_.WriteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", kLauncherScript);
    EXPECT_TRUE(ExecuteFile(L"\\NandFlash\\Merrow\\Orvane3.exe", NULL));
    EXPECT_TRUE(AppearsSoon(device_, L"\\NandFlash\\Merrow\\launched"));

    EXPECT_EQ(log_.MaskedLines(),
              (std::vector<std::string>{
                  "ExecuteFile(): !!! File not exist=[\\NandFlash\\Merrow\\Missing.exe], at=[*]",
                  "ExecuteFile(): !!! Failed to execute app=[\\NandFlash\\Merrow\\Orvane3.exe], error=[193], at=[*]",
              }));
}

}  // namespace
