// GetMessageW, SendMessageW, DispatchMessageW, TranslateMessage,
// PostQuitMessage, and the queue behind the core's PostMessageW: the UI
// thread's message queue. Posting is safe from any thread; fetching belongs
// to the UI thread, which also runs the host's scheduled actions
// (host::ScheduleAt) and pumps the display while it waits.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "device_clock.h"
#include "display_backend.h"
#include "error.h"
#include "message_queue.h"
#include "ruvexa_host.h"
#include "window_registry.h"

namespace host {
namespace {

// How often a waiting GetMessageW looks at the display's input.
constexpr std::chrono::milliseconds kDisplayPumpInterval{10};

struct ScheduledAction {
    double dueMs;
    std::function<void()> action;
};

// Never destroyed: a detached worker thread that ends as the process exits
// still wakes the queue after the program's statics are gone.
std::mutex& g_mutex = *new std::mutex;
std::condition_variable& g_wake = *new std::condition_variable;
std::deque<MSG> g_posted;
bool g_quitPending = false;
int g_quitCode = 0;
unsigned long long g_generation = 0;  // changes whenever a waiter must look again
std::vector<ScheduledAction> g_actions;
std::function<void()> g_haltedHook;

void Stamp(MSG* msg) {
    msg->time = GetTickCount();
    GetCursorPos(&msg->pt);
}

// Runs every scheduled action that is due, outside the lock: an action may
// post, schedule, or end the process. A timer that fell due earlier goes
// first, so a loop that was kept busy keeps the device-time order.
void RunDueActions() {
    for (;;) {
        std::function<void()> action;
        double timerDueMs = 0;
        bool timerPending = NextTimerDue(&timerDueMs);
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            double now = DeviceMilliseconds();
            auto due = g_actions.end();
            for (auto it = g_actions.begin(); it != g_actions.end(); ++it) {
                bool timerFirst = timerPending && timerDueMs < it->dueMs;
                if (it->dueMs <= now && !timerFirst && (due == g_actions.end() || it->dueMs < due->dueMs)) due = it;
            }
            if (due == g_actions.end()) return;
            action = std::move(due->action);
            g_actions.erase(due);
        }
        if (action) action();
    }
}

bool NextActionDue(double* dueMs) {
    bool any = false;
    for (auto& scheduled : g_actions) {
        if (!any || scheduled.dueMs < *dueMs) *dueMs = scheduled.dueMs;
        any = true;
    }
    return any;
}

// Posted messages first, then the quit message, then paints, then the
// earliest due timer.
bool TakeNextMessage(MSG* msg, unsigned long long* generation) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        *generation = g_generation;
        if (!g_posted.empty()) {
            *msg = g_posted.front();
            g_posted.pop_front();
            return true;
        }
        if (g_quitPending) {
            g_quitPending = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, 0, {}};
            Stamp(msg);
            return true;
        }
    }
    if (HWND hwnd = WindowNeedingPaint()) {
        *msg = MSG{hwnd, WM_PAINT, 0, 0, 0, {}};
        Stamp(msg);
        return true;
    }
    if (TakeDueTimer(DeviceMilliseconds(), msg)) {
        Stamp(msg);
        return true;
    }
    return false;
}

// The device time of the next thing that comes by itself: a scheduled
// action, a timer, or a volume appearing (which the program may wait for).
// False when nothing is to come. Called with g_mutex held.
bool NextWakeUp(double* dueMs) {
    bool timed = NextActionDue(dueMs);
    double otherMs = 0;
    if (NextTimerDue(&otherMs) && (!timed || otherMs < *dueMs)) {
        *dueMs = otherMs;
        timed = true;
    }
    if (NextVolumeArrival(&otherMs) && (!timed || otherMs < *dueMs)) {
        *dueMs = otherMs;
        timed = true;
    }
    return timed;
}

