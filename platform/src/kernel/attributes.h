// How file attributes live on the host: read-only as the write permission
// bits, archive, hidden and system in the extended attribute
// "user.DOSATTRIB" where the host file system takes one.
#pragma once

#include <sys/stat.h>
#include <windows.h>

#include <string>

namespace host {

constexpr DWORD kExtraAttributeBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kSettableAttributeBits = FILE_ATTRIBUTE_READONLY | kExtraAttributeBits;

// Read-only means that no one may write: all three write bits are clear.
bool IsReadOnly(const struct stat& st);

// The attribute word of the entry at `hostPath` as GetFileAttributesW and
// the find functions report it.
DWORD AttributesOf(const std::string& hostPath, const struct stat& st);

// Stores the settable bits of `attributes` on an open file or on a path.
// False with the last error set on failure; a host file system without
// extended attributes silently keeps only the read-only bit.
// `known`, when given, is the file's status as just read, which spares
// reading it again.
bool StoreAttributes(int fd, DWORD attributes, const struct stat* known = nullptr);
bool StoreAttributesAt(const std::string& hostPath, DWORD attributes, const struct stat* known = nullptr);

}  // namespace host
