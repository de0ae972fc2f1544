// `ruvexa-pack inspect`: the raw fields of a package and what they imply,
// shown also for a damaged file so that its fault can be seen, then the
// verdict; as text or as one JSON object.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "counts.h"
#include "crc32.h"
#include "delta_archive.h"
#include "device_names.h"
#include "device_path.h"
#include "extract_section.h"
#include "host_file.h"
#include "messages.h"
#include "package_check.h"
#include "package_constants.h"
#include "package_info.h"
#include "package_sections.h"
#include "signature_format.h"
#include "signed_content.h"
#include "signing_keys.h"

namespace pack {
namespace {

// Members in the order they are set, as the README lists them.
using json = nlohmann::ordered_json;

std::string MagicText(const BYTE* bytes, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    return text;
}

// CRC-32 of the head and the `dataSize` bytes after it, read through the
// device layer as the device reads them; false with the reason when a read
// fails or comes up short.
bool ChecksumOf(const std::wstring& devicePath, DWORD dataSize, DWORD* crc, std::string* error) {
    HANDLE file = CreateFileW(devicePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    Crc32Init(crc);
    bool read = file != INVALID_HANDLE_VALUE && ExtractSection(nullptr, file, kPackageHeadSize, crc) &&
                ExtractSection(nullptr, file, dataSize, crc);
    if (!read) *error = "'" + ShownHostPath(devicePath) + "': " + Win32ErrorText(GetLastError());
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    Crc32Final(crc);
    return read;
}

struct Section {
    std::string name;
    uint64_t offset;
    uint64_t size;
};

// What inspect finds in a package, printed as text or as JSON.
struct Report {
    std::string path;
    uint64_t length = 0;
    size_t headBytes = 0;
    std::string magicText;
    bool magicValid = false;
    bool delta = false;  // a delta package's magic
    // A delta's manifests, when it is sound enough to read them.
    bool deltaRead = false;
    DeltaArchiveSummary deltaImages, deltaFonts;
    bool hasTail = false;
    PackageInfo info{};
    uint64_t sum = 0;             // exe_size + images_size + fonts_size
    uint64_t expectedLength = 0;  // data_size + 24
    std::vector<Section> sections;
    uint64_t covered = 0;  // bytes under the checksum
    bool computed = false;
    DWORD computedChecksum = 0;
    std::vector<std::string> problems;  // empty: sound
    std::string deviceCode;             // what the device shows for a damaged package, when known
    // The signature file beside the package, which only a device with a
    // trusted key asks for; it does not change the verdict on the package.
    std::string signaturePath;
    bool signaturePresent = false;
    bool signatureWellFormed = false;
    std::string signatureKeyId;
    DWORD signatureFormat = 0;
    DWORD securityVersion = 0;
    SignedContent content{};  // next keys and models, format 3 only
};

// Looks at PATH.SIG: present, and if so whether it is a signature file and
// which key id and security version it names. Whether the signature is
// valid takes the key: `verify --key` checks that.
void ReadSignatureFile(Report* report) {
    report->signaturePath = report->path + HostText(kSignatureSuffix);
    std::string bytes, error;
    std::error_code ignored;
    if (!std::filesystem::exists(report->signaturePath, ignored)) return;
    report->signaturePresent = true;
    if (!ReadSmallFile(report->signaturePath, kMaxSignatureFileSize + 1, &bytes, &error)) return;
    SignatureFile signature;
    report->signatureWellFormed = DecodeSignatureFile(reinterpret_cast<const BYTE*>(bytes.data()),
                                                      static_cast<DWORD>(bytes.size()), &signature);
    if (!report->signatureWellFormed) return;
    report->signatureKeyId = KeyIdText(signature.key_id);
    report->signatureFormat = signature.format;
    report->securityVersion = signature.security_version;
    report->content = signature.content;
}

std::string SignatureLine(const Report& report) {
    if (!report.signaturePresent) return "none (no '" + report.signaturePath + "')";
    if (!report.signatureWellFormed) return "'" + report.signaturePath + "' is not a signature file";
    return "'" + report.signaturePath + "', key id " + report.signatureKeyId + ", security version " +
           std::to_string(report.securityVersion) +
           (report.signatureFormat == kSignatureFormatVersion ? " (format 1)" : "") +
           SignedContentText(report.content) + " (verify --key checks it)";
}

void FindProblems(Report* report) {
    auto& problems = report->problems;
    const PackageInfo& info = report->info;
    if (!report->magicValid) problems.push_back("the magic is not \"3-VO\"");
    if (!report->hasTail) {
        problems.push_back(report->magicValid && report->headBytes == kPackageHeadSize
                               ? LengthProblem(info.data_size, report->length)
                               : "the file is shorter than its 16-byte tail");
        return;
    }
    // A file cut short or with bytes added has its tail read from where the
    // head does not put it: its fields are no problems of their own then.
    if (report->magicValid && report->expectedLength != report->length) {
        problems.push_back(LengthProblem(info.data_size, report->length));
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
    if (!report.deviceCode.empty()) text += " (the device shows " + report.deviceCode + ")";
    return text;
}

std::string SavedText(const DeltaArchiveSummary& archive) {
    return Counted(archive.carriedFiles, "file") + " carried, " + std::to_string(archive.takenFiles) +
           " taken from the device (" + Counted(archive.takenBytes, "byte") + " not carried)";
}

// What the delta carries and what it takes from the installed version.
void PrintDeltaText(const Report& report) {
    const DeltaArchiveSummary& images = report.deltaImages;
    std::printf("delta:           installs only over the version it was made from\n");
    if (images.exeKind == "patch") {
        std::printf("  exe:           a patch of %s for an executable of %s\n",
                    Counted(report.info.exe_size, "byte").c_str(), Counted(images.exeSize, "byte").c_str());
    } else {
        std::printf("  exe:           the whole executable, %s\n", Counted(report.info.exe_size, "byte").c_str());
    }
    std::printf("  images:        %s\n", SavedText(images).c_str());
    if (report.info.fonts_size > 0) std::printf("  fonts:         %s\n", SavedText(report.deltaFonts).c_str());
}

json DeltaJson(const DeltaArchiveSummary& archive) {
    return {{"carried_files", archive.carriedFiles}, {"taken_files", archive.takenFiles},
            {"taken_bytes", archive.takenBytes}};
}

void PrintText(const Report& report) {
    const PackageInfo& info = report.info;
    std::printf("file:            %s\n", report.path.c_str());
    std::printf("length:          %s\n", Counted(report.length, "byte").c_str());
    std::printf("head:%s\n", report.headBytes < kPackageHeadSize ? " (incomplete: the file is shorter than 8 bytes)" : "");
    std::printf("  magic:         %s \"%s\" (%s)\n", Hex(info.signature).c_str(), report.magicText.c_str(),
                report.magicValid ? (report.delta ? "valid, a delta package" : "valid")
                                  : "expected 0x4F562D33 \"3-VO\" or 0x44562D33 \"3-VD\"");
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
            std::printf("  %-8s offset %llu, size %llu\n", section.name.c_str(),
                        static_cast<unsigned long long>(section.offset), static_cast<unsigned long long>(section.size));
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
    if (report.deltaRead) PrintDeltaText(report);
    std::printf("signature:       %s\n", SignatureLine(report).c_str());
    std::printf("verdict:         %s\n", Verdict(report).c_str());
}

// One line; a file name that is not UTF-8 keeps its place with U+FFFD.
std::string Dumped(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

void PrintJson(const Report& report) {
    const PackageInfo& info = report.info;
    json out;
    out["file"] = report.path;
    out["length"] = report.length;
    out["head"] = {{"complete", report.headBytes == kPackageHeadSize},
                   {"magic", Hex(info.signature)},
                   {"magic_valid", report.magicValid},
                   {"data_size", info.data_size}};
    if (!report.hasTail) {
        out["tail"] = nullptr;
        out["sections"] = json::array();
        out["checksum"] = nullptr;
    } else {
        out["tail"] = {{"offset", report.length - kPackageTailSize},
                       {"exe_size", info.exe_size},
                       {"images_size", info.images_size},
                       {"fonts_size", info.fonts_size},
                       {"checksum", Hex(info.checksum)}};
        out["sections"] = json::array();
        for (const Section& section : report.sections) {
            out["sections"].push_back({{"name", section.name}, {"offset", section.offset}, {"size", section.size}});
        }
        out["checksum"] = {{"stored", Hex(info.checksum)},
                           {"computed", report.computed ? json(Hex(report.computedChecksum)) : json(nullptr)},
                           {"covered_bytes", report.covered}};
    }
    out["kind"] = report.delta ? "delta" : "full";
    out["delta"] = nullptr;
    if (report.deltaRead) {
        out["delta"] = {{"exe", {{"kind", report.deltaImages.exeKind}, {"size", report.deltaImages.exeSize}}},
                        {"images", DeltaJson(report.deltaImages)},
                        {"fonts", info.fonts_size > 0 ? DeltaJson(report.deltaFonts) : json(nullptr)}};
    }
    out["signature"] = nullptr;
    if (report.signaturePresent) {
        out["signature"] = {{"file", report.signaturePath},
                            {"well_formed", report.signatureWellFormed},
                            {"key_id", report.signatureWellFormed ? json(report.signatureKeyId) : json(nullptr)},
                            {"format", report.signatureWellFormed ? json(report.signatureFormat) : json(nullptr)},
                            {"security_version",
                             report.signatureWellFormed ? json(report.securityVersion) : json(nullptr)},
                            {"next_keys", report.signatureWellFormed ? json(NextKeyIds(report.content)) : json(nullptr)},
                            {"models", report.signatureWellFormed ? json(ModelNames(report.content)) : json(nullptr)}};
    }
    out["verdict"] = report.problems.empty() ? "sound" : "damaged";
    out["problems"] = report.problems;
    out["device_code"] = report.deviceCode.empty() ? json(nullptr) : json(report.deviceCode);
    std::printf("%s\n", Dumped(out).c_str());
}

// The code the device shows for the package, by its own checks; empty when
// it would accept it or the failure lies with the host file.
std::string DeviceCode(const std::wstring& devicePath, std::string* reason) {
    CheckResult check = CheckPackage(devicePath);
    if (check.ok || check.hostFileProblem) return "";
    *reason = check.reason;
    return FailureCodeText(check.failureIndex);
}

}  // namespace

int RunInspect(const Arguments& arguments) {
    Report report;
    report.path = arguments.packages.front();
    HostFile file;
    std::string error;
    // The device layer reads the sections, so it must be able to take the path.
    std::wstring devicePath;
    if (!file.OpenForReading(report.path, &error) || !OpenableDevicePath(report.path, &devicePath, &error)) {
        if (arguments.json) std::printf("%s\n", Dumped(json{{"file", report.path}, {"error", error}}).c_str());
        return Fail(error);
    }
    UseHostRootAsDevice();
    report.length = file.Size();

    // Read as the device does: the head from the front, the tail from the
    // end, missing bytes left zero.
    BYTE head[kPackageHeadSize] = {};
    BYTE tail[kPackageTailSize] = {};
    report.headBytes = file.ReadAt(0, head, sizeof(head));
    report.hasTail = report.length >= kPackageTailSize &&
                     file.ReadAt(report.length - kPackageTailSize, tail, sizeof(tail)) == sizeof(tail);
    PackageInfo& info = report.info;
    DecodePackageHead(head, &info);
    DecodePackageTail(tail, &info);
    report.magicText = MagicText(head, std::min<size_t>(report.headBytes, 4));
    report.delta = report.headBytes >= 4 && IsDeltaPackage(info);
    report.magicValid = report.headBytes >= 4 && (info.signature == kPackageSignature || report.delta);
    report.sum = uint64_t{info.exe_size} + info.images_size + info.fonts_size;
    report.expectedLength = uint64_t{info.data_size} + kPackageFrameSize;
    uint64_t offset = kExeSectionOffset;
    for (const PackageSection& section : kPackageSections) {
        report.sections.push_back({HostText(section.name), offset, info.*section.size});
        offset += info.*section.size;
    }
    report.covered = uint64_t{kPackageHeadSize} + info.data_size;
    report.sections.push_back({"tail", report.covered, kPackageTailSize});
    if (report.hasTail && report.covered <= report.length) {
        if (!ChecksumOf(devicePath, info.data_size, &report.computedChecksum, &error)) return Fail(error);
        report.computed = true;
    }
    FindProblems(&report);
    std::string deviceReason;
    report.deviceCode = DeviceCode(devicePath, &deviceReason);
    // The device's checks are the last word: what they find is a problem too.
    if (report.problems.empty() && !report.deviceCode.empty()) report.problems.push_back(deviceReason);
    if (report.problems.empty()) report.deviceCode.clear();
    if (report.problems.empty() && report.delta) {
        const ArchiveWindow images{report.path, ImagesSectionOffset(info), info.images_size};
        const ArchiveWindow fonts{report.path, FontsSectionOffset(info), info.fonts_size};
        report.deltaRead = ReadDeltaSummary(images, &report.deltaImages, &error) &&
                           (info.fonts_size == 0 || ReadDeltaSummary(fonts, &report.deltaFonts, &error));
        if (!report.deltaRead) report.problems.push_back(error);
    }
    ReadSignatureFile(&report);
    if (arguments.json) {
        PrintJson(report);
    } else {
        PrintText(report);
    }
    return report.problems.empty() ? kExitSuccess : kExitFailure;
}

}  // namespace pack
