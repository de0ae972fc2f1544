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

// The trusted keys of a device: one key file or several one after another.
struct TrustedKeys {
    DWORD count;
    PublicKeyFile keys[kMaxTrustedKeys];
};

// What a signature of format 3 carries besides the security version: the
// keys the device trusts once the package is installed (none: the keys stay
// as they are) and the models the package is for (none: any model).
struct SignedContent {
    DWORD next_key_count;
    PublicKeyFile next_keys[kMaxNextKeys];
    DWORD model_count;
    char models[kMaxModels][kMaxModelLength + 1];  // printable ASCII, each ended by a zero
};

struct SignatureFile {
    DWORD format;            // kSignatureFormatVersion, kVersionedSignatureFormat or kSignedContentFormat
    DWORD security_version;  // 0 in the first format
    BYTE key_id[kKeyIdSize];
    BYTE signature[kSignatureSize];
    SignedContent content;  // empty before format 3
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
// A signature file is any of the formats: kSignatureFileSize bytes of the
// first, kVersionedSignatureFileSize of the versioned one, or format 3 with
// its counts, keys and models exactly as they say.
BOOL DecodeSignatureFile(const BYTE* bytes, DWORD count, SignatureFile* file);

// FALSE unless `bytes` are 1 to kMaxTrustedKeys whole key files, each valid.
BOOL DecodeTrustedKeys(const BYTE* bytes, DWORD count, TrustedKeys* keys);
// The trusted key that `keyId` names, or null.
const PublicKeyFile* FindTrustedKey(const TrustedKeys& keys, const BYTE (&keyId)[kKeyIdSize]);

// The next keys as a trusted key file: their key files one after another.
// Returns the number of bytes (kPublicKeyFileSize for each key).
DWORD EncodeNextKeys(const SignedContent& content, BYTE (&bytes)[kMaxNextKeys * kPublicKeyFileSize]);

// A model name a signature can carry: 1 to kMaxModelLength printable ASCII
// characters.
bool IsValidModelName(const char* name, size_t length);
// Models compare without regard to the case of ASCII letters, as the
// device's names do: "OV3-Pro" is "ov3-pro".
bool ModelNamesEqual(const char* model, LPCWSTR deviceModel);
// TRUE when the package names no model or names `deviceModel`.
BOOL IsForModel(const SignedContent& content, LPCWSTR deviceModel);

void EncodePublicKeyFile(const BYTE (&key)[kPublicKeySize], BYTE (&bytes)[kPublicKeyFileSize]);
// Always the versioned format.
void EncodeSignatureFile(const SignatureFile& file, BYTE (&bytes)[kVersionedSignatureFileSize]);
// The versioned format when `file` carries no next key and no model, so that
// devices that read only it take the package; format 3 otherwise. Returns
// the number of bytes.
DWORD EncodeSignatureFileWithContent(SignatureFile file, BYTE (&bytes)[kMaxSignatureFileSize]);
