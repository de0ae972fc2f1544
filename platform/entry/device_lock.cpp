// The lock is flock(2) on the device folder itself, held through a
// descriptor that forked boots share and that programs the device launches
// do not inherit (close-on-exec). The holder's process is read from
// /proc/locks, which lists every lock with its file's device and inode.
#include "device_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace host {
namespace {

// The process that holds a flock on the file, or 0 when none is listed.
// A line reads "1: FLOCK  ADVISORY  WRITE 22639 fe:00:10960917 0 EOF".
long HolderOf(const struct stat& st) {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, file;
        long pid = 0;
        if (!(fields >> number >> kind)) continue;
        if (kind == "->") fields >> kind;  // a waiter, listed under the holder
        if (kind != "FLOCK" || !(fields >> mode >> access >> pid >> file)) continue;
        unsigned fileMajor = 0, fileMinor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &fileMajor, &fileMinor, &inode) == 3 &&
            fileMajor == major(st.st_dev) && fileMinor == minor(st.st_dev) && inode == st.st_ino) {
            return pid;
        }
    }
    return 0;
}

}  // namespace

bool LockDeviceFolder(const std::string& root, std::string* error) {
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open the device root " + root + ": " + std::strerror(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;  // the descriptor stays open for the run
    const int reason = errno;
    struct stat st {};
    const long holder = reason == EWOULDBLOCK && fstat(fd, &st) == 0 ? HolderOf(st) : 0;
    close(fd);
    if (reason != EWOULDBLOCK) {
        *error = "cannot lock the device root " + root + ": " + std::strerror(reason);
    } else {
        *error = holder > 0 ? "device folder in use by process " + std::to_string(holder)
                            : "device folder in use by another process";
    }
    return false;
}

}  // namespace host
