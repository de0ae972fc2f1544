// SetTimer, KillTimer: timers on the device clock, delivered as WM_TIMER by
// GetMessageW when due.
#include <algorithm>
#include <mutex>
#include <vector>

#include "device_clock.h"
#include "error.h"
#include "message_queue.h"
#include "window_registry.h"

namespace host {
namespace {

// The device never runs a timer faster than this.
constexpr UINT kMinimumPeriodMs = 10;

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT periodMs;
    TIMERPROC proc;
    double dueMs;
    unsigned long long order;  // ties between timers due at the same moment
};

std::mutex g_mutex;
std::vector<Timer> g_timers;
unsigned long long g_nextOrder = 0;
UINT_PTR g_nextThreadTimerId = 0x7F00;

std::vector<Timer>::iterator FindTimer(HWND hwnd, UINT_PTR id) {
    return std::find_if(g_timers.begin(), g_timers.end(),
                        [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
}

}  // namespace

bool TakeDueTimer(double nowMs, MSG* msg) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto earliest = std::min_element(g_timers.begin(), g_timers.end(), [](const Timer& a, const Timer& b) {
        return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.order < b.order;
    });
    if (earliest == g_timers.end() || earliest->dueMs > nowMs) return false;
    msg->hwnd = earliest->hwnd;
    msg->message = WM_TIMER;
    msg->wParam = earliest->id;
    msg->lParam = reinterpret_cast<LPARAM>(earliest->proc);
    // A late timer fires once, not once per missed period.
    earliest->dueMs = nowMs + earliest->periodMs;
    earliest->order = g_nextOrder++;
    return true;
}

bool NextTimerDue(double* dueMs) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_timers.empty()) return false;
    *dueMs = std::min_element(g_timers.begin(), g_timers.end(),
                              [](const Timer& a, const Timer& b) { return a.dueMs < b.dueMs; })
                 ->dueMs;
    return true;
}

void KillTimersOf(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::erase_if(g_timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

void ClearTimers() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_timers.clear();
}

}  // namespace host

extern "C" UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    if (hWnd && !host::WindowExists(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    UINT period = std::max(uElapse, host::kMinimumPeriodMs);
    double due = host::DeviceMilliseconds() + period;
    UINT_PTR result;
    {
        std::lock_guard<std::mutex> lock(host::g_mutex);
        // Without a window the id is the layer's choice, as on the device,
        // unless it names a thread timer already set: that one is replaced.
        const bool replaces = !hWnd && nIDEvent != 0 && host::FindTimer(nullptr, nIDEvent) != host::g_timers.end();
        UINT_PTR id = hWnd || replaces ? nIDEvent : host::g_nextThreadTimerId++;
        auto existing = host::FindTimer(hWnd, id);
        if (existing != host::g_timers.end()) host::g_timers.erase(existing);
        host::g_timers.push_back({hWnd, id, period, lpTimerFunc, due, host::g_nextOrder++});
        result = (hWnd && id == 0) ? 1 : id;  // nonzero on success
    }
    host::WakeMessageQueue();
    return result;
}

extern "C" BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    {
        std::lock_guard<std::mutex> lock(host::g_mutex);
        auto timer = host::FindTimer(hWnd, uIDEvent);
        if (timer != host::g_timers.end()) {
            host::g_timers.erase(timer);
            return TRUE;
        }
    }
    SetLastError(hWnd && !host::WindowExists(hWnd) ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
}
