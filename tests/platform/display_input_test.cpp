// Keys from the display window: the key state GetKeyState reports and the
// key messages posted to the input window.
#include <windows.h>

#include <SDL2/SDL_keycode.h>
#include <gtest/gtest.h>

#include "display_window.h"
#include "ruvexa_host.h"

namespace {

class DisplayInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::SetHeadless(true);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = L"InputTestWindow";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
        window_ = CreateWindowExW(0, L"InputTestWindow", L"", WS_POPUP, 0, 0, 480, 272, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        host::SetInputWindow(window_);
    }
    void TearDown() override { host::ResetWindowManager(); }

    MSG Next() {
        MSG msg{};
        EXPECT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
        return msg;
    }

    HWND window_ = nullptr;
};

TEST_F(DisplayInputTest, ControlAndLetterBecomeVirtualKeyMessages) {
    host::HandleDisplayKey(SDLK_LCTRL, true, false);
    host::HandleDisplayKey(SDLK_a, true, false);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    EXPECT_LT(GetKeyState(VK_LCONTROL), 0);
    EXPECT_GE(GetKeyState(VK_RCONTROL), 0);
    EXPECT_LT(GetKeyState('A'), 0);
    host::HandleDisplayKey(SDLK_a, false, false);
    host::HandleDisplayKey(SDLK_LCTRL, false, false);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    EXPECT_GE(GetKeyState('A'), 0);

    const struct {
        UINT message;
        WPARAM key;
        bool released;
    } expected[] = {{WM_KEYDOWN, VK_CONTROL, false},
                    {WM_KEYDOWN, 'A', false},
                    {WM_KEYUP, 'A', true},
                    {WM_KEYUP, VK_CONTROL, true}};
    for (const auto& e : expected) {
        MSG msg = Next();
        EXPECT_EQ(msg.hwnd, window_);
        EXPECT_EQ(msg.message, e.message);
        EXPECT_EQ(msg.wParam, e.key);
        EXPECT_EQ((msg.lParam >> 31) & 1, e.released ? 1 : 0);
    }
}

TEST_F(DisplayInputTest, RepeatsAndTogglesAreReported) {
    SHORT before = GetKeyState(VK_RETURN);
    host::HandleDisplayKey(SDLK_RETURN, true, false);
    host::HandleDisplayKey(SDLK_RETURN, true, true);
    host::HandleDisplayKey(SDLK_RETURN, false, false);
    // One press flips the toggle bit, however long the key is held.
    EXPECT_EQ(GetKeyState(VK_RETURN) & 1, (before & 1) ^ 1);

    MSG first = Next();
    MSG repeat = Next();
    EXPECT_EQ(first.wParam, static_cast<WPARAM>(VK_RETURN));
    EXPECT_EQ((first.lParam >> 30) & 1, 0);
    EXPECT_EQ(repeat.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ((repeat.lParam >> 30) & 1, 1);
    EXPECT_EQ(Next().message, static_cast<UINT>(WM_KEYUP));

    // Keys without a virtual key are dropped; out-of-range queries are up.
    host::HandleDisplayKey(SDLK_CAPSLOCK + 1000, true, false);
    ASSERT_TRUE(PostMessageW(window_, WM_USER, 0, 0));
    EXPECT_EQ(Next().message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(GetKeyState(-1), 0);
    EXPECT_EQ(GetKeyState(256), 0);
}

}  // namespace
