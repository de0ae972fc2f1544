// The device's own extraction, run as the worker runs it, and its failures
// worded for the tool's user.
#include "package_check.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "counts.h"
#include "device_names.h"
#include "device_path.h"
#include "extract_codes.h"
#include "extract_package.h"
#include "messages.h"
#include "package_constants.h"
#include "package_sections.h"
#include "program_log.h"
#include "ruvexa_host.h"
#include "signature_check.h"
#include "signing_keys.h"

namespace pack {
namespace {

// Past the magic, a file whose length is not the head's says what happened
// to it better than the first check its tail then fails: the tail it read
// lies where the head does not put it, and its sizes mean nothing.
bool FailsOnLength(ExtractFailure index) {
    return index == ExtractFailure::kPointTail || index == ExtractFailure::kReadTail ||
           index == ExtractFailure::kWrongDataSize || index == ExtractFailure::kWrongFileSize;
}

std::string PreVerifyReason(ExtractFailure index, const PackageInfo& info, DWORD fileSize) {
    if (FailsOnLength(index)) {
        const std::string problem = LengthProblem(info.data_size, fileSize);
        if (!problem.empty()) return problem;
    }
    switch (index) {
    case ExtractFailure::kOpenPackage:
        return "the package cannot be opened";
    case ExtractFailure::kReadHead:
        return "the head (the first 8 bytes) cannot be read";
    case ExtractFailure::kBadSignature:
        return fileSize < sizeof(kPackageSignatureBytes)
                   ? "the file is too short (" + Counted(fileSize, "byte") + ") to hold the magic \"3-VO\""
                   : "the file does not start with the magic \"3-VO\" (bytes 33 2D 56 4F)";
    case ExtractFailure::kPointTail:
        return "the file is too short (" + Counted(fileSize, "byte") + ") to hold the 16-byte tail";
    case ExtractFailure::kReadTail:
        return "the tail (the last 16 bytes) cannot be read";
    case ExtractFailure::kPointExe:
        return "the read position cannot be moved to the exe section";
    case ExtractFailure::kWrongDataSize:
        return "data_size in the head (" + std::to_string(info.data_size) +
               ") differs from exe_size + images_size + fonts_size in the tail (" +
               std::to_string(static_cast<DWORD>(info.exe_size + info.images_size + info.fonts_size)) + ")";
    case ExtractFailure::kWrongFileSize:
        return "the file is " + Counted(fileSize, "byte") + " long, but data_size + 24 is " +
               std::to_string(static_cast<DWORD>(info.data_size + kPackageFrameSize));
    // Not steps of pre-verification.
    case ExtractFailure::kNoUpgradeFile:
    case ExtractFailure::kBadChecksum:
    case ExtractFailure::kDeleteExe:
    case ExtractFailure::kCreateExe:
    case ExtractFailure::kCopyExe:
    case ExtractFailure::kNoExe:
    case ExtractFailure::kDeleteImages:
    case ExtractFailure::kCreateImages:
    case ExtractFailure::kCopyImages:
    case ExtractFailure::kNoImages:
    case ExtractFailure::kDeleteFonts:
    case ExtractFailure::kCreateFonts:
    case ExtractFailure::kCopyFonts:
    case ExtractFailure::kUntrustedPackage:
        break;
    }
    return "pre-verification failed";
}

// "the trusted key ID" or "a trusted key (ID, ID)".
std::string TrustedKeysText(const TrustedKeys& keys) {
    if (keys.count == 1) return "the trusted key " + KeyIdText(keys.keys[0].key_id);
    std::string text = "a trusted key (";
    for (DWORD i = 0; i < keys.count; ++i) text += (i ? ", " : "") + KeyIdText(keys.keys[i].key_id);
    return text + ")";
}

// Why the device would refuse the package's signature; the key file's own
// problems are the user's host file problems and are worded apart.
std::string SignatureReason(const SignatureCheck& check) {
    const std::string file = "'" + ShownHostPath(check.signature_file) + "'";
    switch (check.problem) {
    case kSignatureMissing:
        return "there is no signature " + file + " beside the package";
    case kSignatureUnreadable:
        return "the signature " + file + " cannot be read";
    case kSignatureMalformed:
        return file + " is not a signature file";
    case kSignatureOfAnotherKey:
        return file + " is a signature by key id " + KeyIdText(check.signature.key_id) + ", not by " +
               TrustedKeysText(check.trusted);
    case kSignatureInvalid:
        return file + " does not sign this package: the package changed after it was signed, or the signature "
               "belongs to another package";
    case kSignatureUnavailable:
        return "the signature library cannot start";
    case kSignatureForAnotherModel:
        return file + " names models, and not the device's";
    case kTrustedKeyUnreadable:
    case kTrustedKeyInvalid:
    case kSignatureTrusted:
        break;
    }
    return "the signature is refused";
}

// Why the device would refuse the package, in plain English, from the
// failure and what the extraction learned before it.
class Wording {
public:
    Wording(const ExtractionReport& report, const SectionFiles* outputs, const std::wstring& trustedKey)
        : report_(report), outputs_(outputs), trustedKey_(trustedKey) {}

