// The dry volume: a device file system kept as records in memory, for
// rehearsing the program's own file work without writing anything to the
// host (ruvexa-pack unpacks every archive this way before it accepts it).
// Only the host's tools and the tests include this header; the device has
// nothing like it.
//
// While the dry volume is in use, every device path names a record of it
// instead of a host file below the device root, and the file functions work
// on the records with the device's rules: the same path checks (MAX_PATH,
// refused names, names that differ only in case, trailing dots and spaces),
// the same failures and last errors (a file where a folder is expected, an
// existing name, read-only files, share modes), and the host's limit of 255
// bytes per name, so that a rehearsal fails exactly where writing would.
// CreateDirectoryW records a folder; a file created for writing is recorded
// with its size, while the bytes WriteFile is given are counted and
// discarded; attributes and times are kept; deletions and moves update the
// records; FindFirstFileW lists them. Reading a recorded file's data fails
// with ERROR_NOT_SUPPORTED (the bytes were never kept), except for a file
// added from the host, which reads the host file in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// Starts an empty dry volume in place of the device root; a second call
// starts again from empty.
void UseDryVolume();
// Forgets every record: device paths name host files below the device root
// again. Handles still open on records keep working on what they hold.
void DropDryVolume();
bool IsDryVolumeInUse();

// Records the file `devicePath`, with its missing folders, as the host file
// `hostFile` read in place: its size and times are the host file's, and it
// is read-only, so that nothing rewrites it. False, with the host's reason,
// when the host file cannot be read, or when the path is refused.
bool AddHostFileToDryVolume(const std::wstring& devicePath, const std::string& hostFile, std::string* error);

// Every record below the root, in the order of their folded names, one line
// each: a folder as "\A\B\", a file as "\A\B\c.txt 12" (its size in bytes).
std::vector<std::string> DryVolumeListing();

// What the records hold: how many there are and the bytes written to them
// and discarded.
struct DryVolumeCounts {
    uint64_t folders = 0;
    uint64_t files = 0;
    uint64_t discardedBytes = 0;
};
DryVolumeCounts CountDryVolume();

}  // namespace host
