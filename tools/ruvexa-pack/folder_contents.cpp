// Looking through an archive folder for what belongs elsewhere.
#include "folder_contents.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "device_names.h"
#include "device_paths.h"
#include "messages.h"
#include "zip_listing.h"

namespace fs = std::filesystem;

namespace pack {
namespace {

// At most this many findings are named; the rest are counted.
constexpr size_t kFindingsNamed = 5;

std::string InstalledExeName() {
    const std::string path = HostText(kInstalledExe);
    return path.substr(path.rfind('\\') + 1);
}

std::string Listed(const std::vector<std::string>& findings) {
    std::string text;
    const size_t named = std::min(findings.size(), kFindingsNamed);
    for (size_t i = 0; i < named; ++i) {
        text += i == 0 ? "" : i + 1 == named && named == findings.size() ? " and " : ", ";
        text += findings[i];
    }
    if (findings.size() > named) text += " and " + std::to_string(findings.size() - named) + " more";
    return text;
}

}  // namespace

void WarnAboutFolderContents(const std::string& folder, ArchiveKind kind, const std::string& exePath) {
    const bool images = kind == ArchiveKind::Images;
    const ArchiveKind other = images ? ArchiveKind::Fonts : ArchiveKind::Images;
    const std::string exeName = FoldedCase(InstalledExeName());
    std::vector<std::string> findings;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        const std::string shown = path.lexically_relative(folder).generic_string();
        std::error_code ignored;
        if (it->is_directory(ignored)) {
            if (it.depth() == 0 && IsArchiveFolderName(name, other)) {
                findings.push_back("'" + shown + "/' (" + std::string(images ? "a fonts" : "an images") + " folder)");
            }
            continue;
        }
        if (FoldedCase(name) == exeName) {
            findings.push_back("'" + shown + "' (the device's executable)");
        } else if (fs::equivalent(path, exePath, ignored)) {
            findings.push_back("'" + shown + "' (the file given as --exe)");
        } else if (HasPackageName(name)) {
            findings.push_back("'" + shown + "' (an upgrade package)");
        }
    }
    if (findings.empty()) return;
    // The host lists a folder in no particular order.
    std::sort(findings.begin(), findings.end());
    const std::string what = images ? "images" : "fonts";
    Warn("the --" + what + " folder '" + folder + "' holds " + Listed(findings) + ": --" + what +
         " takes the folder of " + what + " only, and the device would install all it holds under " +
         InstalledFolder(kind) + "\\");
}

}  // namespace pack
