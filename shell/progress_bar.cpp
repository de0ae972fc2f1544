// ShowProgressBar, UpdateProgressBar, RemoveProgressBar: the bar drawn with
// the window's own GDI calls over its background.
#include "progress_bar.h"

#include "app_state.h"
#include "screen_layout.h"
#include "shell_constants.h"
#include "stage_progress.h"
#include "status_screen.h"

namespace {

constexpr LONG kBarWidth = kProgressBarBand.right - kProgressBarBand.left;
constexpr LONG kBarHeight = kProgressBarBand.bottom - kProgressBarBand.top;
constexpr LONG kFillWidth = kBarWidth - 2 * kProgressFillInset;

bool g_shown = false;
LONG g_filled = 0;  // the fill's width as drawn

void FillArea(HDC dc, RECT area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// Composes the whole bar off-screen and copies it in one step, so that each
// growth is one change of the screen.
void DrawBar(LONG filled) {
    HDC windowDc = GetDC(g_hWnd);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bar = CreateCompatibleBitmap(windowDc, kBarWidth, kBarHeight);
    HGDIOBJ previousBitmap = SelectObject(memoryDc, bar);

    const COLORREF ink = InkColour();
    FillArea(memoryDc, {0, 0, kBarWidth, kBarHeight}, ink);
    FillArea(memoryDc, {1, 1, kBarWidth - 1, kBarHeight - 1}, g_bkColor);
    if (filled > 0) {
        FillArea(memoryDc, {kProgressFillInset, kProgressFillInset, kProgressFillInset + filled,
                            kBarHeight - kProgressFillInset},
                 ink);
    }
    BitBlt(windowDc, kProgressBarBand.left, kProgressBarBand.top, kBarWidth, kBarHeight, memoryDc, 0, 0, SRCCOPY);

    SelectObject(memoryDc, previousBitmap);
    DeleteObject(bar);
    DeleteDC(memoryDc);
    ReleaseDC(g_hWnd, windowDc);
}

// The fill's width for `done` of `total`, computed in 64 bits: a package's
// byte counts times the width overflow 32.
LONG FillFor(DWORD done, DWORD total) {
    if (total == 0) return 0;
    if (done >= total) return kFillWidth;
    return static_cast<LONG>(static_cast<ULONGLONG>(done) * kFillWidth / total);
}

}  // namespace

void ShowProgressBar(HWND window) {
    RunningStageProgress().Reset();
    g_shown = true;
    g_filled = 0;
    DrawBar(0);
    SetTimer(window, IDT_PROGRESS, kProgressIntervalMs, NULL);
}

void UpdateProgressBar() {
    if (!g_shown) return;
    StageProgress& progress = RunningStageProgress();
    // The total first: a worker sets it before it advances.
    const DWORD total = progress.Total();
    const LONG filled = FillFor(progress.Done(), total);
    if (filled <= g_filled) return;
    g_filled = filled;
    DrawBar(filled);
}

BOOL RemoveProgressBar(HWND window) {
    if (!g_shown) return FALSE;
    KillTimer(window, IDT_PROGRESS);
    g_shown = false;
    HDC dc = GetDC(g_hWnd);
    FillArea(dc, kProgressBarBand, g_bkColor);
    ReleaseDC(g_hWnd, dc);
    return TRUE;
}
