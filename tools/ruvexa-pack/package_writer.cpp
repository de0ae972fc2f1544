// Writing an upgrade package, streamed through one 1 MiB buffer.
#include "package_writer.h"

#include <vector>

#include "crc32.h"
#include "host_file.h"
#include "package_constants.h"
#include "package_info.h"

namespace pack {
namespace {

bool AppendSection(HostFile& out, const SectionSource& section, std::vector<BYTE>& buffer, DWORD* crc,
                   std::string* error) {
    if (section.size == 0) return true;
    HostFile in;
    if (!in.OpenForReading(section.path, error)) return false;
    uint64_t remaining = section.size;
    for (;;) {
        size_t count = in.Read(buffer.data(), buffer.size());
        if (in.Failed()) {
            *error = in.LastError();
            return false;
        }
        if (count > remaining) {
            *error = "'" + section.path + "' grew while it was read";
            return false;
        }
        if (count == 0) break;
        Crc32Update(crc, buffer.data(), static_cast<DWORD>(count));
        if (!out.WriteAll(buffer.data(), count, error)) return false;
        remaining -= count;
    }
    if (remaining != 0) {
        *error = "'" + section.path + "' shrank while it was read";
        return false;
    }
    return true;
}

}  // namespace

bool WritePackage(const SectionSource& exe, const SectionSource& images, const SectionSource& fonts,
                  const std::string& packagePath, DWORD* checksum, std::string* error, DWORD signature) {
    uint64_t dataSize = exe.size + images.size + fonts.size;
    if (dataSize + kPackageFrameSize > kLargestPackageSize) {
        *error = "the package would be 4 GiB or larger";
        return false;
    }
    HostFile out;
    if (!out.OpenForWriting(packagePath, false, 0, error)) return false;
    std::vector<BYTE> buffer(kSectionBufferSize);
    DWORD crc = 0;
    Crc32Init(&crc);

    PackageInfo info{signature, static_cast<DWORD>(dataSize), static_cast<DWORD>(exe.size),
                     static_cast<DWORD>(images.size), static_cast<DWORD>(fonts.size), 0};
    BYTE head[kPackageHeadSize];
    EncodePackageHead(info, head);
    Crc32Update(&crc, head, sizeof(head));
    if (!out.WriteAll(head, sizeof(head), error) || !AppendSection(out, exe, buffer, &crc, error) ||
        !AppendSection(out, images, buffer, &crc, error) || !AppendSection(out, fonts, buffer, &crc, error)) {
        return false;
    }
    Crc32Final(&crc);
    info.checksum = crc;
    BYTE tail[kPackageTailSize];
    EncodePackageTail(info, tail);
    // The package is renamed into place next: it must be on disk first.
    if (!out.WriteAll(tail, sizeof(tail), error) || !out.Sync(error) || !out.Close(error)) return false;
    *checksum = crc;
    return true;
}

}  // namespace pack
