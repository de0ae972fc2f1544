// CreateThread: the routine runs on a detached host thread. The handle only
// names the thread; closing it leaves the thread running, as on the device.
// WorkerThreadsRunning tells the host whether any such thread still runs.
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "error.h"
#include "handle.h"
#include "message_loop_hooks.h"
#include "ruvexa_host.h"

namespace host {
namespace {

class ThreadObject : public KernelObject {
public:
    explicit ThreadObject(DWORD id) : id_(id) {}
    DWORD Id() const { return id_; }

private:
    DWORD id_;
};

std::atomic<DWORD> g_nextThreadId{0x1000};
std::atomic<int> g_runningThreads{0};

}  // namespace

bool WorkerThreadsRunning() { return g_runningThreads.load() > 0; }

}  // namespace host

extern "C" HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                                      LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                                      DWORD dwCreationFlags, LPDWORD lpThreadId) {
    // Security attributes mean nothing on the device; the host picks the stack size.
    (void)lpThreadAttributes;
    (void)dwStackSize;
    if (host::ShouldFail(host::Op::CreateThread)) return nullptr;
    if (!lpStartAddress) {
        host::Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A thread that waits for ResumeThread has no use here: nothing resumes it.
    if (dwCreationFlags & CREATE_SUSPENDED) {
        host::Fail(ERROR_NOT_SUPPORTED);
        return nullptr;
    }

    DWORD id = host::g_nextThreadId.fetch_add(4);
    // Counted from before the thread starts until after its routine returns,
    // so that the message loop never sees a gap in which nothing runs.
    ++host::g_runningThreads;
    try {
        std::thread([lpStartAddress, lpParameter] {
            lpStartAddress(lpParameter);
            --host::g_runningThreads;
            host::WakeMessageLoop();
        }).detach();
    } catch (const std::system_error& error) {
        --host::g_runningThreads;
        host::Fail(error.code() == std::errc::resource_unavailable_try_again
                       ? ERROR_NOT_ENOUGH_MEMORY
                       : host::ErrorFromErrno(error.code().value()));
        return nullptr;
    }
    if (lpThreadId) *lpThreadId = id;
    return host::RegisterHandle(std::make_shared<host::ThreadObject>(id));
}
