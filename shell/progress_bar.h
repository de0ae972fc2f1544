// The progress bar below the status line: shown when a stage's worker
// starts, grown on a timer from the running stage's progress, and removed,
// background restored, when the stage ends. UI thread only.
#pragma once

#include <windows.h>

// Resets the running stage's progress, draws the empty bar and starts its
// timer; called before the worker starts.
void ShowProgressBar(HWND window);
// On the timer: the fill follows the stage's progress, never backwards.
void UpdateProgressBar();
// Stops the timer and restores the background; FALSE when no bar was shown.
BOOL RemoveProgressBar(HWND window);
