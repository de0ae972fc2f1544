// BeforeFileSystemChange, FileSystemChangeCount: counts the changes made to
// the device's file system.
#include "fs_change.h"

#include <atomic>

namespace host {
namespace {
std::atomic<unsigned long> g_changeCount{0};
}

void BeforeFileSystemChange() { ++g_changeCount; }

unsigned long FileSystemChangeCount() { return g_changeCount; }

}  // namespace host
