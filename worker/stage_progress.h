// StageProgress: how far the running stage's worker has come, for the
// progress bar and the stage's log line. The UI thread resets it before it
// starts the worker and reads it on a timer; the worker only adds to it.
// Every access is one interlocked operation: neither side ever waits.
#pragma once

#include <windows.h>

class StageProgress {
public:
    // UI thread, before the stage's worker starts.
    void Reset();
    // The worker, once it knows how much work the stage holds; `units` are
    // the stage's own (bytes copied, entries and steps).
    void SetTotal(DWORD units);
    void Advance(DWORD units);
    // One whole item done: a section written, an entry unpacked.
    void CountItem();

    DWORD Done();
    DWORD Total();
    DWORD Items();

private:
    // Kept as LONG for the interlocked operations; read back as DWORD, so
    // counts up to 4 GiB wrap nowhere.
    LONG volatile done_ = 0;
    LONG volatile total_ = 0;
    LONG volatile items_ = 0;
};

// The one stage that runs at a time in this process.
StageProgress& RunningStageProgress();
