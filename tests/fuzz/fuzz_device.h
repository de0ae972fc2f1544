// A temporary device for the fuzz targets, and the checks every input must
// pass besides the sanitizers' own: nothing changed outside the folder the
// code under test may write, and no file descriptor left open.
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "temp_folder.h"

namespace fuzzing {

// What is known of one entry of the device folder: type and mode, and for a
// file its size and last change, which any write, truncation or chmod
// alters. A folder's own times change with what happens inside it, so only
// its existence and mode count.
using EntryState = std::tuple<unsigned, size_t, long long, long long>;
using Snapshot = std::map<std::string, EntryState>;

class FuzzDevice {
public:
    // `writable` is the folder, relative to the root with "/" separators,
    // that the code under test may change.
    explicit FuzzDevice(std::string writable);

    const std::string& Root() const { return folder_.Root(); }
    void WriteFile(const std::string& relative, const unsigned char* data, size_t size) const;
    // Everything outside the writable folder.
    Snapshot Take() const;
    // Empties the writable folder (read-only entries included).
    void ClearWritable() const;

private:
    testing_support::TempFolder folder_{"ruvexa-fuzz-"};
    std::string writable_;
};

int OpenDescriptors();

// Aborts, naming what changed, when `after` differs from `before` or a
// descriptor stayed open.
void CheckUnchanged(const char* target, const Snapshot& before, const Snapshot& after, int descriptorsBefore);

}  // namespace fuzzing