    void Word(ExtractFailure failure, CheckResult* result) const {
        const PackageInfo& info = report_.package;
        if (failure == ExtractFailure::kBadChecksum) {
            result->reason = "the checksum computed over head and sections is " + Hex(report_.computed_checksum) +
                             ", the tail holds " + Hex(info.checksum) + ": the data changed after the package was built";
            return;
        }
        if (failure == ExtractFailure::kUntrustedPackage) return WordSignature(result);
        for (DWORD i = 0; i < kPackageSectionCount; ++i) {
            if (WordSection(i, failure, result)) return;
        }
        result->reason = PreVerifyReason(failure, info, report_.package_size);
    }

private:
    // A failure of section `index`'s own steps; false for any other.
    bool WordSection(DWORD index, ExtractFailure failure, CheckResult* result) const {
        const PackageSection& section = kPackageSections[index];
        const std::string name = HostText(section.name);
        const DWORD size = report_.package.*section.size;
        if (section.emptyIndex && failure == *section.emptyIndex) {
            result->reason = name + "_size is 0: the package has no " + name + " section, which the device requires";
            return true;
        }
        if (failure == section.createIndex || failure == section.deleteIndex) {
            result->hostFileProblem = true;
            result->reason = "cannot create '" + Shown(outputs_->paths[index]) + "': " + Win32ErrorText(report_.error);
            return true;
        }
        if (failure != section.copyIndex) return false;
        // Sizes that add up only past 4 GiB pass the length check, and a
        // section then runs past the end of the file.
        if (SectionOffset(index) + size > report_.package_size) {
            result->reason = "the file ends inside the " + name + " section of " + std::to_string(size) +
                             " bytes (the sizes add up only past 4 GiB)";
            return true;
        }
        result->hostFileProblem = true;
        if (!outputs_) {
            result->reason = std::string("the package cannot be read: ") + Win32ErrorText(report_.error);
        } else {
            result->reason = "cannot copy the " + name + " section to '" + Shown(outputs_->paths[index]) +
                             "': " + Win32ErrorText(report_.error);
        }
        return true;
    }

    uint64_t SectionOffset(DWORD index) const {
        uint64_t offset = kExeSectionOffset;
        for (DWORD i = 0; i < index; ++i) offset += report_.package.*kPackageSections[i].size;
        return offset;
    }

    // A key file that is missing or no key file is the user's file problem,
    // not the package's.
    void WordSignature(CheckResult* result) const {
        const SignatureCheck& signature = report_.signature;
        const std::string keyFile = "'" + ShownHostPath(trustedKey_) + "'";
        result->hostFileProblem = !signature.required || signature.problem == kTrustedKeyUnreadable ||
                                  signature.problem == kTrustedKeyInvalid;
        if (!signature.required) {
            result->reason = "cannot read " + keyFile + ": " + Win32ErrorText(ERROR_FILE_NOT_FOUND);
        } else if (signature.problem == kTrustedKeyUnreadable) {
            result->reason = "cannot read " + keyFile;
        } else if (signature.problem == kTrustedKeyInvalid) {
            result->reason = KeyKindMixUp(ShownHostPath(trustedKey_), false);
            if (result->reason.empty()) result->reason = keyFile + " is not a public key file written by ruvexa-pack keygen";
        } else {
            result->reason = SignatureReason(signature);
        }
    }

