// Modal dialogs from templates and message boxes, headless: drawn, reported
// on standard error, answered with OK, and the area they covered repainted
// by the owner alone.
#include <gtest/gtest.h>

#include <string>

#include "ruvexa_resources.h"
#include "window_test_support.h"

using namespace window_test;

namespace {

const host::DialogControlResource kAboutControls[] = {
    {L"STATIC", nullptr, 101, 11, 17, 20, 20, 0x50000003, -1},
    {L"STATIC", L"Ruvexa Version 1.0", 0, 38, 10, 70, 8, 0x50020080, -1},
    {L"STATIC", L"Boot launcher", 0, 38, 25, 70, 8, 0x50020000, -1},
};
const host::DialogResource kDialogs[] = {
    {103, L"About Ruvexa", 0, 0, 125, 55, 0x80C800C0, 0x80000000, L"MS Shell Dlg", 8, kAboutControls, 3},
};
const host::ResourceTable kResources{nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, kDialogs, 1, nullptr, 0};

struct DialogEvent {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    RECT bounds;
};
std::vector<DialogEvent> g_dialogEvents;
bool g_endOnOk = true;
INT_PTR g_endDuringInit = 0;

void CentreOnOwner(HWND dialog) {
    RECT dialogRect, ownerRect;
    GetWindowRect(dialog, &dialogRect);
    GetClientRect(GetParent(dialog), &ownerRect);
    LONG x = (ownerRect.right - (dialogRect.right - dialogRect.left)) / 2;
    LONG y = (ownerRect.bottom - (dialogRect.bottom - dialogRect.top)) / 2;
    SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    RECT bounds{};
    GetWindowRect(dialog, &bounds);
    g_dialogEvents.push_back({message, wParam, lParam, bounds});
    switch (message) {
        case WM_INITDIALOG:
            if (g_endDuringInit) EndDialog(dialog, g_endDuringInit);
            CentreOnOwner(dialog);
            GetWindowRect(dialog, &g_dialogEvents.back().bounds);
            return TRUE;
        case WM_COMMAND:
            if (g_endOnOk && LOWORD(wParam) == IDOK) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

class DialogTest : public WindowManagerTest {
protected:
    void SetUp() override {
        WindowManagerTest::SetUp();
        host::SetResourceTable(&kResources);
        g_dialogEvents.clear();
        g_endOnOk = true;
        g_endDuringInit = 0;
    }
    void TearDown() override {
        host::SetResourceTable(nullptr);
        WindowManagerTest::TearDown();
    }
    HWND CreatePaintedOwner(COLORREF background) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hbrBackground = CreateSolidBrush(background);
        windowClass.lpszClassName = L"Owner";
        RegisterClassW(&windowClass);
        HWND owner = CreateWindowExW(0, L"Owner", L"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        UpdateWindow(owner);
        g_received.clear();
        return owner;
    }
    static COLORREF ScreenPixel(int x, int y) {
        HDC screen = GetDC(nullptr);
        COLORREF color = GetPixel(screen, x, y);
        ReleaseDC(nullptr, screen);
        return color;
    }
};

}  // namespace

TEST_F(DialogTest, HeadlessDialogIsInitialisedReportedAndAnsweredWithOk) {
    HWND owner = CreatePaintedOwner(RGB(0, 128, 0));
    testing::internal::CaptureStderr();
    INT_PTR result = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(103), owner, RecordingDialogProc, 1234);
    std::string reported = testing::internal::GetCapturedStderr();

    EXPECT_EQ(result, IDOK);
    ASSERT_FALSE(g_dialogEvents.empty());
    EXPECT_EQ(g_dialogEvents[0].message, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(g_dialogEvents[0].lParam, 1234);
    HWND firstControl = reinterpret_cast<HWND>(g_dialogEvents[0].wParam);
    ASSERT_NE(firstControl, nullptr);
    // 125 x 55 dialog units are 187 x 89 pixels, below a 20-pixel caption,
    // centred on the 480 x 272 owner.
    RECT centred = g_dialogEvents[0].bounds;
    EXPECT_EQ(centred.left, 146);
    EXPECT_EQ(centred.top, 81);
    EXPECT_EQ(centred.right - centred.left, 187);
    EXPECT_EQ(centred.bottom - centred.top, 109);
    // OK answers the dialog, then it is destroyed.
    ASSERT_EQ(g_dialogEvents.size(), 3u);
    EXPECT_EQ(g_dialogEvents[1].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(g_dialogEvents[1].wParam), IDOK);
    EXPECT_EQ(g_dialogEvents[2].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(reported, "dialog: About Ruvexa: Ruvexa Version 1.0 | Boot launcher\n");
    EXPECT_FALSE(IsWindow(firstControl));
}

TEST_F(DialogTest, OnlyTheAreaTheDialogCoveredIsRepaintedByItsOwner) {
    HWND owner = CreatePaintedOwner(RGB(0, 128, 0));
    // Something drawn on the owner outside the dialog's area stays.
    HDC dc = GetDC(owner);
    RECT mark{0, 0, 10, 10};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &mark, red);
    DeleteObject(red);
    ReleaseDC(owner, dc);

    testing::internal::CaptureStderr();
    DialogBoxParamW(nullptr, MAKEINTRESOURCEW(103), owner, RecordingDialogProc, 0);
    testing::internal::GetCapturedStderr();
    // Closed, the dialog is still on the screen until the owner repaints.
    EXPECT_NE(ScreenPixel(240, 136), RGB(0, 128, 0));
    EXPECT_TRUE(ReceivedOf(WM_PAINT).empty());

    g_behaviour.quitAfterPaint = true;
    RunMessageLoop();
    auto paints = ReceivedOf(WM_PAINT);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].paintRect.left, 146);
    EXPECT_EQ(paints[0].paintRect.top, 81);
    EXPECT_EQ(paints[0].paintRect.right, 146 + 187);
    EXPECT_EQ(paints[0].paintRect.bottom, 81 + 109);
    EXPECT_EQ(ScreenPixel(240, 136), RGB(0, 128, 0));
    EXPECT_EQ(ScreenPixel(5, 5), RGB(255, 0, 0));
}

