// The worker's checks, in the worker's order, over the program's own
// pre-verification, section copy and CRC-32.
#include "package_check.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "crc32.h"
#include "device_names.h"
#include "device_path.h"
#include "extract_codes.h"
#include "extract_section.h"
#include "messages.h"
#include "package_constants.h"
#include "package_sections.h"
#include "preverify.h"
#include "program_log.h"
#include "ruvexa_host.h"
#include "signature_check.h"
#include "signing_keys.h"

namespace pack {
namespace {

std::string PreVerifyReason(ExtractFailure index, const PackageInfo& info, DWORD fileSize) {
    switch (index) {
    case ExtractFailure::kOpenPackage:
        return "the package cannot be opened";
    case ExtractFailure::kReadHead:
        return "the head (the first 8 bytes) cannot be read";
    case ExtractFailure::kBadSignature:
        return fileSize < sizeof(kPackageSignatureBytes)
                   ? "the file is too short (" + std::to_string(fileSize) + " bytes) to hold the magic \"3-VO\""
                   : "the file does not start with the magic \"3-VO\" (bytes 33 2D 56 4F)";
    case ExtractFailure::kPointTail:
        return "the file is too short (" + std::to_string(fileSize) + " bytes) to hold the 16-byte tail";
    case ExtractFailure::kReadTail:
        return "the tail (the last 16 bytes) cannot be read";
    case ExtractFailure::kPointExe:
        return "the read position cannot be moved to the exe section";
    case ExtractFailure::kWrongDataSize:
        return "data_size in the head (" + std::to_string(info.data_size) +
               ") differs from exe_size + images_size + fonts_size in the tail (" +
               std::to_string(static_cast<DWORD>(info.exe_size + info.images_size + info.fonts_size)) + ")";
    case ExtractFailure::kWrongFileSize:
        return "the file is " + std::to_string(fileSize) + " bytes long, but data_size + 24 is " +
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
        return file + " is a signature by key id " + KeyIdText(check.signature.key_id) + ", not by the trusted key " +
               KeyIdText(check.key.key_id);
    case kSignatureInvalid:
        return file + " does not sign this package: the package changed after it was signed, or the signature "
               "belongs to another package";
    case kSignatureUnavailable:
        return "the signature library cannot start";
    case kTrustedKeyUnreadable:
    case kTrustedKeyInvalid:
    case kSignatureTrusted:
        break;
    }
    return "the signature is refused";
}

class Checker {
public:
    Checker(const std::wstring& packagePath, const SectionFiles* outputs, const std::wstring& trustedKey)
        : packagePath_(packagePath), outputs_(outputs), trustedKey_(trustedKey) {}

    CheckResult Run() {
        ProgramLog log;
        CheckResult result = RunSteps();
        if (package_ != INVALID_HANDLE_VALUE) CloseHandle(package_);
        if (!result.ok) {
            result.programLine = log.LastFailureLine();
            for (const std::wstring& path : written_) DeleteFileW(path.c_str());
        }
        return result;
    }

private:
    CheckResult RunSteps() {
        CheckResult result;
        DWORD crc = 0;
        if (!PreVerifyPackage(packagePath_.c_str(), &package_, &result.info, &crc, &result.failureIndex)) {
            DWORD fileSize = package_ != INVALID_HANDLE_VALUE ? GetFileSize(package_, nullptr) : 0;
            result.reason = PreVerifyReason(result.failureIndex, result.info, fileSize);
            return result;
        }
        const PackageInfo& info = result.info;
        if (!trustedKey_.empty() && !StartSignature(&result)) return result;
        for (DWORD i = 0; i < kPackageSectionCount; ++i) {
            const PackageSection& section = kPackageSections[i];
            const std::string name = HostText(section.name);
            if (info.*section.size == 0) {
                if (IsOptional(section)) continue;
                result.failureIndex = *section.emptyIndex;
                result.reason = name + "_size is 0: the package has no " + name + " section, which the device requires";
                return result;
            }
            if (!PassSection(section, outputs_ ? &outputs_->paths[i] : nullptr, &crc, &result)) return result;
        }
        Crc32Final(&crc);
        result.computedChecksum = crc;
        if (crc != info.checksum) {
            result.failureIndex = ExtractFailure::kBadChecksum;
            result.reason = "the checksum computed over head and sections is " + Hex(crc) + ", the tail holds " +
                            Hex(info.checksum) + ": the data changed after the package was built";
            return result;
        }
        if (!FinishSignatureCheck(&signature_, info)) {
            result.failureIndex = ExtractFailure::kUntrustedPackage;
            result.reason = SignatureReason(signature_);
            return result;
        }
        result.securityVersion = signature_.signature.security_version;
        result.ok = true;
        return result;
    }

