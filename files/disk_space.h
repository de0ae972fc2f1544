// The space files take on the device's volumes: which volume a path lies
// on, what a file or a folder takes there, and the room a volume has left.
// The upgrade's check of room (install/upgrade_space.h) counts with these.
#pragma once

#include <windows.h>

// Files are counted whole allocation units, as FAT allocates clusters; a
// folder takes one unit for its entries. 4 KiB is the cluster of the
// device's flash and of cards up to 8 GiB; a volume with larger clusters
// is the only case where the count can fall short.
constexpr DWORD kAllocationUnit = 4096;

// `bytes` rounded up to whole allocation units.
constexpr ULONGLONG AllocatedBytes(ULONGLONG bytes) {
    return (bytes + kAllocationUnit - 1) / kAllocationUnit * kAllocationUnit;
}

// The volume `path` lies on, as the root folder that GetDiskFreeSpaceExW
// takes: "\NandFlash", "\Storage Card", "\Hard Disk 2" ..., or "\" for
// anything else; a volume's root folder itself ("\NandFlash") lies on it. A
// path without its leading separator ("Hard Disk\X") is taken as rooted. FALSE when the name does not fit `capacity`.
BOOL VolumeOfPath(LPCWSTR path, WCHAR* volume, DWORD capacity);

// TRUE when the two paths lie on the same volume.
BOOL OnSameVolume(LPCWSTR first, LPCWSTR second);

// What the file at `path` takes in *bytes; 0 when there is none. FALSE
// when it cannot be told: the platform fails otherwise than "not found".
BOOL AllocatedFileBytes(LPCWSTR path, ULONGLONG* bytes);

// What `folder` takes with everything below it, its own entry included, in
// *bytes; 0 when there is no such folder. FALSE when any part of it cannot
// be listed.
BOOL AllocatedFolderBytes(LPCWSTR folder, ULONGLONG* bytes);

// The bytes free on `volume` (as VolumeOfPath gives it); FALSE, with the
// platform's error, when the volume cannot be asked.
BOOL VolumeFreeBytes(LPCWSTR volume, ULONGLONG* freeBytes);
