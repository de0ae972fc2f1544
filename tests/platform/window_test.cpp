// Window classes, creation, painting, destruction and geometry.
#include <gtest/gtest.h>

#include "window_test_support.h"

using namespace window_test;

using WindowTest = WindowManagerTest;

TEST_F(WindowTest, CreationSendsWmCreateAndTheFirstUpdatePaintsTheWholeScreen) {
    HWND hwnd = CreateMainWindow();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(g_received[0].hwnd, hwnd);

    RECT bounds;
    ASSERT_TRUE(GetWindowRect(hwnd, &bounds));
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, 480);
    EXPECT_EQ(bounds.bottom, 272);

    EXPECT_TRUE(UpdateWindow(hwnd));
    auto paints = ReceivedOf(WM_PAINT);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].paintRect.right, 480);
    EXPECT_EQ(paints[0].paintRect.bottom, 272);
    EXPECT_EQ(ReceivedOf(WM_ERASEBKGND).size(), 1u);

    // Painted once, the window is valid: another update sends nothing.
    EXPECT_TRUE(UpdateWindow(hwnd));
    EXPECT_EQ(ReceivedOf(WM_PAINT).size(), 1u);
}

TEST_F(WindowTest, ClassesAreUniqueByNameWhateverTheCase) {
    WNDCLASSW duplicate{};
    duplicate.lpfnWndProc = RecordingProc;
    duplicate.lpszClassName = L"RECORDER";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(RegisterClassW(&duplicate), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateWindowExW(0, L"NoSuchClass", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(WindowTest, MinusOneFromWmCreateFailsCreation) {
    g_behaviour.failCreate = true;
    EXPECT_EQ(CreateMainWindow(), nullptr);
    ASSERT_EQ(ReceivedOf(WM_DESTROY).size(), 1u);
    EXPECT_FALSE(IsWindow(ReceivedOf(WM_DESTROY)[0].hwnd));
}

TEST_F(WindowTest, ADestroyedWindowHearsWmDestroyAndItsHandleGoesStale) {
    HWND hwnd = CreateMainWindow();
    ASSERT_TRUE(SetTimer(hwnd, 5, 10, nullptr));
    ASSERT_TRUE(PostMessageW(hwnd, WM_USER, 0, 0));
    // Default processing of WM_CLOSE destroys the window.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReceivedOf(WM_DESTROY).size(), 1u);
    EXPECT_FALSE(IsWindow(hwnd));

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    RECT bounds;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetWindowRect(hwnd, &bounds));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

    // Neither the message posted before nor the timer outlives the window.
    PostQuitMessage(0);
    g_received.clear();
    RunMessageLoop();
    EXPECT_TRUE(g_received.empty());
}

TEST_F(WindowTest, GeometryOfChildrenFollowsTheirParent) {
    HWND parent = CreateWindowExW(0, L"Recorder", L"", WS_VISIBLE, 100, 50, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND child = CreateWindowExW(0, L"Recorder", L"", WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, parent,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(GetParent(parent), nullptr);

    RECT bounds;
    ASSERT_TRUE(GetWindowRect(child, &bounds));
    EXPECT_EQ(bounds.left, 110);
    EXPECT_EQ(bounds.top, 70);

    ASSERT_TRUE(SetWindowPos(parent, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    ASSERT_TRUE(GetWindowRect(child, &bounds));
    EXPECT_EQ(bounds.left, 10);
    EXPECT_EQ(bounds.top, 20);
    EXPECT_EQ(bounds.right, 40);
    ASSERT_TRUE(GetClientRect(parent, &bounds));
    EXPECT_EQ(bounds.right, 200);
    EXPECT_EQ(bounds.bottom, 100);

    ASSERT_TRUE(SetWindowPos(parent, nullptr, 5, 5, 60, 70, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(GetClientRect(parent, &bounds));
    EXPECT_EQ(bounds.right, 60);
    EXPECT_EQ(bounds.bottom, 70);
}

TEST_F(WindowTest, AnInvalidatedAreaComesBackAsOnePaintOfItsBounds) {
    HWND hwnd = CreateMainWindow();
    UpdateWindow(hwnd);
    g_received.clear();
    RECT first{10, 10, 20, 20};
    RECT second{30, 5, 40, 15};
    ASSERT_TRUE(InvalidateRect(hwnd, &first, TRUE));
    ASSERT_TRUE(InvalidateRect(hwnd, &second, TRUE));
    g_behaviour.quitAfterPaint = true;
    RunMessageLoop();
    auto paints = ReceivedOf(WM_PAINT);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].paintRect.left, 10);
    EXPECT_EQ(paints[0].paintRect.top, 5);
    EXPECT_EQ(paints[0].paintRect.right, 40);
    EXPECT_EQ(paints[0].paintRect.bottom, 20);
}

TEST_F(WindowTest, PointerStaysOnTheScreenAndShowCountsUpAndDown) {
    ASSERT_TRUE(SetCursorPos(480, 272));
    POINT where;
    ASSERT_TRUE(GetCursorPos(&where));
    EXPECT_EQ(where.x, 479);
    EXPECT_EQ(where.y, 271);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
}
