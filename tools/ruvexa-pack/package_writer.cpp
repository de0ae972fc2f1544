// Writing an upgrade package, streamed through one 1 MiB buffer.
#include "package_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "crc32.h"
#include "messages.h"
#include "package_constants.h"
#include "package_info.h"

namespace pack {
namespace {

bool AppendSection(int out, const std::string& outPath, const SectionSource& section, std::vector<BYTE>& buffer,
                   DWORD* crc, std::string* error) {
    if (section.size == 0) return true;
    int in = open(section.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = FileError(section.path, errno);
        return false;
    }
    uint64_t remaining = section.size;
    bool ok = true;
    while (ok) {
        ssize_t count = read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *error = FileError(section.path, errno);
            ok = false;
        } else if (static_cast<uint64_t>(count) > remaining) {
            *error = "'" + section.path + "' grew while it was read";
            ok = false;
        } else if (count == 0) {
            if (remaining != 0) {
                *error = "'" + section.path + "' shrank while it was read";
                ok = false;
            }
            break;
        } else {
            Crc32Update(crc, buffer.data(), static_cast<DWORD>(count));
            ok = WriteAll(out, buffer.data(), static_cast<size_t>(count), outPath, error);
            remaining -= static_cast<uint64_t>(count);
        }
    }
    close(in);
    return ok;
}

}  // namespace

bool WriteAll(int fd, const BYTE* bytes, size_t count, const std::string& path, std::string* error) {
    while (count > 0) {
        ssize_t written = write(fd, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            *error = FileError(path, written < 0 ? errno : EIO);
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool WritePackage(const SectionSource& exe, const SectionSource& images, const SectionSource& fonts,
                  const std::string& packagePath, DWORD* checksum, std::string* error) {
    uint64_t dataSize = exe.size + images.size + fonts.size;
    if (dataSize + kPackageFrameSize > 0xFFFFFFFFull) {
        *error = "the package would be 4 GiB or larger";
        return false;
    }
    int out = open(packagePath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) {
        *error = FileError(packagePath, errno);
        return false;
    }
    std::vector<BYTE> buffer(kSectionBufferSize);
    DWORD crc = 0;
    Crc32Init(&crc);

    PackageInfo info{kPackageSignature, static_cast<DWORD>(dataSize), static_cast<DWORD>(exe.size),
                     static_cast<DWORD>(images.size), static_cast<DWORD>(fonts.size), 0};
    BYTE head[kPackageHeadSize];
    EncodePackageHead(info, head);
    Crc32Update(&crc, head, sizeof(head));
    bool ok = WriteAll(out, head, sizeof(head), packagePath, error) &&
              AppendSection(out, packagePath, exe, buffer, &crc, error) &&
              AppendSection(out, packagePath, images, buffer, &crc, error) &&
              AppendSection(out, packagePath, fonts, buffer, &crc, error);
    if (ok) {
        Crc32Final(&crc);
        info.checksum = crc;
        BYTE tail[kPackageTailSize];
        EncodePackageTail(info, tail);
        ok = WriteAll(out, tail, sizeof(tail), packagePath, error);
    }
    // The package is renamed into place next: it must be on disk first.
    if (ok && fsync(out) != 0) {
        *error = FileError(packagePath, errno);
        ok = false;
    }
    if (close(out) != 0 && ok) {
        *error = FileError(packagePath, errno);
        ok = false;
    }
    if (ok) *checksum = crc;
    return ok;
}

}  // namespace pack
