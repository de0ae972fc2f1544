// Keys from the display window: the key state GetKeyState reports and the
// key messages posted to the input window, and a key combination that
// becomes an accelerator's command.
#include <windows.h>

#include <SDL2/SDL_keycode.h>
#include <gtest/gtest.h>

#include "display_window.h"
#include "ruvexa_host.h"
#include "ruvexa_resources.h"
#include "window_test_support.h"

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

const ACCEL kAccelerators[] = {
    {FVIRTKEY | FNOINVERT | FCONTROL, 'A', 40002},
    {0x80 | FVIRTKEY | FNOINVERT | FCONTROL, 'Q', IDOK},
};
const host::AcceleratorResource kAcceleratorTables[] = {{2, kAccelerators, 2}};
const host::ResourceTable kResources{nullptr, 0, nullptr, 0, nullptr, 0, kAcceleratorTables, 1,
                                     nullptr, 0, nullptr, 0};

using MessageTest = window_test::WindowManagerTest;

TEST_F(MessageTest, CtrlAFromTheKeyboardBecomesTheAcceleratorCommand) {
    host::SetResourceTable(&kResources);
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    HACCEL accelerators = LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(2));
    ASSERT_NE(accelerators, nullptr);

    // Without Ctrl the key is no accelerator.
    MSG plain{hwnd, WM_KEYDOWN, 'A', 1, 0, {}};
    EXPECT_EQ(TranslateAcceleratorW(hwnd, accelerators, &plain), 0);
    EXPECT_TRUE(window_test::ReceivedOf(WM_COMMAND).empty());

    // The display's keyboard posts the keys to the window and holds Ctrl
    // down until the loop has run.
    host::HandleDisplayKey(SDLK_LCTRL, true, false);
    host::HandleDisplayKey(SDLK_a, true, false);
    PostQuitMessage(0);
    MSG msg;
    int translated = 0;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
            ++translated;
        } else {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    host::HandleDisplayKey(SDLK_a, false, false);
    host::HandleDisplayKey(SDLK_LCTRL, false, false);
    EXPECT_EQ(translated, 1);
    auto commands = window_test::ReceivedOf(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LOWORD(commands[0].wParam), 40002);
    EXPECT_EQ(HIWORD(commands[0].wParam), 1);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(3)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    host::SetResourceTable(nullptr);
}

}  // namespace
