// The device clock shared by Sleep, GetTickCount and the timers.
#pragma once

#include <chrono>

namespace host {

// A new boot starts its device clock at 0; called before any thread runs.
void RestartDeviceClock();

// Device milliseconds since the process started (fractional).
double DeviceMilliseconds();

// The real time that `deviceMs` device milliseconds take at the time scale.
std::chrono::nanoseconds RealDurationOf(double deviceMs);

}  // namespace host
