// The trusted key file and the package signature file: their bytes, and the
// key id that ties a signature to the key that made it.
#pragma once

#include <sodium.h>
#include <windows.h>

#include "package_constants.h"

struct PublicKeyFile {
    BYTE key_id[kKeyIdSize];
    BYTE key[kPublicKeySize];
};

struct SignatureFile {
    DWORD format;            // kSignatureFormatVersion or kVersionedSignatureFormat
    DWORD security_version;  // 0 in the first format
    BYTE key_id[kKeyIdSize];
    BYTE signature[kSignatureSize];
};

// The head every key and signature file begins with: `magic`, then the
// format version as 4 little-endian bytes.
void PutFileHead(const BYTE (&magic)[4], BYTE* bytes, DWORD version = kSignatureFormatVersion);
bool HasFileHead(const BYTE (&magic)[4], const BYTE* bytes, DWORD version = kSignatureFormatVersion);

// Starts the Ed25519ph state of `file`'s signed message: for the versioned
// format it begins with the prefix that binds the security version; the
// package's bytes follow.
void StartSignedMessage(const SignatureFile& file, crypto_sign_state* state);

// The first 8 bytes of the BLAKE2b-256 hash of the public key.
void KeyIdOf(const BYTE (&key)[kPublicKeySize], BYTE (&keyId)[kKeyIdSize]);

// FALSE for anything but exactly the documented bytes: the length, the
// magic, the version, and for a key file a key id that is its key's.
BOOL DecodePublicKeyFile(const BYTE* bytes, DWORD count, PublicKeyFile* file);
// A signature file is either format: kSignatureFileSize bytes of the first
// or kVersionedSignatureFileSize of the versioned one.
BOOL DecodeSignatureFile(const BYTE* bytes, DWORD count, SignatureFile* file);

void EncodePublicKeyFile(const BYTE (&key)[kPublicKeySize], BYTE (&bytes)[kPublicKeyFileSize]);
// Always the versioned format.
void EncodeSignatureFile(const SignatureFile& file, BYTE (&bytes)[kVersionedSignatureFileSize]);
