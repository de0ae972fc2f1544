// `ruvexa-pack inspect`: the raw fields of a package and what they imply,
// shown also for a damaged file so that its fault can be seen, then the
// verdict; as text or as one JSON object.
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
#include "device_names.h"
#include "messages.h"
#include "package_constants.h"
#include "package_info.h"
#include "signature_format.h"
#include "signing_keys.h"

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
    std::vector<BYTE> buffer(kSectionBufferSize);
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

struct Section {
    const char* name;
    uint64_t offset;
    uint64_t size;
};

// What inspect finds in a package, printed as text or as JSON.
struct Report {
    std::string path;
    uint64_t length = 0;
    size_t headBytes = 0;
    std::string signatureText;
    bool signatureValid = false;
    bool hasTail = false;
    PackageInfo info{};
    uint64_t sum = 0;             // exe_size + images_size + fonts_size
    uint64_t expectedLength = 0;  // data_size + 24
    std::vector<Section> sections;
    uint64_t covered = 0;  // bytes under the checksum
    bool computed = false;
    DWORD computedChecksum = 0;
    std::vector<std::string> problems;  // empty: sound
    // The signature file beside the package, which only a device with a
    // trusted key asks for; it does not change the verdict on the package.
    std::string signaturePath;
    bool signaturePresent = false;
    bool signatureWellFormed = false;
    std::string signatureKeyId;
};

