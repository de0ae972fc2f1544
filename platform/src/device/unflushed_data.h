// The lossy power cut: a flash file system with a write-back cache keeps its
// metadata in order (creations, deletions, renames, attributes), but the data
// written to a file since its last flush is lost when the power goes.
#pragma once

#include <cstddef>
#include <optional>

namespace host {

// Called right before the data of the open file `fd` changes (a write, a
// truncation). The first change since the file's last flush keeps what the
// file holds now, as the data that survives a power cut.
void BeforeDataChange(int fd);

// Called once the data of `fd` has reached the media (a successful flush):
// from now on a power cut keeps what the file holds.
void AfterDataFlushed(int fd);

// What a power cut took: the files whose data went back, and the bytes they
// held beyond the part they share with that data.
struct DiscardedData {
    size_t files = 0;
    unsigned long long bytes = 0;
};

// At a successful FlushFileBuffers: syncs the host file to the host's disk
// when SetSyncFlushes asked for it (errno set on failure), else nothing.
bool SyncHostFileIfAsked(int fd);

// At the power cut: every file changed since its last flush gets back the
// data it held at that flush, or at its first change when it was never
// flushed (a new file is empty). Nothing, and no report, unless the lossy
// model is on.
std::optional<DiscardedData> LoseUnflushedData();

}  // namespace host
