// Existing packages and signatures at an output name, described through the
// device's own decoders of the package tail and the signature file.
#include "released_files.h"

#include <cctype>
#include <filesystem>
#include <optional>

#include "device_names.h"
#include "device_paths.h"
#include "host_file.h"
#include "messages.h"
#include "package_info.h"
#include "signing_version.h"

namespace pack {
namespace {

// The checksum stored in the tail of the package at `path`, when it begins
// with a full or a delta package's head and is long enough for a tail.
std::optional<DWORD> StoredChecksum(const std::string& path) {
    HostFile file;
    std::string ignored;
    if (!file.OpenForReading(path, &ignored) || file.Size() < kPackageFrameSize) return std::nullopt;
    BYTE head[kPackageHeadSize] = {};
    BYTE tail[kPackageTailSize] = {};
    if (file.ReadAt(0, head, sizeof(head)) != sizeof(head) ||
        file.ReadAt(file.Size() - sizeof(tail), tail, sizeof(tail)) != sizeof(tail)) {
        return std::nullopt;
    }
    PackageInfo info{};
    DecodePackageHead(head, &info);
    if (info.signature != kPackageSignature && !IsDeltaPackage(info)) return std::nullopt;
    DecodePackageTail(tail, &info);
    return info.checksum;
}

// Whether `path` ends in ".SIG", in any case, as the device's FAT names match.
bool HasSignatureSuffix(const std::string& path) {
    const std::string suffix = HostText(kSignatureSuffix);
    if (path.size() <= suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(path[path.size() - suffix.size() + i])) != suffix[i]) return false;
    }
    return true;
}

std::string PackageWords(const std::string& path) {
    const std::optional<DWORD> checksum = StoredChecksum(path);
    std::error_code ignored;
    if (checksum) return "checksum " + Hex(*checksum);
    return std::filesystem::exists(path, ignored) ? "not a package" : "missing";
}

}  // namespace

std::string DescribeExistingFile(const std::string& path) {
    const std::string suffix = HostText(kSignatureSuffix);
    if (const std::optional<DWORD> version = SignedSecurityVersion(path)) {
        const std::string at = " at security version " + std::to_string(*version);
        if (!HasSignatureSuffix(path)) return "a signature file" + at;
        const std::string signedPackage = path.substr(0, path.size() - suffix.size());
        return "the signature of '" + signedPackage + "' (" + PackageWords(signedPackage) + ")" + at;
    }
    if (const std::optional<DWORD> checksum = StoredChecksum(path)) return "a package with checksum " + Hex(*checksum);
    return "a file";
}

bool MayReplace(const std::string& path, bool force, std::string* error) {
    std::error_code ignored;
    if (force || (!std::filesystem::exists(path, ignored) && !std::filesystem::is_symlink(path, ignored))) return true;
    *error = "'" + path + "' exists: " + DescribeExistingFile(path) +
             "; a released package and its signature must stay as they are (deltas are made against a package, "
             "devices know it by its checksum), so it is not replaced; give --force to replace it";
    return false;
}

}  // namespace pack
