// The signature check: the trusted key and the package's signature are read
// whole (they are small) and closed at once; only the package stays open.
#include "signature_check.h"

#include <strsafe.h>
#include <string.h>

#include "device_paths.h"
#include "log_line.h"
#include "logged_files.h"

namespace {

enum SmallFileRead { kSmallFileRead, kSmallFileAbsent, kSmallFileUnreadable, kSmallFileWrongSize };

// Reads a file of at most `capacity` bytes into `bytes`, *count of them;
// *error is the platform's last error of a failed open or read.
SmallFileRead ReadSmallFile(LPCWSTR path, BYTE* bytes, DWORD capacity, DWORD* count, DWORD* error) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return *error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND ? kSmallFileAbsent
                                                                                 : kSmallFileUnreadable;
    }
    SmallFileRead result = kSmallFileRead;
    const DWORD size = GetFileSize(file, NULL);
    if (size > capacity) {
        result = kSmallFileWrongSize;
    } else if (!ReadFile(file, bytes, size, count, NULL)) {
        *error = GetLastError();
        result = kSmallFileUnreadable;
    } else if (*count != size) {
        result = kSmallFileWrongSize;
    }
    CloseFileLogged(file, path);
    return result;
}

BOOL Refuse(SignatureCheck* check, SignatureProblem problem) {
    check->problem = problem;
    return FALSE;
}

// A key file that is absent requires nothing; one that is there but cannot
// be read or decoded refuses the package, so that damage to it never turns
// the check off.
BOOL LoadTrustedKey(LPCWSTR keyFile, SignatureCheck* check) {
    // Probed by its attributes, so that a device without a key opens no
    // more files than before signing existed.
    if (GetFileAttributesW(keyFile) == INVALID_FILE_ATTRIBUTES &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)) {
        // Said once per package, so that a key put in the wrong place does
        // not pass unnoticed as a device that checks signatures.
        LogLine(L"ExtractThreadProc(): no trusted key=[%s], signatures are not checked", keyFile);
        return TRUE;
    }
    check->required = TRUE;
    BYTE bytes[kMaxTrustedKeyFileSize];
    DWORD count = 0;
    DWORD error = 0;
    SmallFileRead read = ReadSmallFile(keyFile, bytes, sizeof(bytes), &count, &error);
    // Gone since the probe, or unreadable: either way the key is not usable.
    if (read == kSmallFileAbsent || read == kSmallFileUnreadable) {
        LogLine(L"ExtractThreadProc(): !!! Failed to read trusted key=[%s], error=[%ld]", keyFile, error);
        return Refuse(check, kTrustedKeyUnreadable);
    }
    // The key id is a BLAKE2b hash: the library must be up before it.
    if (sodium_init() < 0) {
        LogLine(L"ExtractThreadProc(): !!! Failed to start signature check");
        return Refuse(check, kSignatureUnavailable);
    }
    if (read != kSmallFileRead || !DecodeTrustedKeys(bytes, count, &check->trusted)) {
        LogLine(L"ExtractThreadProc(): !!! Invalid trusted key=[%s]", keyFile);
        return Refuse(check, kTrustedKeyInvalid);
    }
    return TRUE;
}

BOOL ReadSignature(LPCWSTR packageFile, SignatureCheck* check) {
    // A package path too long for its signature's name cannot have one.
    if (FAILED(StringCchPrintfW(check->signature_file, MAX_PATH, L"%s%s", packageFile, kSignatureSuffix))) {
        LogLine(L"ExtractThreadProc(): !!! Missing signature=[%s]", packageFile);
        return Refuse(check, kSignatureMissing);
    }
    BYTE bytes[kMaxSignatureFileSize];
    DWORD count = 0;
    DWORD error = 0;
    SmallFileRead read = ReadSmallFile(check->signature_file, bytes, sizeof(bytes), &count, &error);
    if (read == kSmallFileAbsent) {
        LogLine(L"ExtractThreadProc(): !!! Missing signature=[%s]", check->signature_file);
        return Refuse(check, kSignatureMissing);
    }
    if (read == kSmallFileUnreadable) {
        LogLine(L"ExtractThreadProc(): !!! Failed to read signature=[%s], error=[%ld]", check->signature_file, error);
        return Refuse(check, kSignatureUnreadable);
    }
    if (read != kSmallFileRead || !DecodeSignatureFile(bytes, count, &check->signature)) {
        LogLine(L"ExtractThreadProc(): !!! Malformed signature=[%s]", check->signature_file);
        return Refuse(check, kSignatureMalformed);
    }
    // Refused before any section is written; a signature that names a
    // trusted key but was made by another fails after the pass instead.
    const PublicKeyFile* key = FindTrustedKey(check->trusted, check->signature.key_id);
    if (!key) {
        LogLine(L"ExtractThreadProc(): !!! Untrusted signature=[%s]", check->signature_file);
        return Refuse(check, kSignatureOfAnotherKey);
    }
    check->key = *key;
    return TRUE;
}

}  // namespace

BOOL ReadSignatureClaim(LPCWSTR packageFile, SignatureFile* signature) {
    WCHAR signatureFile[MAX_PATH];
    BYTE bytes[kMaxSignatureFileSize];
    DWORD count = 0;
    DWORD error = 0;
    return SUCCEEDED(StringCchPrintfW(signatureFile, MAX_PATH, L"%s%s", packageFile, kSignatureSuffix)) &&
           ReadSmallFile(signatureFile, bytes, sizeof(bytes), &count, &error) == kSmallFileRead &&
           DecodeSignatureFile(bytes, count, signature);
}

BOOL ReadSecurityVersion(LPCWSTR packageFile, DWORD* version) {
    SignatureFile signature;
    if (!ReadSignatureClaim(packageFile, &signature)) return FALSE;
    *version = signature.security_version;
    return TRUE;
}

BOOL StartSignatureCheck(LPCWSTR keyFile, LPCWSTR packageFile, const PackageInfo& info, SignatureCheck* check) {
    ZeroMemory(check, sizeof(*check));
    if (!LoadTrustedKey(keyFile, check)) return FALSE;
    if (!check->required) return TRUE;
    if (!ReadSignature(packageFile, check)) return FALSE;
    StartSignedMessage(check->signature, &check->state);
    // The head and tail are fed as the bytes they were decoded from.
    BYTE head[kPackageHeadSize];
    EncodePackageHead(info, head);
    crypto_sign_update(&check->state, head, sizeof(head));
    return TRUE;
}

BOOL FinishSignatureCheck(SignatureCheck* check, const PackageInfo& info) {
    if (!check->required) return TRUE;
    BYTE tail[kPackageTailSize];
    EncodePackageTail(info, tail);
    crypto_sign_update(&check->state, tail, sizeof(tail));
    if (crypto_sign_final_verify(&check->state, check->signature.signature, check->key.key) != 0) {
        LogLine(L"ExtractThreadProc(): !!! Invalid signature=[%s]", check->signature_file);
        return Refuse(check, kSignatureInvalid);
    }
    LogLine(L"ExtractThreadProc(): valid signature");
    return TRUE;
}
