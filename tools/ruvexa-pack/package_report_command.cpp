// `ruvexa-pack inspect`: the raw fields of a package and what they imply,
// shown also for a damaged file so that its fault can be seen.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "crc32.h"
#include "messages.h"
#include "package_constants.h"
#include "package_info.h"

namespace pack {
namespace {

std::string SignatureText(const BYTE* bytes, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    return text;
}

// Reads up to `count` bytes at `offset`; the count delivered.
size_t ReadAt(int fd, uint64_t offset, BYTE* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t got = pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

// CRC-32 of bytes [0, length) with the program's accumulator; false when a
// read comes up short.
bool ChecksumOf(int fd, uint64_t length, DWORD* crc) {
    std::vector<BYTE> buffer(kTransferBufferSize);
    Crc32Init(crc);
    for (uint64_t offset = 0; offset < length;) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(length - offset, buffer.size()));
        if (ReadAt(fd, offset, buffer.data(), chunk) != chunk) return false;
        Crc32Update(crc, buffer.data(), static_cast<DWORD>(chunk));
        offset += chunk;
    }
    Crc32Final(crc);
    return true;
}

void PrintSection(const char* name, uint64_t offset, uint64_t size) {
    std::printf("  %-8s offset %llu, size %llu\n", name, static_cast<unsigned long long>(offset),
                static_cast<unsigned long long>(size));
}

}  // namespace

int RunInspect(const Arguments& arguments) {
    const std::string& path = arguments.package;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(FileError(path, errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Fail("'" + path + "' is not a regular file");
    }
    const uint64_t length = static_cast<uint64_t>(st.st_size);

    // Read as the device does: the head from the front, the tail from the
    // end, missing bytes left zero.
    BYTE head[kPackageHeadSize] = {};
    BYTE tail[kPackageTailSize] = {};
    size_t headBytes = ReadAt(fd, 0, head, sizeof(head));
    bool hasTail = length >= kPackageTailSize;
    if (hasTail && ReadAt(fd, length - kPackageTailSize, tail, sizeof(tail)) != sizeof(tail)) hasTail = false;
    PackageInfo info{};
    DecodePackageHead(head, &info);
    DecodePackageTail(tail, &info);

    std::printf("file:            %s\n", path.c_str());
    std::printf("length:          %llu bytes\n", static_cast<unsigned long long>(length));
    std::printf("head:%s\n", headBytes < sizeof(head) ? " (incomplete: the file is shorter than 8 bytes)" : "");
    bool signatureValid = headBytes >= 4 && info.signature == kPackageSignature;
    std::printf("  signature:     %s \"%s\" (%s)\n", Hex(info.signature).c_str(),
                SignatureText(head, std::min<size_t>(headBytes, 4)).c_str(),
                signatureValid ? "valid" : "expected 0x4F562D33 \"3-VO\"");
    std::printf("  data_size:     %u\n", info.data_size);
    if (!hasTail) {
        std::printf("tail:            none: the file is shorter than 16 bytes\n");
        close(fd);
        return kExitSuccess;
    }
    std::printf("tail:            (the last 16 bytes, at offset %llu)\n",
                static_cast<unsigned long long>(length - kPackageTailSize));
    std::printf("  exe_size:      %u\n", info.exe_size);
    std::printf("  images_size:   %u\n", info.images_size);
    std::printf("  fonts_size:    %u\n", info.fonts_size);
    std::printf("  checksum:      %s\n", Hex(info.checksum).c_str());

    const uint64_t sum = uint64_t{info.exe_size} + info.images_size + info.fonts_size;
    const uint64_t expectedLength = uint64_t{info.data_size} + kPackageFrameSize;
    std::printf("sizes:           exe_size + images_size + fonts_size = %llu (%s data_size)\n",
                static_cast<unsigned long long>(sum), sum == info.data_size ? "equals" : "differs from");
    std::printf("length check:    data_size + 24 = %llu (%s the file length)\n",
                static_cast<unsigned long long>(expectedLength), expectedLength == length ? "equals" : "differs from");
    std::printf("sections:\n");
    PrintSection("exe", kExeSectionOffset, info.exe_size);
    PrintSection("images", uint64_t{kExeSectionOffset} + info.exe_size, info.images_size);
    PrintSection("fonts", uint64_t{kExeSectionOffset} + info.exe_size + info.images_size, info.fonts_size);
    PrintSection("tail", uint64_t{kPackageHeadSize} + info.data_size, kPackageTailSize);

    std::printf("checksum:\n");
    std::printf("  stored:        %s\n", Hex(info.checksum).c_str());
    const uint64_t covered = uint64_t{kPackageHeadSize} + info.data_size;
    DWORD computed = 0;
    if (covered > length) {
        std::printf("  computed:      not computed: bytes 0..%llu lie beyond the end of the file\n",
                    static_cast<unsigned long long>(covered - 1));
    } else if (!ChecksumOf(fd, covered, &computed)) {
        close(fd);
        return Fail(FileError(path, errno ? errno : EIO));
    } else {
        std::printf("  computed:      %s over bytes 0..%llu (%s)\n", Hex(computed).c_str(),
                    static_cast<unsigned long long>(covered - 1),
                    computed == info.checksum ? "matches" : "differs from the stored checksum");
    }
    close(fd);
    return kExitSuccess;
}

}  // namespace pack
