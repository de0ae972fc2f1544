// The end of a boot: reset, power cut or power off end the process at once.
#include "boot.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "fs_change.h"
#include "handle.h"
#include "ruvexa_host.h"

namespace host {
namespace {

std::mutex g_mutex;
std::vector<std::function<void()>> g_hooks;

// Several threads may end a boot at once (the switch-off timer while a power
// cut ends it, say): the first one ends it, alone.
std::atomic<bool> g_ending{false};
thread_local bool t_endsTheBoot = false;

}  // namespace

void AddEndOfBootHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_hooks.push_back(std::move(hook));
}

void ClaimEndOfBoot() {
    if (t_endsTheBoot) return;
    if (g_ending.exchange(true)) {
        // The process is about to exit; a signal still ends it at once.
        for (;;) pause();
    }
    t_endsTheBoot = true;
}

void EndBoot(int exitStatus, const std::string& reason) {
    ClaimEndOfBoot();
    std::vector<std::function<void()>> hooks;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hooks.swap(g_hooks);
    }
    for (auto& hook : hooks) hook();
    // The count tells the cut points of a boot, 1 to N, for --power-cut-after;
    // the handles and the memory show a leak over many boots.
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    // Held until the exit: a thread still running (the UI thread showing a
    // message box, say) prints nothing after the boot's ending.
    flockfile(stderr);
    const unsigned long changes = FileSystemChangeCount();
    const size_t handles = OpenHandleCount();
    std::fprintf(stderr, "ruvexa-host: %lu file-system change%s in this boot, %zu handle%s open, peak memory %ld KiB\n",
                 changes, changes == 1 ? "" : "s", handles, handles == 1 ? "" : "s", usage.ru_maxrss);
    std::fprintf(stderr, "ruvexa-host: %s (exit %d)\n", reason.c_str(), exitStatus);
    std::fflush(stderr);
    // _exit: no destructors or atexit handlers of the program run, as when
    // a device goes down.
    _exit(exitStatus);
}

}  // namespace host
