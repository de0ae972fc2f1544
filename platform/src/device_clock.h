// The device clock shared by Sleep, GetTickCount and the timers.
#pragma once

#include <chrono>

namespace host {

// Device milliseconds since the process started (fractional).
double DeviceMilliseconds();

// The real time that `deviceMs` device milliseconds take at the time scale.
std::chrono::nanoseconds RealDurationOf(double deviceMs);

}  // namespace host