TEST_F(DialogTest, HeadlessDialogThatIgnoresOkStillCloses) {
    HWND owner = CreatePaintedOwner(RGB(0, 0, 0));
    g_endOnOk = false;
    testing::internal::CaptureStderr();
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(103), owner, RecordingDialogProc, 0), IDOK);
    testing::internal::GetCapturedStderr();
}

TEST_F(DialogTest, DialogEndedDuringInitialisationIsNeverShown) {
    HWND owner = CreatePaintedOwner(RGB(0, 0, 0));
    g_endDuringInit = 16;
    testing::internal::CaptureStderr();
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(103), owner, RecordingDialogProc, 0), 16);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(g_dialogEvents.size(), 2u);
    EXPECT_EQ(g_dialogEvents[1].message, static_cast<UINT>(WM_DESTROY));
}

TEST_F(DialogTest, MissingTemplateOrOwnerFails) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(104), nullptr, RecordingDialogProc, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(103), reinterpret_cast<HWND>(0x4321),
                              RecordingDialogProc, 0),
              -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_TRUE(g_dialogEvents.empty());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(EndDialog(reinterpret_cast<HWND>(0x4321), IDOK));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(DialogTest, HeadlessMessageBoxAnswersWithItsDefaultButton) {
    const struct {
        UINT type;
        int button;
    } rows[] = {
        {MB_OKCANCEL, IDOK},           {MB_YESNO, IDYES},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL}, {MB_RETRYCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_ABORTRETRYIGNORE, IDABORT}, {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
    };
    testing::internal::CaptureStderr();
    for (const auto& row : rows) EXPECT_EQ(MessageBoxW(nullptr, L"Go on?", L"Q", row.type), row.button) << row.type;
    testing::internal::GetCapturedStderr();
}

TEST_F(DialogTest, HeadlessMessageBoxIsReportedAndAnsweredWithOk) {
    HWND owner = CreatePaintedOwner(RGB(0, 0, 255));
    testing::internal::CaptureStderr();
    int result = MessageBoxW(nullptr, L"Initialization Failed", L"ERROR", MB_OK | MB_ICONERROR | MB_TOPMOST);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "message box: ERROR: Initialization Failed\n");
    EXPECT_EQ(result, IDOK);
    // The box was drawn in the middle of the screen; the owner takes it back.
    EXPECT_NE(ScreenPixel(240, 136), RGB(0, 0, 255));
    g_behaviour.quitAfterPaint = true;
    RunMessageLoop();
    ASSERT_EQ(ReceivedOf(WM_PAINT).size(), 1u);
    EXPECT_EQ(ReceivedOf(WM_PAINT)[0].hwnd, owner);
    EXPECT_EQ(ScreenPixel(240, 136), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(0, 0), RGB(0, 0, 255));
}
