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
#include "preverify.h"
#include "signature_check.h"

namespace {

void ClosePackage(const Preparer* preparer, HANDLE package) {
    if (!CloseHandle(package)) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to close file handler=[%s], error=[%ld], at=[%ld]\r\n",
                     preparer->upgrade_file, GetLastError(), GetTickCount());
    }
}

void CloseOutput(HANDLE output, LPCWSTR path) {
    if (!CloseHandle(output)) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to close file handler=[%s], error=[%ld], at=[%ld]\r\n", path,
                     GetLastError(), GetTickCount());
    }
}

// Clean-up deletions: a failure is logged and changes nothing else.
void DeleteOutput(LPCWSTR path) {
    if (!DeleteFileW(path)) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to delete file=[%s], error=[%ld], at=[%ld]\r\n", path,
                     GetLastError(), GetTickCount());
    }
}

// Ends a failed run: the failure recorded, the package closed and the given
// outputs deleted in order; the result goes out as the worker returns.
DWORD EndWithFailure(Preparer* preparer, HANDLE package, ExtractFailure failure, LPCWSTR firstToDelete = NULL,
                     LPCWSTR secondToDelete = NULL) {
    preparer->error = failure;
    ClosePackage(preparer, package);
    if (firstToDelete) DeleteOutput(firstToDelete);
    if (secondToDelete) DeleteOutput(secondToDelete);
    return 0;
}

// Deletes a file an earlier run left at an output path; FALSE (logged) when
// one is there and cannot be deleted.
BOOL DeleteLeftover(LPCWSTR path) {
    if (!FileExists(path) || DeleteFileW(path)) return TRUE;
    NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to delete file=[%s], error=[%ld], at=[%ld]\r\n", path,
                 GetLastError(), GetTickCount());
    return FALSE;
}

// Writes one section to `path`. A file already there is deleted first; when
// that fails the create-new below fails too and its index replaces the
// delete's. FALSE with preparer->error set when the output could not be
// created or the copy failed (a partly written output stays).
BOOL WriteSection(Preparer* preparer, HANDLE package, DWORD* crc, crypto_sign_state* signing, LPCWSTR path,
                  DWORD size, ExtractFailure deleteIndex, ExtractFailure createIndex, ExtractFailure copyIndex,
                  LPCWSTR extractedLine, LPCWSTR failedLine) {
    if (!DeleteLeftover(path)) preparer->error = deleteIndex;
    HANDLE output = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, NULL);
    if (output == INVALID_HANDLE_VALUE) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Failed to create file handler=[%s], error=[%ld], at=[%ld]\r\n", path,
                     GetLastError(), GetTickCount());
        preparer->error = createIndex;
        return FALSE;
    }
    BOOL copied = ExtractSection(output, package, size, crc, signing);
    if (copied) {
        NKDbgPrintfW(extractedLine, GetTickCount());
    } else {
        NKDbgPrintfW(failedLine, path, GetLastError(), GetTickCount());
        preparer->error = copyIndex;
    }
    CloseOutput(output, path);
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

    // Read before any section is written; the package stays open without
    // sharing until the verdict, so the bytes checked are the bytes used.
    SignatureCheck signature;
    if (!StartSignatureCheck(kTrustedKeyFile, preparer->upgrade_file, info, &signature)) {
        return EndWithFailure(preparer, package, ExtractFailure::kUntrustedPackage);
    }
    crypto_sign_state* signing = SignatureState(&signature);

    if (info.exe_size == 0 || !preparer->exe_file) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! No exe to extract, at=[%ld]\r\n", GetTickCount());
        return EndWithFailure(preparer, package, ExtractFailure::kNoExe);
    }
    if (!WriteSection(preparer, package, &crc, signing, preparer->exe_file, info.exe_size,
                      ExtractFailure::kDeleteExe, ExtractFailure::kCreateExe, ExtractFailure::kCopyExe,
                      L"ExtractThreadProc(): extracted exe, at=[%ld]\r\n",
                      L"ExtractThreadProc(): !!! Failed to extract exe=[%s], error=[%ld], at=[%ld]\r\n")) {
        // An exe output that was not created, or is partly written, is not
        // deleted: the next extraction replaces it.
        return EndWithFailure(preparer, package, preparer->error);
    }

    if (info.images_size == 0 || !preparer->images_file) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! No image to extract, at=[%ld]\r\n", GetTickCount());
        return EndWithFailure(preparer, package, ExtractFailure::kNoImages, preparer->exe_file);
    }
    if (!WriteSection(preparer, package, &crc, signing, preparer->images_file, info.images_size,
                      ExtractFailure::kDeleteImages, ExtractFailure::kCreateImages, ExtractFailure::kCopyImages,
                      L"ExtractThreadProc(): extracted images, at=[%ld]\r\n",
                      L"ExtractThreadProc(): !!! Failed to extract image=[%s], error=[%ld], at=[%ld]\r\n")) {
        return EndWithFailure(preparer, package, preparer->error, preparer->exe_file);
    }

    // The fonts section is optional. Without one, a fonts archive left by an
    // earlier run must go: the installation would take it for this
    // package's fonts. One that stays fails as if it could not be created.
    if (info.fonts_size == 0 || !preparer->fonts_file) {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! No font to extract (optional), at=[%ld]\r\n", GetTickCount());
        if (preparer->fonts_file && !DeleteLeftover(preparer->fonts_file)) {
            return EndWithFailure(preparer, package, ExtractFailure::kCreateFonts, preparer->exe_file,
                                  preparer->images_file);
        }
    } else if (!WriteSection(preparer, package, &crc, signing, preparer->fonts_file, info.fonts_size,
                             ExtractFailure::kDeleteFonts, ExtractFailure::kCreateFonts, ExtractFailure::kCopyFonts,
                             L"ExtractThreadProc(): extracted font, at=[%ld]\r\n",
                             L"ExtractThreadProc(): !!! Failed to extract font=[%s], error=[%ld], at=[%ld]\r\n")) {
        return EndWithFailure(preparer, package, preparer->error, preparer->exe_file, preparer->images_file);
    }

    Crc32Final(&crc);
    BOOL intact = crc == info.checksum;
    if (intact) {
        NKDbgPrintfW(L"ExtractThreadProc(): valid source file checksum, at=[%ld]\r\n", GetTickCount());
    } else {
        NKDbgPrintfW(L"ExtractThreadProc(): !!! Invalid source file checksum, calculated=[%ld], expected=[%ld], at=[%ld]\r\n",
                     crc, info.checksum, GetTickCount());
    }
    // A damaged package is reported as damaged; only an intact one can be
    // judged by its signature.
    if (intact && FinishSignatureCheck(&signature, info)) {
        ClosePackage(preparer, package);
        result.MarkSucceeded();
        return 0;
    }
    preparer->error = intact ? ExtractFailure::kUntrustedPackage : ExtractFailure::kBadChecksum;
    ClosePackage(preparer, package);
    DeleteOutput(preparer->exe_file);
    DeleteOutput(preparer->images_file);
    if (preparer->fonts_file && FileExists(preparer->fonts_file)) DeleteOutput(preparer->fonts_file);
    return 0;
}
