// The exit statuses of build/ruvexa and of each boot it runs, beside 0 (or
// WinMain's own result) when the program quits. A supervisor, or --boots,
// tells by them how a boot ended: 3, 4 and 9 restart the device, the rest
// end the run.
#pragma once

namespace host {

constexpr int kExitBadOptions = 2;
constexpr int kExitResetDriver = 3;       // reset through the board's driver "AIP1:"
constexpr int kExitPowerStateReset = 4;   // the forced power-state reset
constexpr int kExitSwitchedOff = 5;       // --power-off-after ran out
constexpr int kExitHalted = 6;            // headless, and nothing more can happen
constexpr int kExitPowerCut = 9;          // --power-cut-after
// A signal ends the run with 128 and its number (130 for SIGINT, 143 for SIGTERM).
constexpr int kExitSignalBase = 128;

}  // namespace host
