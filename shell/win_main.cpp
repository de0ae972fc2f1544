// WinMain and InitInstance: the one full-screen window and its message loop.
#include "app_state.h"
#include "launcher.h"
#include "resource.h"
#include "shell_constants.h"

BOOL InitInstance(HINSTANCE instance, int showCommand) {
    g_hInstance = instance;

    WCHAR title[kResourceStringLength];
    WCHAR className[kResourceStringLength];
    LoadStringW(instance, IDS_APP_TITLE, title, kResourceStringLength);
    LoadStringW(instance, IDS_WNDCLASS, className, kResourceStringLength);

    WNDCLASSW windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_RUVEXA));
    windowClass.hbrBackground = CreatePatternBrush(LoadBitmapW(instance, MAKEINTRESOURCEW(IDB_BACKGROUND)));
    windowClass.lpszClassName = className;
    if (!RegisterClassW(&windowClass)) return FALSE;

    // WS_VISIBLE alone: no caption, no border, no menu; CW_USEDEFAULT gives
    // the whole screen.
    HWND window = CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    if (!window) return FALSE;

    ShowWindow(window, showCommand);
    UpdateWindow(window);

    // Sampled after the first paint and before any timer can fire, so every
    // text is drawn on the background's own colour.
    HDC dc = GetDC(window);
    g_bkColor = GetPixel(dc, 0, 0);
    ReleaseDC(window, dc);
    return TRUE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
    if (!InitInstance(instance, showCommand)) return 0;

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_RUVEXA));
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0)) {
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
