// The signature check of the extraction: a device that holds a trusted key
// accepts only a package that carries a valid signature by that key. The
// check is fed in the same pass that copies the sections and computes the
// CRC-32, so the package is read once.
#pragma once

#include <sodium.h>
#include <windows.h>

#include "package_info.h"
#include "signature_format.h"

// Why a package is not trusted, for a report beyond the log line.
enum SignatureProblem : DWORD {
    kSignatureTrusted = 0,    // no problem (yet): checked, or nothing to check
    kTrustedKeyUnreadable,    // the key file is there but cannot be read
    kTrustedKeyInvalid,       // the key file is not a key file
    kSignatureMissing,        // no signature file beside the package
    kSignatureUnreadable,     // the signature file cannot be read
    kSignatureMalformed,      // the signature file is not a signature file
    kSignatureOfAnotherKey,   // the signature names another key
    kSignatureInvalid,        // the signature does not match the package
    kSignatureUnavailable,    // the signature library cannot start
    kSignatureForAnotherModel,  // the signature names models, not the device's
};

struct SignatureCheck {
    BOOL required;  // a trusted key is present: the package must be signed
    SignatureProblem problem;
    WCHAR signature_file[MAX_PATH];
    TrustedKeys trusted;  // every key of the key file
    PublicKeyFile key;    // the one the signature names
    SignatureFile signature;
    crypto_sign_state state;  // Ed25519ph over the package's bytes, in file order
};

// Right after pre-verification, before any section is written. Without a
// file at `keyFile` nothing is required and TRUE is returned. With one, its
// key and the signature beside `packageFile` are read, the signature must
// name that key, and the check is started over the package's head. FALSE
// (logged, with check->problem) when any of it fails: a key file that is
// there but unusable refuses the package too.
BOOL StartSignatureCheck(LPCWSTR keyFile, LPCWSTR packageFile, const PackageInfo& info, SignatureCheck* check);

// After the sections have passed through check->state: feeds the tail and
// verifies the signature. TRUE when nothing is required or it is valid;
// FALSE (logged, with check->problem) otherwise.
BOOL FinishSignatureCheck(SignatureCheck* check, const PackageInfo& info);

// The security version of the signature file beside `packageFile`, read
// without checking the signature: a claim good enough to refuse a package
// by, never to accept one. FALSE when there is no readable signature file.
BOOL ReadSecurityVersion(LPCWSTR packageFile, DWORD* version);
// The same for the whole signature file: its models, for the same purpose.
BOOL ReadSignatureClaim(LPCWSTR packageFile, SignatureFile* signature);

// The state the pass feeds, or null when nothing is to be checked.
inline crypto_sign_state* SignatureState(SignatureCheck* check) { return check->required ? &check->state : NULL; }
