// The launcher's window on a temporary device, fast device time, headless;
// a message loop like WinMain's that records what it fetched; and snapshots
// of screen areas.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app_state.h"
#include "launcher.h"
#include "resource.h"
#include "ink_bounds.h"
#include "ruvexa_host.h"
#include "screen_bands.h"
#include "shell_constants.h"
#include "test_support.h"

namespace shell_test {

struct Fetched {
    UINT message;
    WPARAM wParam;
    DWORD time;  // device tick count when it was fetched
};

// The pixels of one screen rectangle, row by row.
struct Snapshot {
    RECT area{};
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const {
        return pixels[static_cast<size_t>(y - area.top) * (area.right - area.left) + (x - area.left)];
    }
};

// Equal areas and pixels; otherwise names the first differing pixel.
inline ::testing::AssertionResult SamePixels(const Snapshot& actual, const Snapshot& expected) {
    if (actual.pixels.size() != expected.pixels.size()) {
        return ::testing::AssertionFailure() << "areas of " << actual.pixels.size() << " and "
                                             << expected.pixels.size() << " pixels";
    }
    int width = actual.area.right - actual.area.left;
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        if (actual.pixels[i] == expected.pixels[i]) continue;
        return ::testing::AssertionFailure()
               << "first difference at (" << actual.area.left + static_cast<int>(i) % width << ", "
               << actual.area.top + static_cast<int>(i) / width << "): 0x" << std::hex << actual.pixels[i]
               << " instead of 0x" << expected.pixels[i];
    }
    return ::testing::AssertionSuccess();
}

inline Snapshot Capture(const RECT& area) {
    Snapshot shot{area, {}};
    HDC screen = GetDC(NULL);
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) shot.pixels.push_back(GetPixel(screen, x, y));
    }
    ReleaseDC(NULL, screen);
    return shot;
}

// The smallest rectangle of pixels in `shot` that differ from `background`;
// right <= left when there are none.
inline RECT InkBounds(const Snapshot& shot, COLORREF background) {
    return testing_support::InkBounds(shot.area, [&](LONG x, LONG y) { return shot.At(x, y) != background; });
}

constexpr RECT kWholeScreen = {0, 0, 480, 272};
constexpr RECT kStatusArea = kStatusBand;
constexpr RECT kVersionArea = {0, 0, testing_support::kScreenWidth, kVersionBand3.bottom};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetWindowManager();
        host::SetHeadless(true);
        host::SetScreenPng("");
        host::SetFramesFolder("");
        host::SetTimeScale(timeScale_);
        host::SetResetDriverPresent(true);
        g_hWnd = NULL;
    }
    void TearDown() override {
        host::ResetWindowManager();
        host::SetTimeScale(1);
        g_bkColor = RGB(255, 255, 255);
    }

    // InitInstance as WinMain calls it; the window then exists and its
    // initialisation timer runs.
    void OpenWindow() {
        createdAt_ = GetTickCount();
        ASSERT_TRUE(InitInstance(Instance(), SW_SHOW));
        ASSERT_NE(g_hWnd, nullptr);
    }

    static HINSTANCE Instance() { return reinterpret_cast<HINSTANCE>(1); }

    // WinMain's loop: accelerators first, then translate and dispatch.
    // Returns the quit code, or nothing when `stopAfter` said to stop after
    // dispatching a message. A loop that waits for more than a long while
    // (ten seconds of real time) is ended with a failure instead of hanging.
    std::optional<int> RunLoop(std::function<bool(const MSG&)> stopAfter = nullptr) {
        HACCEL accelerators = LoadAcceleratorsW(Instance(), MAKEINTRESOURCEW(IDC_RUVEXA));
        host::ScheduleAt(GetTickCount() + kLoopGuardRealMs * host::TimeScale(),
                         [] { PostQuitMessage(kLoopGuardCode); });
        MSG message;
        while (GetMessageW(&message, NULL, 0, 0)) {
            fetched_.push_back({message.message, message.wParam, message.time});
            if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (stopAfter && stopAfter(message)) return std::nullopt;
        }
        EXPECT_NE(static_cast<int>(message.wParam), kLoopGuardCode) << "the message loop waited too long";
        return static_cast<int>(message.wParam);
    }

    // Posts one message to the window and runs the loop until it has been
    // dispatched.
    void Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
        ASSERT_TRUE(PostMessageW(g_hWnd, message, wParam, lParam));
        RunLoop([message](const MSG& fetched) { return fetched.message == message; });
    }

    std::vector<Fetched> TimersFetched() const {
        std::vector<Fetched> timers;
        for (const auto& fetched : fetched_) {
            if (fetched.message == WM_TIMER) timers.push_back(fetched);
        }
        return timers;
    }

    static constexpr double kLoopGuardRealMs = 10000;
    static constexpr int kLoopGuardCode = 0x5EED;

    // Cases that check how long a timer waits run slower, so that the host's
    // own work (a process launch, a PNG written) stays small in device time.
    double timeScale_ = 1000;
    testing_support::TempDevice device_;
    testing_support::LogCapture log_;
    std::vector<Fetched> fetched_;
    DWORD createdAt_ = 0;
};

}  // namespace shell_test
