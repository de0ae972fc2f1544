// BeforeFileSystemChange, FileSystemChangeCount: counts the changes made to
// the device's file system, and cuts the power before the chosen one.
#include "fs_change.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "boot.h"
#include "host_exit_status.h"
#include "ruvexa_host.h"
#include "unflushed_data.h"

namespace host {
namespace {

std::atomic<unsigned long> g_changeCount{0};

// Shared between the boots of one run (they are forked processes), so that
// the power is cut once, at the N-th change counted from the first boot.
struct PowerCut {
    std::atomic<unsigned long> changesSeen;
    unsigned long cutAt;
};
PowerCut* g_powerCut = nullptr;

// Set at the cut: a change that another thread begins afterwards never
// happens, as nothing happens on a device without power.
std::atomic<bool> g_powerGone{false};

}  // namespace

void SetPowerCutAfter(unsigned long changes) {
    if (changes == 0) return;
    void* shared = mmap(nullptr, sizeof(PowerCut), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return;
    g_powerCut = new (shared) PowerCut{{0}, changes};
}

void BeforeFileSystemChange() {
    if (g_powerGone) {
        for (;;) pause();
    }
    ++g_changeCount;
    if (g_powerCut && ++g_powerCut->changesSeen == g_powerCut->cutAt) {
        g_powerGone = true;
        // A boot that is ending otherwise (switched off) never sees the cut.
        ClaimEndOfBoot();
        if (const auto discarded = LoseUnflushedData()) {
            std::fprintf(stderr, "ruvexa-host: the power cut discarded %llu unflushed bytes of %zu %s\n",
                         discarded->bytes, discarded->files, discarded->files == 1 ? "file" : "files");
        }
        EndBoot(kExitPowerCut, "power cut before file-system change " + std::to_string(g_powerCut->cutAt));
    }
}

unsigned long FileSystemChangeCount() { return g_changeCount; }

unsigned long FileSystemChangesInRun() { return g_powerCut ? g_powerCut->changesSeen.load() : 0; }

}  // namespace host
