// ExtractPackageSections: pre-verification, the signature's start and the
// security floor, the sections in file order, the checksum, the signature's
// verdict; one exit for every failure, which cleans up behind it.
#include "extract_package.h"

#include "crc32.h"
#include "extract_section.h"
#include "file_helpers.h"
#include "log_line.h"
#include "logged_files.h"
#include "preverify.h"
#include "security_floor.h"

namespace {

class Extraction {
public:
    Extraction(const ExtractionRequest& request, ExtractionReport* report) : request_(request), report_(report) {}

    std::optional<ExtractFailure> Run() {
        *report_ = ExtractionReport{};
        std::optional<ExtractFailure> failure = Steps();
        if (failure && package_ != INVALID_HANDLE_VALUE) {
            CloseFileLogged(package_, request_.package_file);
            DeleteSections(sectionsDone_);
        }
        return failure;
    }

private:
    LPCWSTR OutputOf(DWORD index) const { return request_.outputs ? request_.outputs->files[index] : NULL; }

    std::optional<ExtractFailure> Steps() {
        DWORD crc = 0;
        ExtractFailure failure = ExtractFailure::kOpenPackage;
        PackageInfo& info = report_->package;
        const BOOL verified = PreVerifyPackage(request_.package_file, &package_, &info, &crc, &failure);
        if (package_ != INVALID_HANDLE_VALUE) report_->package_size = GetFileSize(package_, NULL);
        if (!verified) return failure;
        if (request_.progress) request_.progress->SetTotal(info.data_size);

        // Read before any section is written; the package stays open without
        // sharing until the verdict, so the bytes checked are the bytes used.
        SignatureCheck& signature = report_->signature;
        if (request_.trusted_key_file &&
            !StartSignatureCheck(request_.trusted_key_file, request_.package_file, info, &signature)) {
            return ExtractFailure::kUntrustedPackage;
        }
        if (request_.key_required && !signature.required) return ExtractFailure::kUntrustedPackage;
        // The version that counts is the one of the signature checked below:
        // a signature swapped since the refusal's look is held to the floor too.
        const DWORD floor = request_.hold_to_floor && signature.required ? ReadSecurityFloor() : 0;
        if (signature.signature.security_version < floor) {
            LogLine(L"ExtractThreadProc(): !!! Signature below security floor, security version=[%lu], floor=[%lu]",
                    signature.signature.security_version, floor);
            return ExtractFailure::kUntrustedPackage;
        }
        // As for the floor: the models that count are the checked signature's.
        if (request_.device_model && signature.required &&
            !IsForModel(signature.signature.content, request_.device_model)) {
            LogLine(L"ExtractThreadProc(): !!! Signature for another model, device model=[%s]", request_.device_model);
            signature.problem = kSignatureForAnotherModel;
            return ExtractFailure::kUntrustedPackage;
        }

        // A failure deletes the outputs of the sections before it. An
        // optional section may be empty; then a file an earlier run left at
        // its path must go, or the installation would take it for this
        // package's, and one that stays fails as if it could not be created.
        for (DWORD i = 0; i < kPackageSectionCount; ++i) {
            sectionsDone_ = i;
            const PackageSection& section = kPackageSections[i];
            LPCWSTR path = OutputOf(i);
            const bool noOutput = request_.outputs && !path;
            if (info.*section.size == 0 || noOutput) {
                LogLine(section.emptyLine);
                if (!IsOptional(section)) return *section.emptyIndex;
                if (ClearsEmptySections() && path && !DeleteLeftover(path)) return section.createIndex;
            } else if (std::optional<ExtractFailure> failed = PassSection(section, path, &crc)) {
                return failed;
            }
        }
        sectionsDone_ = kPackageSectionCount;

        Crc32Final(&crc);
        report_->computed_checksum = crc;
        if (crc != info.checksum) {
            LogLine(L"ExtractThreadProc(): !!! Invalid source file checksum, calculated=[%ld], expected=[%ld]", crc,
                    info.checksum);
            return ExtractFailure::kBadChecksum;
        }
        LogLine(L"ExtractThreadProc(): valid source file checksum");
        // A damaged package is reported as damaged; only an intact one can be
        // judged by its signature.
        if (!FinishSignatureCheck(&signature, info)) return ExtractFailure::kUntrustedPackage;
        report_->verified.checksum = info.checksum;
        if (signature.required) report_->verified.security_version = signature.signature.security_version;
        if (signature.required) {
            static_assert(kNextKeysCapacity == kMaxNextKeys * kPublicKeyFileSize, "room for every next key");
            report_->verified.next_keys_size = EncodeNextKeys(signature.signature.content, report_->verified.next_keys);
        }
        report_->verified.delta = IsDeltaPackage(info);
        CloseFileLogged(package_, request_.package_file);
        return std::nullopt;
    }

    bool ClearsEmptySections() const { return request_.outputs && request_.outputs->clear_empty_sections; }

    // Passes one section: into `path` when outputs are given (a file already
    // there is deleted first; when that fails the create-new below fails too
    // and its failure replaces the delete's), only read otherwise. A failed
    // copy leaves the partly written output.
    std::optional<ExtractFailure> PassSection(const PackageSection& section, LPCWSTR path, DWORD* crc) {
        HANDLE output = NULL;
        if (path) {
            DeleteLeftover(path);
            output = CreateFileLogged(path, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE);
            if (output == INVALID_HANDLE_VALUE) {
                report_->error = GetLastError();
                return section.createIndex;
            }
        }
        const BOOL copied = ExtractSection(output, package_, report_->package.*section.size, crc,
                                           SignatureState(&report_->signature), request_.progress);
        if (copied) {
            if (request_.progress) request_.progress->CountItem();
            LogLine(section.extractedLine);
        } else {
            report_->error = GetLastError();
            LogLine(section.copyFailedLine, path ? path : request_.package_file, report_->error);
        }
        if (output) CloseFileLogged(output, path);
        if (!copied) return section.copyIndex;
        return std::nullopt;
    }

    // Clean-up deletions: a failure is logged and changes nothing else.
    static BOOL DeleteOutput(LPCWSTR path) {
        if (DeleteFileW(path)) return TRUE;
        LogLine(L"ExtractThreadProc(): !!! Failed to delete file=[%s], error=[%ld]", path, GetLastError());
        return FALSE;
    }

    // Deletes a file an earlier run left at an output path; FALSE (logged)
    // when one is there and cannot be deleted.
    static BOOL DeleteLeftover(LPCWSTR path) { return !FileExists(path) || DeleteOutput(path); }

    // Deletes the outputs of the first `count` sections in file order; an
    // optional section's only when one is there and, for an empty one, when
    // leftovers are this run's to clear.
    void DeleteSections(DWORD count) const {
        if (!request_.outputs) return;
        for (DWORD i = 0; i < count; ++i) {
            const PackageSection& section = kPackageSections[i];
            LPCWSTR path = OutputOf(i);
            const bool written = report_->package.*section.size != 0 || ClearsEmptySections();
            if (!IsOptional(section) || (path && written && FileExists(path))) DeleteOutput(path);
        }
    }

    const ExtractionRequest& request_;
    ExtractionReport* report_;
    HANDLE package_ = INVALID_HANDLE_VALUE;
    DWORD sectionsDone_ = 0;  // the sections before the one at work
};

}  // namespace

std::optional<ExtractFailure> ExtractPackageSections(const ExtractionRequest& request, ExtractionReport* report) {
    return Extraction(request, report).Run();
}
