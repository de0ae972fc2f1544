// WndProc: the timers, the commands and the workers' result messages; and
// the process-wide state of the window it serves. The state is defined here
// rather than beside WinMain, so that a build without WinMain (the
// installation worker on its own) still links every other file.
#include "about_dialog.h"
#include "app_state.h"
#include "boot_flow.h"
#include "fonts.h"
#include "launcher.h"
#include "progress_bar.h"
#include "resource.h"
#include "shell_constants.h"

HINSTANCE g_hInstance = NULL;
HWND g_hWnd = NULL;
COLORREF g_bkColor = RGB(255, 255, 255);

namespace {

void OnTimer(HWND window, UINT_PTR timer) {
    switch (timer) {
        case IDT_INITIALIZE:
            KillTimer(window, IDT_INITIALIZE);
            BeginBoot(window);
            break;
        case IDT_QUIT:
            KillTimer(window, IDT_QUIT);
            PostMessageW(window, WM_DESTROY, 0, 0);
            break;
        case IDT_RESET:
            KillTimer(window, IDT_RESET);
            ResetDevice();
            break;
        case IDT_REFUSAL:
            KillTimer(window, IDT_REFUSAL);
            OnRefusalShown(window);
            break;
        case IDT_PROGRESS:
            UpdateProgressBar();
            break;
    }
}

}  // namespace

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_hWnd = window;
    switch (message) {
        case WM_CREATE:
            SetTimer(window, IDT_INITIALIZE, kInitializeDelayMs, NULL);
            CreateFonts();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_PAINT: {
            // The class brush erases the background; texts are not redrawn.
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_EXIT:
                    DestroyWindow(window);
                    return 0;
                case IDM_ABOUT:
                    DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_ABOUTBOX), window, AboutDialogProc, 0);
                    return 0;
            }
            break;
        case WM_TIMER:
            OnTimer(window, wParam);
            break;  // every timer, known or not, also gets default processing
        case WM_EXTRACTION_RESULT:
        case WM_UPGRADE_RESULT:
        case WM_ROLLBACK_RESULT:
            OnStageResult(window, message, wParam, lParam);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
