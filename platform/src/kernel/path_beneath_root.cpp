// StatBeneathDeviceRoot, OpenFolderBeneathDeviceRoot: openat2 below the held
// device root.
#include "path_beneath_root.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "ruvexa_host.h"

namespace host {
namespace {

std::mutex g_handleMutex;
int g_rootHandle = -1;
std::string g_heldRoot;
bool g_unsupported = false;  // a kernel without openat2, or one that forbids it

constexpr int kMissing = -2;

// A descriptor, kMissing, or -1 for anything else. An O_PATH one opens a
// link at the end as the link.
int OpenBeneathDeviceRoot(const std::string& relative, int flags) {
    std::lock_guard<std::mutex> lock(g_handleMutex);
    if (g_unsupported) return -1;
    const std::string& root = DeviceRoot();
    if (g_rootHandle < 0 || g_heldRoot != root) {
        if (g_rootHandle >= 0) close(g_rootHandle);
        g_rootHandle = open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        g_heldRoot = root;
        if (g_rootHandle < 0) return -1;
    }
    open_how how{};
    how.flags = flags | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const int handle = static_cast<int>(syscall(SYS_openat2, g_rootHandle, relative.c_str(), &how, sizeof how));
    if (handle >= 0) return handle;
    if (errno == ENOENT) return kMissing;
    if (errno == ENOSYS || errno == EPERM) g_unsupported = true;
    return -1;
}

}  // namespace

Lookup StatBeneathDeviceRoot(const std::string& relative, struct stat* st) {
    const int handle = OpenBeneathDeviceRoot(relative, O_PATH);
    if (handle == kMissing) return Lookup::Missing;
    if (handle < 0) return Lookup::Undecided;
    const bool found = fstat(handle, st) == 0 && !S_ISLNK(st->st_mode);
    close(handle);
    return found ? Lookup::Found : Lookup::Undecided;
}

int OpenFolderBeneathDeviceRoot(const std::string& relative) {
    const int handle = OpenBeneathDeviceRoot(relative, O_RDONLY | O_DIRECTORY);
    return handle < 0 ? -1 : handle;
}

void ForgetDeviceRootHandle() {
    std::lock_guard<std::mutex> lock(g_handleMutex);
    if (g_rootHandle >= 0) close(g_rootHandle);
    g_rootHandle = -1;
    g_heldRoot.clear();
}

}  // namespace host