    std::string Shown(const std::wstring& path) const {
        if (outputs_->shownFolder.empty()) return ShownHostPath(path);
        return (std::filesystem::path(outputs_->shownFolder) / host::WideToUtf8(path.substr(path.rfind(L'\\') + 1)))
            .string();
    }

    const ExtractionReport& report_;
    const SectionFiles* outputs_;
    std::wstring trustedKey_;
};

// The device's own log line is shown beside the reason where it says more:
// for pre-verification and the signature. The sections' and the checksum's
// lines only restate the reason.
bool ShowsDeviceLine(ExtractFailure failure) {
    if (failure == ExtractFailure::kUntrustedPackage) return true;
    for (const PackageSection& section : kPackageSections) {
        if (failure == section.createIndex || failure == section.deleteIndex || failure == section.copyIndex ||
            (section.emptyIndex && failure == *section.emptyIndex)) {
            return false;
        }
    }
    return failure != ExtractFailure::kBadChecksum;
}

// Runs the device's extraction. Beyond what the device does, a failure
// removes the failing section's own output too: the tool leaves no part of
// a section behind.
CheckResult Check(const std::wstring& packagePath, const SectionFiles* outputs, const std::wstring& trustedKey) {
    ProgramLog log;
    SectionOutputs files = {{}, false};
    for (DWORD i = 0; outputs && i < kPackageSectionCount; ++i) files.files[i] = outputs->paths[i].c_str();
    const ExtractionRequest request = {packagePath.c_str(), outputs ? &files : nullptr,
                                       trustedKey.empty() ? nullptr : trustedKey.c_str(), !trustedKey.empty(), false,
                                       nullptr};
    ExtractionReport report;
    const std::optional<ExtractFailure> failure = ExtractPackageSections(request, &report);
    CheckResult result;
    result.info = report.package;
    result.computedChecksum = report.computed_checksum;
    if (!failure) {
        result.ok = true;
        result.securityVersion = report.signature.signature.security_version;
        result.signedContent = report.signature.signature.content;
        return result;
    }
    result.failureIndex = *failure;
    Wording(report, outputs, trustedKey).Word(*failure, &result);
    if (ShowsDeviceLine(*failure)) result.programLine = log.LastFailureLine();
    for (DWORD i = 0; outputs && i < kPackageSectionCount; ++i) {
        if (*failure == kPackageSections[i].copyIndex) DeleteFileW(outputs->paths[i].c_str());
    }
    return result;
}

}  // namespace

CheckResult CheckPackage(const std::wstring& packagePath, const std::wstring& trustedKey) {
    return Check(packagePath, nullptr, trustedKey);
}

CheckResult ExtractPackage(const std::wstring& packagePath, const SectionFiles& outputs,
                           const std::wstring& trustedKey) {
    return Check(packagePath, &outputs, trustedKey);
}

SectionFiles SectionFilesIn(const std::wstring& folder, const std::string& shownFolder) {
    SectionFiles files;
    files.shownFolder = shownFolder;
    for (DWORD i = 0; i < kPackageSectionCount; ++i) files.paths[i] = folder + L"\\" + kSectionFileNames[i];
    return files;
}

std::string LengthProblem(uint64_t dataSize, uint64_t fileLength) {
    const uint64_t implied = dataSize + kPackageFrameSize;
    if (implied == fileLength) return "";
    const std::string lengths = " (the head says the package is " + Counted(implied, "byte") + " long, the file is " +
                                Counted(fileLength, "byte") + ")";
    if (implied > fileLength) {
        return "the file is incomplete: " + Counted(implied - fileLength, "byte") + " missing" + lengths;
    }
    return "the file has " + Counted(fileLength - implied, "byte") + " after the tail" + lengths;
}

std::string FailureCodeText(ExtractFailure failureIndex) { return host::WideToUtf8(FailureCode(failureIndex)); }

}  // namespace pack
