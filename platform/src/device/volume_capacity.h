// The capacity a volume is given with --volume-size, and the room left in
// it: the layer's stand-in for a flash or card of a set size.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace host {

// The allocation unit of every simulated volume: a file takes its size
// rounded up to it, a folder one unit.
constexpr uint64_t kAllocationUnit = 4096;

uint64_t AllocatedSize(uint64_t bytes);

// The capacity of the volume whose root folder is named `volume` (as it
// stands on disk, any case); false when it has none set.
bool VolumeCapacity(const std::string& volume, uint64_t* capacity);

// What the files and folders below the volume's root folder take.
uint64_t VolumeUsedBytes(const std::string& volume);

// True when the volume has room for a file growing from `oldSize` to
// `newSize` bytes, or has no capacity set; false with ERROR_DISK_FULL
// otherwise. The root and the files directly in it belong to no volume.
bool HasRoomToGrow(const std::string& volume, uint64_t oldSize, uint64_t newSize);

// The same for a new folder, which takes one allocation unit.
bool HasRoomForFolder(const std::string& volume);

}  // namespace host
