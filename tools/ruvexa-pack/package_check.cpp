// The worker's checks, in the worker's order, over the program's own
// pre-verification, section copy and CRC-32.
#include "package_check.h"

#include <cstdio>
#include <vector>

#include "crc32.h"
#include "device_path.h"
#include "extract_codes.h"
#include "messages.h"
#include "extract_section.h"
#include "package_constants.h"
#include "preverify.h"
#include "ruvexa_host.h"

namespace pack {
namespace {

std::string PreVerifyReason(DWORD index, const PackageInfo& info, DWORD fileSize) {
    switch (index) {
    case kExtractOpenPackage:
        return "the package cannot be opened";
    case kExtractReadHead:
        return "the head (the first 8 bytes) cannot be read";
    case kExtractBadSignature:
        return fileSize < sizeof(kPackageSignatureBytes)
                   ? "the file is too short (" + std::to_string(fileSize) + " bytes) to hold the signature \"3-VO\""
                   : "the file does not start with the signature \"3-VO\" (bytes 33 2D 56 4F)";
    case kExtractPointTail:
        return "the file is too short (" + std::to_string(fileSize) + " bytes) to hold the 16-byte tail";
    case kExtractReadTail:
        return "the tail (the last 16 bytes) cannot be read";
    case kExtractPointExe:
        return "the read position cannot be moved to the exe section";
    case kExtractWrongDataSize:
        return "data_size in the head (" + std::to_string(info.data_size) +
               ") differs from exe_size + images_size + fonts_size in the tail (" +
               std::to_string(static_cast<DWORD>(info.exe_size + info.images_size + info.fonts_size)) + ")";
    case kExtractWrongFileSize:
        return "the file is " + std::to_string(fileSize) + " bytes long, but data_size + 24 is " +
               std::to_string(static_cast<DWORD>(info.data_size + kPackageFrameSize));
    }
    return "pre-verification failed";
}

struct Section {
    const char* name;
    DWORD size;
    const std::wstring* output;  // null: read only
    DWORD emptyIndex;            // ExtractFailure when the size is 0, or kExtractFailureCount if optional
    DWORD createIndex;
    DWORD copyIndex;
};

// Reads `count` bytes from the package into the accumulator, 1 MiB at a time.
bool ReadSection(HANDLE package, DWORD count, DWORD* crc) {
    std::vector<BYTE> buffer(kTransferBufferSize);
    while (count > 0) {
        DWORD chunk = count < kTransferBufferSize ? count : kTransferBufferSize;
        DWORD bytesRead = 0;
        if (!ReadFile(package, buffer.data(), chunk, &bytesRead, nullptr) || bytesRead != chunk) return false;
        Crc32Update(crc, buffer.data(), chunk);
        count -= chunk;
    }
    return true;
}

class Checker {
public:
    Checker(const std::wstring& packagePath, const SectionFiles* outputs)
        : packagePath_(packagePath), outputs_(outputs) {}

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
        const Section sections[] = {
            {"exe", info.exe_size, outputs_ ? &outputs_->exe : nullptr, kExtractNoExe, kExtractCreateExe,
             kExtractCopyExe},
            {"images", info.images_size, outputs_ ? &outputs_->images : nullptr, kExtractNoImages,
             kExtractCreateImages, kExtractCopyImages},
            {"fonts", info.fonts_size, outputs_ ? &outputs_->fonts : nullptr, kExtractFailureCount,
             kExtractCreateFonts, kExtractCopyFonts},
        };
        for (const Section& section : sections) {
            if (section.size == 0) {
                if (section.emptyIndex == kExtractFailureCount) continue;
                result.failureIndex = section.emptyIndex;
                result.reason = std::string(section.name) + "_size is 0: the package has no " + section.name +
                                " section, which the device requires";
                return result;
            }
            if (!PassSection(section, &crc, &result)) return result;
        }
        Crc32Final(&crc);
        result.computedChecksum = crc;
        if (crc != info.checksum) {
            result.failureIndex = kExtractBadChecksum;
            result.reason = "the checksum computed over head and sections is " + Hex(crc) + ", the tail holds " +
                            Hex(info.checksum) + ": the data changed after the package was built";
            return result;
        }
        result.ok = true;
        return result;
    }

    bool PassSection(const Section& section, DWORD* crc, CheckResult* result) {
        // Sizes that add up only past 4 GiB pass the length check, and a
        // section then runs past the end of the file.
        DWORD position = SetFilePointer(package_, 0, nullptr, FILE_CURRENT);
        DWORD fileSize = GetFileSize(package_, nullptr);
        if (position > fileSize || fileSize - position < section.size) {
            result->failureIndex = section.copyIndex;
            result->reason = std::string("the file ends inside the ") + section.name + " section of " +
                             std::to_string(section.size) + " bytes (the sizes add up only past 4 GiB)";
            return false;
        }
        if (!section.output) {
            if (ReadSection(package_, section.size, crc)) return true;
            result->failureIndex = section.copyIndex;
            result->reason = std::string("the package cannot be read: ") + Win32ErrorText(GetLastError());
            result->hostFileProblem = true;
            return false;
        }
        const std::wstring& path = *section.output;
        HANDLE output =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            result->failureIndex = section.createIndex;
            result->hostFileProblem = true;
            result->reason = "cannot create '" + ShownHostPath(path) + "': " + Win32ErrorText(GetLastError());
            return false;
        }
        written_.push_back(path);
        BOOL copied = ExtractSection(output, package_, section.size, crc);
        DWORD copyError = GetLastError();
        BOOL closed = CloseHandle(output);
        if (!copied || !closed) {
            result->failureIndex = section.copyIndex;
            result->hostFileProblem = true;
            result->reason = std::string("cannot copy the ") + section.name + " section to '" + ShownHostPath(path) +
                             "': " + Win32ErrorText(copied ? GetLastError() : copyError);
            return false;
        }
        return true;
    }

    std::wstring packagePath_;
    const SectionFiles* outputs_;
    HANDLE package_ = INVALID_HANDLE_VALUE;
    std::vector<std::wstring> written_;
};

}  // namespace

CheckResult CheckPackage(const std::wstring& packagePath) {
    return Checker(packagePath, nullptr).Run();
}

CheckResult ExtractPackage(const std::wstring& packagePath, const SectionFiles& outputs) {
    return Checker(packagePath, &outputs).Run();
}

std::string FailureCodeText(DWORD failureIndex) {
    LPCWSTR code = ExtractFailureCode(failureIndex);
    return code ? host::WideToUtf8(code) : "Err??";
}

}  // namespace pack
