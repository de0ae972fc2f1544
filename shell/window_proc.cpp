// WndProc: the timers, the commands and the workers' result messages.
#include "about_dialog.h"
#include "app_state.h"
#include "launcher.h"
#include "resource.h"
#include "shell_constants.h"
#include "status_screen.h"

namespace {

void OnTimer(HWND window, UINT_PTR timer) {
    switch (timer) {
        case IDT_INITIALIZE:
            KillTimer(window, IDT_INITIALIZE);
            Initialize(window);
            break;
        case IDT_QUIT:
            KillTimer(window, IDT_QUIT);
            PostMessageW(window, WM_DESTROY, 0, 0);
            break;
        case IDT_RESET:
            KillTimer(window, IDT_RESET);
            ResetDevice();
            break;
    }
}

void OnExtractionResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    if (succeeded) {
        NKDbgPrintfW(L"=== Extraction Complete ===\r\n\r\n");
        StartInstallation(window);
    } else {
        NKDbgPrintfW(L"=== !!! Extraction Failed ===\r\n\r\n");
        DrawErrorText(reinterpret_cast<LPCWSTR>(codeText), L"Preparation failed");
    }
}

void OnUpgradeResult(HWND window, WPARAM succeeded, LPARAM codeText) {
    if (succeeded) {
        NKDbgPrintfW(L"=== Upgrade Complete ===\r\n\r\n");
        DrawStatusText(L"Upgrade complete. Rebooting...");
        SetTimer(window, IDT_RESET, kResetDelayMs, NULL);
    } else {
        NKDbgPrintfW(L"=== !!! Upgrade Failed ===\r\n\r\n");
        DrawErrorText(reinterpret_cast<LPCWSTR>(codeText), L"Upgrade failed");
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
            OnExtractionResult(window, wParam, lParam);
            return 0;
        case WM_UPGRADE_RESULT:
            OnUpgradeResult(window, wParam, lParam);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
