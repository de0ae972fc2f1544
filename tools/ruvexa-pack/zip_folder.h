// Zipping a folder into an archive the device's zip extractor unpacks:
// deflated file entries, "name/" folder entries, MS-DOS times and attribute
// words, names relative to the folder with "/" separators, in sorted order.
#pragma once

#include <functional>
#include <string>

namespace pack {

struct ZipSummary {
    size_t files = 0;
    size_t folders = 0;
};

// Called once the folder is read and its warnings are given, with none
// added, then after each file is added: files added so far, files in all.
using ZipCounter = std::function<void(size_t filesDone, size_t filesTotal)>;

// Writes the archive at zipPath (replacing it). `installFolder` is the
// device folder the archive will be unpacked into; names too long to fit
// below it draw a warning. False, with the reason, on failure; nothing is
// left at zipPath then.
bool ZipFolder(const std::string& folder, const std::string& zipPath, const std::wstring& installFolder,
               ZipSummary* summary, std::string* error, const ZipCounter& counter = {});

}  // namespace pack
