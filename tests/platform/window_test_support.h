// A test window whose procedure records every message it receives, for the
// window manager's tests.
#pragma once

#include <windows.h>

#include <thread>
#include <vector>

#include "ruvexa_host.h"

namespace window_test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    RECT paintRect;  // WM_PAINT: what BeginPaint reported
    std::thread::id thread = std::this_thread::get_id();  // where the procedure ran
};

// What the recording procedure does besides recording.
struct Behaviour {
    bool failCreate = false;         // WM_CREATE returns -1
    bool killTimerOnTick = false;    // WM_TIMER kills its timer
    UINT_PTR quitAfterTimer = 0;     // WM_TIMER with this id posts the quit message
    bool quitAfterPaint = false;     // WM_PAINT posts the quit message
    UINT quitOnMessage = 0;          // this message posts the quit message with its wParam
};

inline std::vector<Received> g_received;
inline Behaviour g_behaviour;

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Received received{hwnd, message, wParam, lParam, {}};
    switch (message) {
        case WM_CREATE:
            g_received.push_back(received);
            return g_behaviour.failCreate ? -1 : 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(hwnd, &paint);
            received.paintRect = paint.rcPaint;
            EndPaint(hwnd, &paint);
            g_received.push_back(received);
            if (g_behaviour.quitAfterPaint) PostQuitMessage(0);
            return 0;
        }
        case WM_TIMER:
            g_received.push_back(received);
            if (g_behaviour.killTimerOnTick) KillTimer(hwnd, wParam);
            if (wParam == g_behaviour.quitAfterTimer) PostQuitMessage(static_cast<int>(wParam));
            return 0;
        default:
            g_received.push_back(received);
            if (message == g_behaviour.quitOnMessage && message != 0) PostQuitMessage(static_cast<int>(wParam));
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// Messages of one kind, in the order received.
inline std::vector<Received> ReceivedOf(UINT message) {
    std::vector<Received> found;
    for (auto& received : g_received) {
        if (received.message == message) found.push_back(received);
    }
    return found;
}

// Fetches and dispatches until the quit message; returns its code.
inline int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// A fresh window manager, fast device time and the recording class.
class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetWindowManager();
        host::SetTimeScale(1000);
        g_received.clear();
        g_behaviour = Behaviour{};
        WNDCLASSW windowClass{};
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = L"Recorder";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
    }
    void TearDown() override {
        host::ResetWindowManager();
        host::SetTimeScale(1);
    }
    HWND CreateMainWindow() {
        return CreateWindowExW(0, L"recorder", L"Test", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    }
};

}  // namespace window_test
