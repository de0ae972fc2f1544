// PostMessageW, and the wake-up of a waiting GetMessageW when a worker
// thread ends.
//
// The workers of every program folder hand their results to the UI thread's
// window with PostMessageW, so it belongs to the core that every folder
// links. The queue behind it stays with the window manager (user/), which
// alone fetches from it, delivers timers and paints, and pumps the display
// while it waits; moving it down would drag the window table and the
// display into the core. The window manager installs the queue here as it
// is loaded, before main; a program that links no window manager has no
// window to post to.
#include <atomic>

#include "error.h"
#include "message_loop_hooks.h"

namespace host {
namespace {

std::atomic<decltype(MessageQueueHooks::post)> g_post{nullptr};
std::atomic<decltype(MessageQueueHooks::wake)> g_wake{nullptr};

}  // namespace

void InstallMessageQueue(MessageQueueHooks hooks) {
    g_post = hooks.post;
    g_wake = hooks.wake;
}

void WakeMessageLoop() {
    if (auto wake = g_wake.load()) wake();
}

}  // namespace host

extern "C" BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto post = host::g_post.load();
    if (!post) return host::Fail(ERROR_INVALID_WINDOW_HANDLE);
    return post(hWnd, Msg, wParam, lParam);
}
