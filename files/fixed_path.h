// FixedPath: a device path joined from a fixed folder and a fixed name when
// compiled, so that each is spelt once and the joined path is a constant.
#pragma once

#include <windows.h>

#include <stddef.h>

template <size_t Length>
struct FixedPath {
    WCHAR text[Length];
};

template <size_t FolderLength, size_t NameLength>
constexpr FixedPath<FolderLength + NameLength - 1> JoinFixedPath(const WCHAR (&folder)[FolderLength],
                                                                 const WCHAR (&name)[NameLength]) {
    FixedPath<FolderLength + NameLength - 1> path{};
    for (size_t i = 0; i + 1 < FolderLength; ++i) path.text[i] = folder[i];
    for (size_t i = 0; i < NameLength; ++i) path.text[FolderLength - 1 + i] = name[i];
    return path;
}
