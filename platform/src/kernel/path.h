// Device paths on the host: how a "\"-separated device path becomes a path
// below the device root.
#pragma once

#include <sys/stat.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace host {

struct DevicePath {
    std::string host;        // the whole path on the host
    std::string parentHost;  // the host folder that holds the last component
    std::string leafGiven;   // the last component as the caller spelled it (UTF-8)
    std::string volume;      // the on-disk name of the first component, "" for
                             // the root and for entries directly in it
    size_t depth = 0;        // number of components; 0 is the root itself
    bool exists = false;     // the last component exists (then `st` holds its lstat)
    bool trailingSeparator = false;  // the path ends in "\", which only a folder may
    struct stat st {};
};

// Resolves a device path below the device root, one component at a time,
// each matched case-insensitively against the existing entries. A missing
// last component keeps the caller's spelling and gives exists == false.
// False, with the last error set, for a refused path (ERROR_INVALID_NAME,
// ERROR_FILENAME_EXCED_RANGE) and for a missing or non-folder intermediate
// component (ERROR_PATH_NOT_FOUND).
bool ResolveDevicePath(LPCWSTR path, DevicePath* out);

// True, with ERROR_INVALID_NAME, when a resolved path ends in a separator
// but names an existing file, or nothing while `creating` a file: such a
// path names no file. A missing one otherwise stays "not found".
bool RefusesFileWithTrailingSeparator(const DevicePath& path, bool creating = false);

// The components of a device path, each without its trailing dots and
// spaces (which FAT cannot store), empty ones (doubled or trailing
// separators) left out.
std::vector<std::wstring_view> SplitComponents(std::wstring_view path);

// Checks one path component; `allowWildcards` admits "*" and "?" (the last
// component of a search pattern). Sets ERROR_INVALID_NAME when refused.
bool IsValidComponent(std::wstring_view name, bool allowWildcards);

// True when the path, counted in UTF-16 units as the device counts it, fits
// in MAX_PATH units with its terminating zero; else sets
// ERROR_FILENAME_EXCED_RANGE.
bool FitsDevicePath(LPCWSTR path);

// Lists the names (UTF-8) in a host folder, without "." and "..", without
// symbolic links, and, in the device root, without volumes that are not
// visible yet.
bool ListHostFolder(const std::string& hostFolder, bool isDeviceRoot,
                    std::vector<std::string>* names);

// The same for `folder`, a descriptor of `hostFolder` open for reading,
// which it closes.
bool ListOpenHostFolder(int folder, const std::string& hostFolder, bool isDeviceRoot,
                        std::vector<std::string>* names);

}  // namespace host