    // `output` null: the section is only read.
    bool PassSection(const PackageSection& section, const std::wstring* output, DWORD* crc, CheckResult* result) {
        const std::string name = HostText(section.name);
        const DWORD size = result->info.*section.size;
        // Sizes that add up only past 4 GiB pass the length check, and a
        // section then runs past the end of the file.
        DWORD position = SetFilePointer(package_, 0, nullptr, FILE_CURRENT);
        DWORD fileSize = GetFileSize(package_, nullptr);
        if (position > fileSize || fileSize - position < size) {
            result->failureIndex = section.copyIndex;
            result->reason = "the file ends inside the " + name + " section of " + std::to_string(size) +
                             " bytes (the sizes add up only past 4 GiB)";
            return false;
        }
        if (!output) {
            if (ExtractSection(nullptr, package_, size, crc, SignatureState(&signature_))) return true;
            result->failureIndex = section.copyIndex;
            result->reason = std::string("the package cannot be read: ") + Win32ErrorText(GetLastError());
            result->hostFileProblem = true;
            return false;
        }
        const std::wstring& path = *output;
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            result->failureIndex = section.createIndex;
            result->hostFileProblem = true;
            result->reason = "cannot create '" + Shown(path) + "': " + Win32ErrorText(GetLastError());
            return false;
        }
        written_.push_back(path);
        BOOL copied = ExtractSection(file, package_, size, crc, SignatureState(&signature_));
        DWORD copyError = GetLastError();
        BOOL closed = CloseHandle(file);
        if (!copied || !closed) {
            result->failureIndex = section.copyIndex;
            result->hostFileProblem = true;
            result->reason = "cannot copy the " + name + " section to '" + Shown(path) +
                             "': " + Win32ErrorText(copied ? GetLastError() : copyError);
            return false;
        }
        return true;
    }

    std::string Shown(const std::wstring& path) const {
        if (outputs_->shownFolder.empty()) return ShownHostPath(path);
        return (std::filesystem::path(outputs_->shownFolder) / host::WideToUtf8(path.substr(path.rfind(L'\\') + 1)))
            .string();
    }

    // As the worker does right after pre-verification; a key file that is
    // missing or no key file is the user's file problem, not the package's.
    bool StartSignature(CheckResult* result) {
        if (StartSignatureCheck(trustedKey_.c_str(), packagePath_.c_str(), result->info, &signature_) &&
            signature_.required) {
            return true;
        }
        const std::string keyFile = "'" + ShownHostPath(trustedKey_) + "'";
        result->failureIndex = ExtractFailure::kUntrustedPackage;
        result->hostFileProblem = !signature_.required || signature_.problem == kTrustedKeyUnreadable ||
                                  signature_.problem == kTrustedKeyInvalid;
        if (!signature_.required) {
            result->reason = "cannot read " + keyFile + ": " + Win32ErrorText(ERROR_FILE_NOT_FOUND);
        } else if (signature_.problem == kTrustedKeyUnreadable) {
            result->reason = "cannot read " + keyFile;
        } else if (signature_.problem == kTrustedKeyInvalid) {
            result->reason = keyFile + " is not a public key file written by ruvexa-pack keygen";
        } else {
            result->reason = SignatureReason(signature_);
        }
        return false;
    }

    std::wstring packagePath_;
    const SectionFiles* outputs_;
    std::wstring trustedKey_;
    SignatureCheck signature_{};  // nothing required until a trusted key is read
    HANDLE package_ = INVALID_HANDLE_VALUE;
    std::vector<std::wstring> written_;
};

}  // namespace

CheckResult CheckPackage(const std::wstring& packagePath, const std::wstring& trustedKey) {
    return Checker(packagePath, nullptr, trustedKey).Run();
}

CheckResult ExtractPackage(const std::wstring& packagePath, const SectionFiles& outputs,
                           const std::wstring& trustedKey) {
    return Checker(packagePath, &outputs, trustedKey).Run();
}

SectionFiles SectionFilesIn(const std::wstring& folder, const std::string& shownFolder) {
    SectionFiles files;
    files.shownFolder = shownFolder;
    for (DWORD i = 0; i < kPackageSectionCount; ++i) files.paths[i] = folder + L"\\" + kSectionFileNames[i];
    return files;
}

std::string FailureCodeText(ExtractFailure failureIndex) { return host::WideToUtf8(FailureCode(failureIndex)); }

}  // namespace pack
