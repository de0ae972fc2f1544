// The registry is a fixed table of C paths, so that the handler reads only
// what was written before it ran and calls only async-signal-safe functions:
// unlinkat, openat, the getdents64 system call, lseek, close, sigaction, raise.
#include "temp_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace pack {
namespace {

constexpr int kSlots = 16;
constexpr int kSignals[] = {SIGINT, SIGTERM};

struct Slot {
    volatile sig_atomic_t used;
    bool folder;
    char path[PATH_MAX];
};

Slot g_slots[kSlots];

// Removes the entry `name` of the folder open as `parent`, and for a folder
// everything in it first.
void RemoveEntry(int parent, const char* name) {
    if (unlinkat(parent, name, 0) == 0) return;
    int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return;
    alignas(struct dirent64) char buffer[4096];
    // Entries removed while the folder is read may shift what the next read
    // returns: read again from the start until a pass removes nothing.
    for (bool removed = true; removed;) {
        removed = false;
        lseek(folder, 0, SEEK_SET);
        for (;;) {
            long count = syscall(SYS_getdents64, folder, buffer, sizeof(buffer));
            if (count <= 0) break;
            for (long at = 0; at < count;) {
                const struct dirent64* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
                RemoveEntry(folder, entry->d_name);
                removed = true;
            }
        }
    }
    close(folder);
    unlinkat(parent, name, AT_REMOVEDIR);
}

void OnInterrupt(int signal) {
    const int savedErrno = errno;
    for (Slot& slot : g_slots) {
        if (!slot.used) continue;
        if (slot.folder) {
            RemoveEntry(AT_FDCWD, slot.path);
        } else {
            unlink(slot.path);
        }
    }
    errno = savedErrno;
    // The disposition was reset on entry (SA_RESETHAND); the signal raised
    // again is delivered once this handler returns and ends the process.
    raise(signal);
}

}  // namespace

void RemoveTemporariesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
    for (int signal : kSignals) {
        struct sigaction old {};
        // A signal the caller ignored (nohup, a shell's background job) stays ignored.
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

int RegisterTemporary(const std::string& path, bool folder) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (g_slots[i].used) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].folder = folder;
        // The handler may run between any two statements: the path must be
        // whole before the slot counts as used.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g_slots[i].used = 1;
        return i;
    }
    return -1;
}

void UnregisterTemporary(int slot) {
    if (slot >= 0 && slot < kSlots) g_slots[slot].used = 0;
}

static_assert(sizeof(sigset_t) <= sizeof(unsigned long long[16]), "InterruptsHeld keeps a sigset_t");

InterruptsHeld::InterruptsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kSignals) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, reinterpret_cast<sigset_t*>(saved_));
}

InterruptsHeld::~InterruptsHeld() {
    sigprocmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr);
}

}  // namespace pack