// Sleeps until something may have arrived: a post, a timer or an action
// falling due, a volume appearing, or (with a display) the next look at its
// input. When nothing can ever arrive, runs the halted hook instead, once.
void WaitForWork(unsigned long long generation) {
    bool interactive = DisplayIsInteractive();
    std::function<void()> halted;
    {
        std::unique_lock<std::mutex> lock(g_mutex);
        double dueMs = 0;
        bool timed = NextWakeUp(&dueMs);
        auto changed = [&] { return g_generation != generation; };
        // A post, or a thread's routine returning, changes the generation
        // under this lock, so neither slips in between the checks and the wait.
        if (!timed && !interactive && g_haltedHook && !changed() && !WorkerThreadsRunning()) {
            halted = std::move(g_haltedHook);
            g_haltedHook = nullptr;
        } else {
            std::chrono::nanoseconds wait = std::chrono::nanoseconds::max();
            if (timed) wait = RealDurationOf(std::max(0.0, dueMs - DeviceMilliseconds()));
            if (interactive) wait = std::min<std::chrono::nanoseconds>(wait, kDisplayPumpInterval);
            if (wait == std::chrono::nanoseconds::max()) {
                g_wake.wait(lock, changed);
            } else if (wait.count() > 0) {
                g_wake.wait_for(lock, wait, changed);
            }
        }
    }
    if (halted) {
        halted();
        return;
    }
    if (interactive) PumpDisplayEvents();
}

void Enqueue(const MSG& msg, bool front) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (front) {
            g_posted.push_front(msg);
        } else {
            g_posted.push_back(msg);
        }
        ++g_generation;
    }
    g_wake.notify_all();
}

BOOL PostToQueue(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    // A null window posts to the UI thread itself; such messages are fetched
    // but dispatched nowhere.
    if (hWnd && !WindowExists(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    MSG msg{hWnd, Msg, wParam, lParam, 0, {}};
    Stamp(&msg);
    Enqueue(msg, false);
    return TRUE;
}

// Installed as the program is loaded, before main: the core's PostMessageW
// reaches the queue through it from the first call on.
[[maybe_unused]] const bool g_queueInstalled = (InstallMessageQueue({PostToQueue, WakeMessageQueue}), true);

}  // namespace

void WakeMessageQueue() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        ++g_generation;
    }
    g_wake.notify_all();
}

void PostToFront(const MSG& msg) { Enqueue(msg, true); }

void DiscardPostedMessages(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::erase_if(g_posted, [&](const MSG& msg) { return msg.hwnd == hwnd; });
}

void ClearMessageQueue() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_posted.clear();
    g_quitPending = false;
    g_quitCode = 0;
    g_actions.clear();
    ++g_generation;
}

void SetHaltedHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_haltedHook = std::move(hook);
}

void ScheduleAt(double deviceMs, std::function<void()> action) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_actions.push_back({deviceMs, std::move(action)});
        ++g_generation;
    }
    g_wake.notify_all();
}

}  // namespace host

extern "C" BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND, UINT, UINT) {
    // Message filters are not supported: the program fetches everything.
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (;;) {
        host::RunDueActions();
        unsigned long long generation = 0;
        if (host::TakeNextMessage(lpMsg, &generation)) return lpMsg->message != WM_QUIT;
        host::WaitForWork(generation);
    }
}

extern "C" void WINAPI PostQuitMessage(int nExitCode) {
    {
        std::lock_guard<std::mutex> lock(host::g_mutex);
        host::g_quitPending = true;
        host::g_quitCode = nExitCode;
        ++host::g_generation;
    }
    host::g_wake.notify_all();
}

extern "C" LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto window = host::LookupWindowOrFail(hWnd);
    if (!window) return 0;
    if (window->thread == std::this_thread::get_id()) return window->windowClass->proc(hWnd, Msg, wParam, lParam);
    // Another thread's window: its own thread runs the procedure when it
    // next waits for messages, as an action due at once, before any other;
    // the sender blocks until then.
    WNDPROC proc = window->windowClass->proc;
    auto call = std::make_shared<std::packaged_task<LRESULT()>>([=] { return proc(hWnd, Msg, wParam, lParam); });
    std::future<LRESULT> result = call->get_future();
    host::ScheduleAt(0, [call] { (*call)(); });
    return result.get();
}

extern "C" LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
        return 0;
    }
    if (!lpMsg->hwnd) return 0;
    return SendMessageW(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}
