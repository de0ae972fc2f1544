// How a step of the boot ended; the boot's table (boot_flow.cpp) picks the
// next step from the step and this.
#pragma once

enum class StepOutcome {
    kDone,        // the step did its part: the boot goes on
    kFailed,      // the step failed; its failure is on screen
    kWaiting,     // a worker's result or a timer ends the step later
    kNoRequest,   // the search: no upgrade was requested or found
    kRefused,     // the refusal check: the package is not installed
    kTrialUsedUp  // the launch: the version on trial used up its starts
};
