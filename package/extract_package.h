// ExtractPackageSections: the extraction as one function without UI, run by
// the extraction worker and by the package tool alike. It verifies the
// package, passes its exe, images and fonts sections in file order (writing
// them to their output files when outputs are given, only reading them
// otherwise) while it computes the CRC-32 and, with a trusted key, the
// signature check, then compares the checksum and the signature. After a
// failure the package is closed first, then the outputs of the sections
// already completed are deleted (exe, images, fonts). It logs each step in
// the device's words.
#pragma once

#include <windows.h>

#include <optional>

#include "extract_codes.h"
#include "package_info.h"
#include "package_sections.h"
#include "signature_check.h"
#include "stage_progress.h"
#include "upgrade_attempt.h"

// Where the sections go.
struct SectionOutputs {
    // In the order of kPackageSections. A null path: the section is taken
    // as empty, and a required one fails.
    LPCWSTR files[kPackageSectionCount];
    // An empty optional section's file left by an earlier run is deleted, so
    // that the installation cannot take it for this package's. Off: it stays,
    // for a caller that tells its user about it.
    bool clear_empty_sections;
};

struct ExtractionRequest {
    LPCWSTR package_file;
    const SectionOutputs* outputs;  // null: the sections are only read
    // The trusted key: without a file there, no signature is asked for,
    // unless `key_required`, when its absence refuses the package.
    LPCWSTR trusted_key_file;  // null: no signature is checked
    bool key_required;
    // A keyed device's security floor holds the verified signature's version.
    bool hold_to_floor;
    StageProgress* progress;  // advanced by each chunk and section; may be null
    // A keyed device's model: a verified signature that names models must
    // name it. Null: models are not checked.
    LPCWSTR device_model = NULL;
};

// What the run learned, as far as it got.
struct ExtractionReport {
    PackageInfo package;      // head then tail, in file order
    DWORD package_size;       // of the package file; 0 when it could not be opened
    DWORD computed_checksum;  // once every section has passed
    DWORD error;              // the platform's error of the failing step, if it had one
    SignatureCheck signature;
    VerifiedPackage verified;  // complete on success
};

// None on success; otherwise the first failure, logged, with the package
// closed and the outputs of the sections before the failing one deleted.
// The failing section's own output, not created or partly written, stays:
// the next extraction replaces it.
std::optional<ExtractFailure> ExtractPackageSections(const ExtractionRequest& request, ExtractionReport* report);
