// The message queue: timers on the device clock, posts from other threads,
// the quit message, scheduled host actions and keyboard translation.
#include <gtest/gtest.h>

#include <thread>

#include "window_test_support.h"

using namespace window_test;

namespace {

using MessageTest = WindowManagerTest;

}  // namespace

TEST_F(MessageTest, TimersFireInDeviceTimeOrderOnceEachWhenKilledOnExpiry) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    g_behaviour.killTimerOnTick = true;
    g_behaviour.quitAfterTimer = 10002;
    // Set in the opposite order to their expiry.
    ASSERT_EQ(SetTimer(hwnd, 10002, 5000, nullptr), 10002u);
    ASSERT_EQ(SetTimer(hwnd, 10001, 100, nullptr), 10001u);
    DWORD started = GetTickCount();

    EXPECT_EQ(RunMessageLoop(), 10002);
    auto ticks = ReceivedOf(WM_TIMER);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[0].wParam, 10001u);
    EXPECT_EQ(ticks[1].wParam, 10002u);
    for (auto& tick : ticks) {
        EXPECT_EQ(tick.hwnd, hwnd);
        EXPECT_EQ(tick.lParam, 0);
    }
    // Device time, not real time, decided: five device seconds have passed.
    EXPECT_GE(GetTickCount() - started, 5000u);
}

TEST_F(MessageTest, RearmingATimerMovesItsExpiry) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    g_behaviour.killTimerOnTick = true;
    g_behaviour.quitAfterTimer = 2;
    ASSERT_TRUE(SetTimer(hwnd, 1, 100, nullptr));
    ASSERT_TRUE(SetTimer(hwnd, 2, 1000, nullptr));
    ASSERT_TRUE(SetTimer(hwnd, 1, 3000, nullptr));
    RunMessageLoop();
    auto ticks = ReceivedOf(WM_TIMER);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].wParam, 2u);

    SetLastError(0xdeadbeef);
    EXPECT_TRUE(KillTimer(hwnd, 1));
    EXPECT_FALSE(KillTimer(hwnd, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(MessageTest, PostsFromAnotherThreadArriveInOrderBeforeDueTimers) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    g_behaviour.killTimerOnTick = true;
    g_behaviour.quitAfterTimer = 7;
    ASSERT_TRUE(SetTimer(hwnd, 7, 10, nullptr));
    std::thread poster([hwnd] {
        for (WPARAM i = 0; i < 200; ++i) ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 101, i, 0));
    });
    poster.join();
    Sleep(100);  // the timer is due now, behind the posted messages

    RunMessageLoop();
    auto posted = ReceivedOf(WM_USER + 101);
    ASSERT_EQ(posted.size(), 200u);
    for (WPARAM i = 0; i < 200; ++i) EXPECT_EQ(posted[i].wParam, i);
    ASSERT_EQ(g_received.back().message, static_cast<UINT>(WM_TIMER));
}

TEST_F(MessageTest, AWaitingLoopWakesForAPostFromAnotherThread) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    g_behaviour.quitOnMessage = WM_USER + 102;
    // No timer runs: only the post can end the wait.
    std::thread poster([hwnd] {
        Sleep(20);
        PostMessageW(hwnd, WM_USER + 102, 42, 0);
    });
    EXPECT_EQ(RunMessageLoop(), 42);
    poster.join();
}

TEST_F(MessageTest, ThreadTimerWithAnExistingIdIsReplaced) {
    const UINT_PTR first = SetTimer(nullptr, 0, 1000, nullptr);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(SetTimer(nullptr, first, 20, nullptr), first);
    // An id no timer has is the layer's to choose.
    const UINT_PTR other = SetTimer(nullptr, first + 1000, 5000, nullptr);
    EXPECT_NE(other, first + 1000);
    MSG msg;
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, first);
    EXPECT_TRUE(KillTimer(nullptr, first));
    EXPECT_TRUE(KillTimer(nullptr, other));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(KillTimer(nullptr, first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(MessageTest, SendMessageFromAnotherThreadRunsOnTheWindowsThread) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    LRESULT sentResult = -1;
    g_behaviour.quitOnMessage = WM_USER + 103;
    std::thread sender([&] {
        sentResult = SendMessageW(hwnd, WM_USER + 103, 9, 0);
    });
    EXPECT_EQ(RunMessageLoop(), 9);
    sender.join();
    EXPECT_EQ(sentResult, 0);
    ASSERT_EQ(ReceivedOf(WM_USER + 103).size(), 1u);
    EXPECT_EQ(ReceivedOf(WM_USER + 103)[0].thread, std::this_thread::get_id());
}

TEST_F(MessageTest, TheQuitMessageEndsTheLoopWithItsCode) {
    PostQuitMessage(5);
    MSG msg;
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(MessageTest, ScheduledHostActionsRunInsideTheLoopWhenDue) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    g_behaviour.killTimerOnTick = true;
    ASSERT_TRUE(SetTimer(hwnd, 1, 500, nullptr));
    bool ran = false;
    host::ScheduleAt(GetTickCount() + 2000.0, [&] {
        ran = true;
        PostQuitMessage(9);
    });
    EXPECT_EQ(RunMessageLoop(), 9);
    EXPECT_TRUE(ran);
    EXPECT_EQ(ReceivedOf(WM_TIMER).size(), 1u);
}

TEST_F(MessageTest, KeyDownOfACharacterKeyIsFollowedByItsCharacter) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    g_received.clear();
    g_behaviour.quitOnMessage = WM_USER + 1;
    PostMessageW(hwnd, WM_KEYDOWN, 'B', 1);
    PostMessageW(hwnd, WM_KEYDOWN, VK_F1, 1);
    PostMessageW(hwnd, WM_USER + 1, 0, 0);
    RunMessageLoop();
    ASSERT_EQ(g_received.size(), 4u);
    EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(g_received[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(g_received[1].wParam, static_cast<WPARAM>(L'b'));
    EXPECT_EQ(g_received[2].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(g_received[2].wParam, static_cast<WPARAM>(VK_F1));
    EXPECT_EQ(ReceivedOf(WM_CHAR).size(), 1u);
}

TEST_F(MessageTest, PostingToAMissingWindowFails) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}
