// What build, delta and sign find already at the names they write: a
// package that may have been released, or its signature. A released package
// must stay byte for byte what it was, since deltas are made against it and
// devices know it by its checksum, so such a file is replaced only when the
// user says so.
#pragma once

#include <string>

namespace pack {

// The file at `path` in a few words: "a package with checksum 0x...", "the
// signature of 'PKG' (checksum 0x...) at security version N", or "a file"
// for anything else; a package's checksum is the one stored in its tail.
std::string DescribeExistingFile(const std::string& path);

// Whether `path` may be written: true when nothing is there or `force` is
// given; otherwise false with the error that names the file and what it is.
bool MayReplace(const std::string& path, bool force, std::string* error);

}  // namespace pack
