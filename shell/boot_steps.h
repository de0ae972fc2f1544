// The steps of the boot, each a function of the UI thread that does its
// part and tells how it ended. Only the boot's table (boot_flow.cpp) calls
// them, and none calls another: the table alone decides what follows.
#pragma once

#include <windows.h>

#include "step_outcome.h"

// Start-up: the pointer hidden, the start screen drawn.
StepOutcome ShowStartUp(HWND window);
// The search for a requested package (may block for many seconds while it
// waits for media). kNoRequest ends the attempt at once.
StepOutcome SearchForUpgrade(HWND window);
// A requested package rolled back earlier, or below a keyed device's
// security floor: its code on screen for a moment (kRefused, then the
// refusal's timer), else kDone.
StepOutcome CheckRefusal(HWND window);
// The refusal's moment is over: the request removed, kDone.
StepOutcome EndRefusal(HWND window);
// The upgrade's stages and the rollback: each shows itself and starts its
// worker (kWaiting), or ends on screen when the worker cannot start
// (kFailed). Their results: kDone or kFailed, the outcome on screen.
StepOutcome StartExtraction(HWND window);
StepOutcome OnExtractionResult(HWND window, WPARAM succeeded, LPARAM failure);
StepOutcome StartInstallation(HWND window);
StepOutcome OnUpgradeResult(HWND window, WPARAM succeeded, LPARAM failure);
StepOutcome StartRollback(HWND window);
StepOutcome OnRollbackResult(HWND window, WPARAM succeeded, LPARAM failure);
// A boot without an upgrade: the trial's start counted (kTrialUsedUp once
// its starts are used up), then the main application or the shell started
// and the quit timer set (kDone), or the failure shown (kFailed).
StepOutcome LaunchMainApplication(HWND window);
// The reset timer set (kWaiting): a moment later the device restarts.
StepOutcome ScheduleReset(HWND window);
