// What passes between the core and the UI thread's message loop above it.
// The loop and its queue belong to the window manager (user/), in the UI
// library, which the core never links: the core's PostMessageW and the end
// of a worker thread reach the queue through hooks the window manager
// installs, Sleep on the window's thread takes the window's input through a
// hook the display installs, and the loop asks the core whether work may
// still come.
#pragma once

#include <windows.h>

#include <chrono>

namespace host {

// ---- the queue (installed by user/message.cpp) ----------------------------------
struct MessageQueueHooks {
    BOOL (*post)(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void (*wake)();  // a waiting GetMessageW looks again
};
void InstallMessageQueue(MessageQueueHooks hooks);
// Wakes a GetMessageW that waits; nothing when no window manager is linked.
void WakeMessageLoop();

// ---- Sleep on the window's thread (installed by the display window) -------------
// Sleeps `realDuration` while taking the window's input into the queue and
// returns true; false at once when the calling thread shows no window, and
// Sleep then sleeps plainly.
using SleepHook = bool (*)(std::chrono::nanoseconds realDuration);
void InstallSleepHook(SleepHook hook);

// ---- what may still bring work (thread.cpp, volume.cpp) ------------------------
// True while a routine started with CreateThread has not returned. A routine
// that returns wakes the queue, so that a waiting GetMessageW looks again.
bool WorkerThreadsRunning();
// The device time at which the next invisible volume appears; false when
// no volume is still to appear.
bool NextVolumeArrival(double* atMs);

}  // namespace host
