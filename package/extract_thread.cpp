// ExtractThreadProc: the extraction worker. Verifies the package, copies its
// exe, images and fonts sections into their output files while it computes
// the CRC-32 (and, on a device with a trusted key, the signature check),
// compares the checksum and the signature, and posts exactly one result. After a
// failure the package is closed first, then the sections already completed
// are deleted (exe, images, fonts), then the result is posted.
//
// Every run ends through one exit: the WorkerResult guard posts the result
// when the worker returns, whichever return that is.
#include "crc32.h"
#include "extract_section.h"
#include "extraction.h"
#include "extraction_constants.h"
#include "file_helpers.h"
#include "log_line.h"
#include "logged_files.h"
#include "package_sections.h"
#include "preverify.h"
#include "security_floor.h"
#include "signature_check.h"

namespace {

// The output paths in the order of kPackageSections.
LPCWSTR SectionFile(const Preparer* preparer, DWORD index) {
    const LPCWSTR files[] = {preparer->exe_file, preparer->images_file, preparer->fonts_file};
    static_assert(sizeof(files) / sizeof(files[0]) == kPackageSectionCount, "one output per section");
    return files[index];
}

// Clean-up deletions: a failure is logged and changes nothing else.
BOOL DeleteOutput(LPCWSTR path) {
    if (DeleteFileW(path)) return TRUE;
    LogLine(L"ExtractThreadProc(): !!! Failed to delete file=[%s], error=[%ld]", path, GetLastError());
    return FALSE;
}

// Deletes the outputs of the first `count` sections in file order; an
// optional section's only when one is there.
void DeleteSections(const Preparer* preparer, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
        LPCWSTR path = SectionFile(preparer, i);
        if (!IsOptional(kPackageSections[i]) || (path && FileExists(path))) DeleteOutput(path);
    }
}

// Ends a failed run: the failure recorded, the package closed and the
// outputs of the first `sectionsWritten` sections deleted; the result goes
// out as the worker returns.
DWORD EndWithFailure(Preparer* preparer, HANDLE package, ExtractFailure failure, DWORD sectionsWritten = 0) {
    preparer->error = failure;
    CloseFileLogged(package, preparer->upgrade_file);
    DeleteSections(preparer, sectionsWritten);
    return 0;
}

// Deletes a file an earlier run left at an output path; FALSE (logged) when
// one is there and cannot be deleted.
BOOL DeleteLeftover(LPCWSTR path) { return !FileExists(path) || DeleteOutput(path); }

// Writes one section to `path`. A file already there is deleted first; when
// that fails the create-new below fails too and its index replaces the
// delete's. FALSE with preparer->error set when the output could not be
// created or the copy failed (a partly written output stays).
BOOL WriteSection(Preparer* preparer, HANDLE package, DWORD* crc, crypto_sign_state* signing,
                  const PackageSection& section, LPCWSTR path) {
    if (!DeleteLeftover(path)) preparer->error = section.deleteIndex;
    HANDLE output = CreateFileLogged(path, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE);
    if (output == INVALID_HANDLE_VALUE) {
        preparer->error = section.createIndex;
        return FALSE;
    }
    StageProgress& progress = RunningStageProgress();
    BOOL copied = ExtractSection(output, package, preparer->package.*section.size, crc, signing, &progress);
    if (copied) {
        progress.CountItem();
        LogLine(L"ExtractThreadProc(): extracted %s", section.extractedNoun);
    } else {
        LogLine(L"ExtractThreadProc(): !!! Failed to extract %s=[%s], error=[%ld]", section.logNoun, path,
                GetLastError());
        preparer->error = section.copyIndex;
    }
    CloseFileLogged(output, path);
    return copied;
}

}  // namespace

DWORD ExtractThreadProc(Preparer* preparer) {
    WorkerResult<Preparer> result(preparer);
    HANDLE package = INVALID_HANDLE_VALUE;
    DWORD crc = 0;
    ExtractFailure failure = ExtractFailure::kOpenPackage;
    if (!PreVerifyPackage(preparer->upgrade_file, &package, &preparer->package, &crc, &failure)) {
        preparer->error = failure;
        if (package == INVALID_HANDLE_VALUE) return 0;
        return EndWithFailure(preparer, package, failure);
    }
    const PackageInfo& info = preparer->package;
    RunningStageProgress().SetTotal(info.data_size);

    // Read before any section is written; the package stays open without
    // sharing until the verdict, so the bytes checked are the bytes used.
    SignatureCheck signature;
    if (!StartSignatureCheck(kTrustedKeyFile, preparer->upgrade_file, info, &signature)) {
        return EndWithFailure(preparer, package, ExtractFailure::kUntrustedPackage);
    }
    // The version that counts is the one of the signature checked below:
    // a signature swapped since the refusal's look is held to the floor too.
    const DWORD floor = signature.required ? ReadSecurityFloor() : 0;
    if (signature.signature.security_version < floor) {
        LogLine(L"ExtractThreadProc(): !!! Signature below security floor, security version=[%lu], floor=[%lu]",
                signature.signature.security_version, floor);
        return EndWithFailure(preparer, package, ExtractFailure::kUntrustedPackage);
    }
    crypto_sign_state* signing = SignatureState(&signature);

    // A failure deletes the outputs of the sections before it. The failing
    // section's own output, not created or partly written, stays: the next
    // extraction replaces it. An optional section may be empty; then a file
    // an earlier run left at its path must go, or the installation would take
    // it for this package's, and one that stays fails as if it could not be
    // created.
    for (DWORD i = 0; i < kPackageSectionCount; ++i) {
        const PackageSection& section = kPackageSections[i];
        LPCWSTR path = SectionFile(preparer, i);
        if (info.*section.size == 0 || !path) {
            LogLine(L"ExtractThreadProc(): !!! No %s to extract%s", section.logNoun,
                    IsOptional(section) ? L" (optional)" : L"");
            if (!IsOptional(section)) return EndWithFailure(preparer, package, *section.emptyIndex, i);
            if (path && !DeleteLeftover(path)) return EndWithFailure(preparer, package, section.createIndex, i);
        } else if (!WriteSection(preparer, package, &crc, signing, section, path)) {
            return EndWithFailure(preparer, package, preparer->error, i);
        }
    }

    Crc32Final(&crc);
    BOOL intact = crc == info.checksum;
    if (intact) {
        LogLine(L"ExtractThreadProc(): valid source file checksum");
    } else {
        LogLine(L"ExtractThreadProc(): !!! Invalid source file checksum, calculated=[%ld], expected=[%ld]", crc,
                info.checksum);
    }
    // A damaged package is reported as damaged; only an intact one can be
    // judged by its signature.
    if (intact && FinishSignatureCheck(&signature, info)) {
        preparer->keyed = signature.required;
        preparer->security_version = signature.signature.security_version;
        CloseFileLogged(package, preparer->upgrade_file);
        result.MarkSucceeded();
        return 0;
    }
    return EndWithFailure(preparer, package, intact ? ExtractFailure::kUntrustedPackage : ExtractFailure::kBadChecksum,
                          kPackageSectionCount);
}
