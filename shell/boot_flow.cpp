// The boot's transitions in one table: each step of the boot and how it
// ended give the next step. The steps themselves never call each other.
#include "boot_flow.h"

#include "boot_steps.h"
#include "result_messages.h"

namespace {

enum class BootStep {
    kStartUp,
    kSearch,
    kRefusalCheck,
    kRefusal,  // a refused package's code on screen until its timer
    kExtraction,
    kInstallation,
    kLaunch,
    kRollback,
    kReset,
    kEnd  // the boot stays where it is: launched, or halted on a failure
};

struct Transition {
    BootStep step;
    StepOutcome outcome;
    BootStep next;
};

constexpr Transition kTransitions[] = {
    {BootStep::kStartUp, StepOutcome::kDone, BootStep::kSearch},
    {BootStep::kSearch, StepOutcome::kDone, BootStep::kRefusalCheck},
    {BootStep::kSearch, StepOutcome::kNoRequest, BootStep::kLaunch},
    {BootStep::kRefusalCheck, StepOutcome::kDone, BootStep::kExtraction},
    {BootStep::kRefusalCheck, StepOutcome::kRefused, BootStep::kRefusal},
    {BootStep::kRefusal, StepOutcome::kDone, BootStep::kLaunch},
    {BootStep::kExtraction, StepOutcome::kDone, BootStep::kInstallation},
    {BootStep::kExtraction, StepOutcome::kFailed, BootStep::kEnd},
    {BootStep::kInstallation, StepOutcome::kDone, BootStep::kReset},
    {BootStep::kInstallation, StepOutcome::kFailed, BootStep::kEnd},
    {BootStep::kLaunch, StepOutcome::kTrialUsedUp, BootStep::kRollback},
    {BootStep::kLaunch, StepOutcome::kDone, BootStep::kEnd},
    {BootStep::kLaunch, StepOutcome::kFailed, BootStep::kEnd},
    {BootStep::kRollback, StepOutcome::kDone, BootStep::kReset},
    {BootStep::kRollback, StepOutcome::kFailed, BootStep::kEnd},
};

BootStep NextStep(BootStep step, StepOutcome outcome) {
    for (const Transition& transition : kTransitions) {
        if (transition.step == step && transition.outcome == outcome) return transition.next;
    }
    return BootStep::kEnd;
}

StepOutcome Begin(BootStep step, HWND window) {
    switch (step) {
        case BootStep::kStartUp:
            return ShowStartUp(window);
        case BootStep::kSearch:
            return SearchForUpgrade(window);
        case BootStep::kRefusalCheck:
            return CheckRefusal(window);
        case BootStep::kExtraction:
            return StartExtraction(window);
        case BootStep::kInstallation:
            return StartInstallation(window);
        case BootStep::kLaunch:
            return LaunchMainApplication(window);
        case BootStep::kRollback:
            return StartRollback(window);
        case BootStep::kReset:
            return ScheduleReset(window);
        case BootStep::kRefusal:
        case BootStep::kEnd:
            break;
    }
    return StepOutcome::kWaiting;
}

// Runs steps from `step` until one waits.
void RunFrom(BootStep step, HWND window) {
    StepOutcome outcome = Begin(step, window);
    while (outcome != StepOutcome::kWaiting) {
        step = NextStep(step, outcome);
        outcome = Begin(step, window);
    }
}

// A waiting step has ended with `outcome`.
void Continue(BootStep step, StepOutcome outcome, HWND window) {
    if (outcome != StepOutcome::kWaiting) RunFrom(NextStep(step, outcome), window);
}

}  // namespace

void BeginBoot(HWND window) { RunFrom(BootStep::kStartUp, window); }

void OnRefusalShown(HWND window) { Continue(BootStep::kRefusal, EndRefusal(window), window); }

void OnStageResult(HWND window, UINT message, WPARAM succeeded, LPARAM failure) {
    switch (message) {
        case WM_EXTRACTION_RESULT:
            Continue(BootStep::kExtraction, OnExtractionResult(window, succeeded, failure), window);
            break;
        case WM_UPGRADE_RESULT:
            Continue(BootStep::kInstallation, OnUpgradeResult(window, succeeded, failure), window);
            break;
        case WM_ROLLBACK_RESULT:
            Continue(BootStep::kRollback, OnRollbackResult(window, succeeded, failure), window);
            break;
    }
}
