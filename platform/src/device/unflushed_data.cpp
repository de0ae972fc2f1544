// SetLoseUnflushedData, SetSyncFlushes, BeforeDataChange, AfterDataFlushed,
// LoseUnflushedData: keeps, per file, the data a power cut would leave on the
// media. The simulated media's durability is this model's, not the host
// disk's: a flush syncs the host file only when asked.
#include "unflushed_data.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "ruvexa_host.h"

namespace host {
namespace {

// A file whose data changed since its last flush. The descriptor is a
// duplicate of the one written through, kept open after CloseHandle (which
// flushes nothing), so that the file can be put back even after it was
// closed, renamed, or made read-only.
struct UnflushedFile {
    int fd;
    std::string durable;
};

using FileKey = std::pair<dev_t, ino_t>;

std::mutex g_mutex;
// Read without the lock: with the model off, a write costs nothing more.
std::atomic<bool> g_enabled{false};
std::atomic<bool> g_syncFlushes{false};
std::map<FileKey, UnflushedFile> g_files;

bool KeyOf(int fd, FileKey* key) {
    struct stat st;
    if (fstat(fd, &st) != 0) return false;
    *key = {st.st_dev, st.st_ino};
    return true;
}

// The descriptor may be write-only; the file is read through a new one.
std::string ContentsOf(int fd) {
    std::string contents;
    int reader = open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
    if (reader < 0) return contents;
    char buffer[64 * 1024];
    ssize_t n;
    while ((n = read(reader, buffer, sizeof buffer)) > 0) contents.append(buffer, static_cast<size_t>(n));
    close(reader);
    return contents;
}

// Every file changed since its flush holds a descriptor until the flush; an
// extraction that never flushes needs one per file it wrote.
void RaiseDescriptorLimit() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

void PutBack(const UnflushedFile& file) {
    // The data goes back; the times, being metadata, stay as they were set.
    struct stat st;
    bool haveTimes = fstat(file.fd, &st) == 0;
    if (ftruncate(file.fd, 0) != 0) return;
    size_t done = 0;
    while (done < file.durable.size()) {
        ssize_t n = pwrite(file.fd, file.durable.data() + done, file.durable.size() - done,
                           static_cast<off_t>(done));
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (haveTimes) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(file.fd, times);
    }
}

}  // namespace

void SetLoseUnflushedData(bool lose) {
    g_enabled = lose;
    if (lose) RaiseDescriptorLimit();
}

void SetSyncFlushes(bool sync) { g_syncFlushes = sync; }

bool SyncHostFileIfAsked(int fd) { return !g_syncFlushes || fsync(fd) == 0; }

void BeforeDataChange(int fd) {
    if (!g_enabled) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    FileKey key;
    if (!KeyOf(fd, &key) || g_files.count(key) != 0) return;
    int kept = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (kept < 0) return;
    g_files.emplace(key, UnflushedFile{kept, ContentsOf(fd)});
}

void AfterDataFlushed(int fd) {
    if (!g_enabled) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    FileKey key;
    if (!KeyOf(fd, &key)) return;
    auto file = g_files.find(key);
    if (file == g_files.end()) return;
    close(file->second.fd);
    g_files.erase(file);
}

std::optional<DiscardedData> LoseUnflushedData() {
    if (!g_enabled) return std::nullopt;
    std::lock_guard<std::mutex> lock(g_mutex);
    DiscardedData discarded;
    for (const auto& [key, file] : g_files) {
        // What the file holds beyond the part it shares with its durable data.
        const std::string current = ContentsOf(file.fd);
        if (current == file.durable) continue;
        const auto kept = std::mismatch(current.begin(), current.end(), file.durable.begin(), file.durable.end());
        discarded.bytes += static_cast<unsigned long long>(current.end() - kept.first);
        ++discarded.files;
        PutBack(file);
    }
    return discarded;
}

}  // namespace host
