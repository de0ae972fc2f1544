// StageProgress and the process's one instance.
#include "stage_progress.h"

namespace {

DWORD Read(LONG volatile* value) { return static_cast<DWORD>(InterlockedExchangeAdd(value, 0)); }

StageProgress g_runningStage;

}  // namespace

void StageProgress::Reset() {
    InterlockedExchange(&total_, 0);
    InterlockedExchange(&done_, 0);
    InterlockedExchange(&items_, 0);
}

void StageProgress::SetTotal(DWORD units) { InterlockedExchange(&total_, static_cast<LONG>(units)); }

void StageProgress::Advance(DWORD units) { InterlockedExchangeAdd(&done_, static_cast<LONG>(units)); }

void StageProgress::CountItem() { InterlockedExchangeAdd(&items_, 1); }

DWORD StageProgress::Done() { return Read(&done_); }
DWORD StageProgress::Total() { return Read(&total_); }
DWORD StageProgress::Items() { return Read(&items_); }

StageProgress& RunningStageProgress() { return g_runningStage; }