// Looks at PATH.SIG: present, and if so whether it is a signature file and
// which key id it names. Whether the signature is valid takes the key:
// `verify --key` checks that.
void ReadSignatureFile(Report* report) {
    report->signaturePath = report->path + HostText(kSignatureSuffix);
    int fd = open(report->signaturePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    report->signaturePresent = true;
    BYTE bytes[kSignatureFileSize + 1];
    size_t count = ReadAt(fd, 0, bytes, sizeof(bytes));
    close(fd);
    SignatureFile signature;
    report->signatureWellFormed = DecodeSignatureFile(bytes, static_cast<DWORD>(count), &signature);
    if (report->signatureWellFormed) report->signatureKeyId = KeyIdText(signature.key_id);
}

std::string SignatureLine(const Report& report) {
    if (!report.signaturePresent) return "none (no '" + report.signaturePath + "')";
    if (!report.signatureWellFormed) return "'" + report.signaturePath + "' is not a signature file";
    return "'" + report.signaturePath + "', key id " + report.signatureKeyId + " (verify --key checks it)";
}

void FindProblems(Report* report) {
    auto& problems = report->problems;
    const PackageInfo& info = report->info;
    if (!report->signatureValid) problems.push_back("the signature is not \"3-VO\"");
    if (!report->hasTail) {
        problems.push_back("the file is shorter than its 16-byte tail");
        return;
    }
    if (report->sum != info.data_size) problems.push_back("the section sizes do not add up to data_size");
    if (report->expectedLength != report->length) problems.push_back("data_size + 24 differs from the file length");
    if (info.exe_size == 0) problems.push_back("the exe section is empty");
    if (info.images_size == 0) problems.push_back("the images section is empty");
    if (!report->computed) {
        problems.push_back("the checksum cannot be computed: the data runs past the end of the file");
    } else if (report->computedChecksum != info.checksum) {
        problems.push_back("the computed checksum differs from the stored one");
    }
}

std::string Verdict(const Report& report) {
    if (report.problems.empty()) return "sound";
    std::string text = "damaged: ";
    for (size_t i = 0; i < report.problems.size(); ++i) text += (i ? "; " : "") + report.problems[i];
    return text;
}

void PrintText(const Report& report) {
    const PackageInfo& info = report.info;
    std::printf("file:            %s\n", report.path.c_str());
    std::printf("length:          %llu bytes\n", static_cast<unsigned long long>(report.length));
    std::printf("head:%s\n", report.headBytes < kPackageHeadSize ? " (incomplete: the file is shorter than 8 bytes)" : "");
    std::printf("  signature:     %s \"%s\" (%s)\n", Hex(info.signature).c_str(), report.signatureText.c_str(),
                report.signatureValid ? "valid" : "expected 0x4F562D33 \"3-VO\"");
    std::printf("  data_size:     %u\n", info.data_size);
    if (!report.hasTail) {
        std::printf("tail:            none: the file is shorter than 16 bytes\n");
    } else {
        std::printf("tail:            (the last 16 bytes, at offset %llu)\n",
                    static_cast<unsigned long long>(report.length - kPackageTailSize));
        std::printf("  exe_size:      %u\n", info.exe_size);
        std::printf("  images_size:   %u\n", info.images_size);
        std::printf("  fonts_size:    %u\n", info.fonts_size);
        std::printf("  checksum:      %s\n", Hex(info.checksum).c_str());
        std::printf("sizes:           exe_size + images_size + fonts_size = %llu (%s data_size)\n",
                    static_cast<unsigned long long>(report.sum), report.sum == info.data_size ? "equals" : "differs from");
        std::printf("length check:    data_size + 24 = %llu (%s the file length)\n",
                    static_cast<unsigned long long>(report.expectedLength),
                    report.expectedLength == report.length ? "equals" : "differs from");
        std::printf("sections:\n");
        for (const Section& section : report.sections) {
            std::printf("  %-8s offset %llu, size %llu\n", section.name, static_cast<unsigned long long>(section.offset),
                        static_cast<unsigned long long>(section.size));
        }
        std::printf("checksum:\n");
        std::printf("  stored:        %s\n", Hex(info.checksum).c_str());
        if (!report.computed) {
            std::printf("  computed:      not computed: bytes 0..%llu lie beyond the end of the file\n",
                        static_cast<unsigned long long>(report.covered - 1));
        } else {
            std::printf("  computed:      %s over bytes 0..%llu (%s)\n", Hex(report.computedChecksum).c_str(),
                        static_cast<unsigned long long>(report.covered - 1),
                        report.computedChecksum == info.checksum ? "matches" : "differs from the stored checksum");
        }
    }
    std::printf("signature:       %s\n", SignatureLine(report).c_str());
    std::printf("verdict:         %s\n", Verdict(report).c_str());
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

void PrintJson(const Report& report) {
    const PackageInfo& info = report.info;
    std::string json = "{\"file\":" + JsonString(report.path) + ",\"length\":" + std::to_string(report.length) +
                       ",\"head\":{\"complete\":" + (report.headBytes == kPackageHeadSize ? "true" : "false") +
                       ",\"signature\":" + JsonString(Hex(info.signature)) +
                       ",\"signature_valid\":" + (report.signatureValid ? "true" : "false") +
                       ",\"data_size\":" + std::to_string(info.data_size) + "},\"tail\":";
    if (!report.hasTail) {
        json += "null,\"sections\":[],\"checksum\":null";
    } else {
        json += "{\"offset\":" + std::to_string(report.length - kPackageTailSize) +
                ",\"exe_size\":" + std::to_string(info.exe_size) +
                ",\"images_size\":" + std::to_string(info.images_size) +
                ",\"fonts_size\":" + std::to_string(info.fonts_size) + ",\"checksum\":" + JsonString(Hex(info.checksum)) +
                "},\"sections\":[";
        for (size_t i = 0; i < report.sections.size(); ++i) {
            const Section& section = report.sections[i];
            json += std::string(i ? "," : "") + "{\"name\":" + JsonString(section.name) +
                    ",\"offset\":" + std::to_string(section.offset) + ",\"size\":" + std::to_string(section.size) + "}";
        }
        json += "],\"checksum\":{\"stored\":" + JsonString(Hex(info.checksum)) + ",\"computed\":" +
                (report.computed ? JsonString(Hex(report.computedChecksum)) : "null") +
                ",\"covered_bytes\":" + std::to_string(report.covered) + "}";
    }
    json += ",\"signature\":";
    if (!report.signaturePresent) {
        json += "null";
    } else {
        json += "{\"file\":" + JsonString(report.signaturePath) + ",\"well_formed\":" +
                (report.signatureWellFormed ? "true" : "false") + ",\"key_id\":" +
                (report.signatureWellFormed ? JsonString(report.signatureKeyId) : "null") + "}";
    }
    json += ",\"verdict\":" + JsonString(report.problems.empty() ? "sound" : "damaged") + ",\"problems\":[";
    for (size_t i = 0; i < report.problems.size(); ++i) json += (i ? "," : "") + JsonString(report.problems[i]);
    json += "]}";
    std::printf("%s\n", json.c_str());
}

}  // namespace

int RunInspect(const Arguments& arguments) {
    Report report;
    report.path = arguments.packages.front();
    int fd = open(report.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(FileError(report.path, errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Fail("'" + report.path + "' is not a regular file");
    }
    report.length = static_cast<uint64_t>(st.st_size);

    // Read as the device does: the head from the front, the tail from the
    // end, missing bytes left zero.
    BYTE head[kPackageHeadSize] = {};
    BYTE tail[kPackageTailSize] = {};
    report.headBytes = ReadAt(fd, 0, head, sizeof(head));
    report.hasTail = report.length >= kPackageTailSize &&
                     ReadAt(fd, report.length - kPackageTailSize, tail, sizeof(tail)) == sizeof(tail);
    PackageInfo& info = report.info;
    DecodePackageHead(head, &info);
    DecodePackageTail(tail, &info);
    report.signatureText = SignatureText(head, std::min<size_t>(report.headBytes, 4));
    report.signatureValid = report.headBytes >= 4 && info.signature == kPackageSignature;
    report.sum = uint64_t{info.exe_size} + info.images_size + info.fonts_size;
    report.expectedLength = uint64_t{info.data_size} + kPackageFrameSize;
    report.sections = {
        {"exe", kExeSectionOffset, info.exe_size},
        {"images", uint64_t{kExeSectionOffset} + info.exe_size, info.images_size},
        {"fonts", uint64_t{kExeSectionOffset} + info.exe_size + info.images_size, info.fonts_size},
        {"tail", uint64_t{kPackageHeadSize} + info.data_size, kPackageTailSize},
    };
    report.covered = uint64_t{kPackageHeadSize} + info.data_size;
    if (report.hasTail && report.covered <= report.length) {
        if (!ChecksumOf(fd, report.covered, &report.computedChecksum)) {
            close(fd);
            return Fail(FileError(report.path, errno ? errno : EIO));
        }
        report.computed = true;
    }
    close(fd);
    FindProblems(&report);
    ReadSignatureFile(&report);
    if (arguments.json) {
        PrintJson(report);
    } else {
        PrintText(report);
    }
    return report.problems.empty() ? kExitSuccess : kExitFailure;
}

}  // namespace pack
