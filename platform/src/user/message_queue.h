// Internal interface of the UI thread's message queue and its timers.
#pragma once

#include <windows.h>

#include "message_loop_hooks.h"

namespace host {

// ---- queue (message.cpp) ------------------------------------------------------
// Wakes a GetMessageW that is waiting, so that it looks again at timers and
// pending paints.
void WakeMessageQueue();
// Puts a message at the head of the queue (WM_CHAR after its key, as the
// device does).
void PostToFront(const MSG& msg);
// Drops what was posted to a window that is being destroyed.
void DiscardPostedMessages(HWND hwnd);
void ClearMessageQueue();

// ---- timers (timer.cpp) --------------------------------------------------------
// When a timer is due at `nowMs` (device time), fills `msg` with its WM_TIMER,
// re-arms it for its next period and returns true. The earliest due timer
// goes first; timers due at the same moment go in the order they were set.
bool TakeDueTimer(double nowMs, MSG* msg);
// The device time the next timer is due at; false when no timer runs.
bool NextTimerDue(double* dueMs);
void KillTimersOf(HWND hwnd);
void ClearTimers();

}  // namespace host
