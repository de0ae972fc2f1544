// GetTickCount, Sleep: one device clock, running TimeScale() times faster
// than the host's monotonic clock, so that waits of device seconds take
// milliseconds in tests while their order and device-time lengths hold.
#include "device_clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "message_loop_hooks.h"
#include "ruvexa_host.h"

namespace host {
namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point g_start = Clock::now();
std::atomic<double> g_scale{1.0};
std::atomic<SleepHook> g_sleepHook{nullptr};

}  // namespace

void InstallSleepHook(SleepHook hook) { g_sleepHook = hook; }

void RestartDeviceClock() { g_start = Clock::now(); }

void SetTimeScale(double scale) { g_scale = scale > 0 ? scale : 1.0; }

double TimeScale() { return g_scale; }

double DeviceMilliseconds() {
    std::chrono::duration<double, std::milli> real = Clock::now() - g_start;
    return real.count() * g_scale;
}

std::chrono::nanoseconds RealDurationOf(double deviceMs) {
    return std::chrono::nanoseconds(static_cast<int64_t>(deviceMs * 1e6 / g_scale));
}

}  // namespace host

extern "C" DWORD WINAPI GetTickCount(void) {
    // Wraps at 2^32 ms, as the device's counter does.
    return static_cast<DWORD>(static_cast<uint64_t>(host::DeviceMilliseconds()));
}

extern "C" void WINAPI Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    auto left = host::RealDurationOf(dwMilliseconds);
    auto sleepTakingInput = host::g_sleepHook.load();
    if (sleepTakingInput && sleepTakingInput(left)) return;
    std::this_thread::sleep_for(left);
}
