// Encoding and decoding of the key and signature files, byte by byte, so
// that no host byte order or structure padding is involved.
#include "signature_format.h"

#include <sodium.h>
#include <string.h>

#include "package_info.h"

static_assert(kPublicKeySize == crypto_sign_PUBLICKEYBYTES, "an Ed25519 public key is 32 bytes");
static_assert(kSignatureSize == crypto_sign_BYTES, "an Ed25519 signature is 64 bytes");

void PutFileHead(const BYTE (&magic)[4], BYTE* bytes, DWORD version) {
    memcpy(bytes, magic, sizeof(magic));
    PutLittleEndian(bytes + 4, version);
}

bool HasFileHead(const BYTE (&magic)[4], const BYTE* bytes, DWORD version) {
    BYTE expected[kSignatureFileHeadSize];
    PutFileHead(magic, expected, version);
    return memcmp(bytes, expected, sizeof(expected)) == 0;
}

void StartSignedMessage(const SignatureFile& file, crypto_sign_state* state) {
    crypto_sign_init(state);
    if (file.format != kVersionedSignatureFormat) return;
    BYTE prefix[kSignedPrefixSize];
    PutFileHead(kSignatureMagic, prefix, kVersionedSignatureFormat);
    PutLittleEndian(prefix + kSignatureFileHeadSize, file.security_version);
    crypto_sign_update(state, prefix, sizeof(prefix));
}

void KeyIdOf(const BYTE (&key)[kPublicKeySize], BYTE (&keyId)[kKeyIdSize]) {
    BYTE hash[crypto_generichash_BYTES];
    crypto_generichash(hash, sizeof(hash), key, sizeof(key), NULL, 0);
    memcpy(keyId, hash, sizeof(keyId));
}

BOOL DecodePublicKeyFile(const BYTE* bytes, DWORD count, PublicKeyFile* file) {
    if (count != kPublicKeyFileSize || !HasFileHead(kPublicKeyMagic, bytes)) return FALSE;
    memcpy(file->key_id, bytes + kSignatureFileHeadSize, kKeyIdSize);
    memcpy(file->key, bytes + kSignatureFileHeadSize + kKeyIdSize, kPublicKeySize);
    BYTE keyId[kKeyIdSize];
    KeyIdOf(file->key, keyId);
    return memcmp(keyId, file->key_id, kKeyIdSize) == 0;
}

BOOL DecodeSignatureFile(const BYTE* bytes, DWORD count, SignatureFile* file) {
    const bool first = count == kSignatureFileSize && HasFileHead(kSignatureMagic, bytes);
    const bool versioned =
        count == kVersionedSignatureFileSize && HasFileHead(kSignatureMagic, bytes, kVersionedSignatureFormat);
    if (!first && !versioned) return FALSE;
    const BYTE* field = bytes + kSignatureFileHeadSize;
    file->format = first ? kSignatureFormatVersion : kVersionedSignatureFormat;
    memcpy(file->key_id, field, kKeyIdSize);
    field += kKeyIdSize;
    file->security_version = first ? 0 : LittleEndianAt(field);
    if (versioned) field += kSecurityVersionSize;
    memcpy(file->signature, field, kSignatureSize);
    return TRUE;
}

void EncodePublicKeyFile(const BYTE (&key)[kPublicKeySize], BYTE (&bytes)[kPublicKeyFileSize]) {
    PutFileHead(kPublicKeyMagic, bytes);
    BYTE keyId[kKeyIdSize];
    KeyIdOf(key, keyId);
    memcpy(bytes + kSignatureFileHeadSize, keyId, kKeyIdSize);
    memcpy(bytes + kSignatureFileHeadSize + kKeyIdSize, key, kPublicKeySize);
}

void EncodeSignatureFile(const SignatureFile& file, BYTE (&bytes)[kVersionedSignatureFileSize]) {
    PutFileHead(kSignatureMagic, bytes, kVersionedSignatureFormat);
    BYTE* field = bytes + kSignatureFileHeadSize;
    memcpy(field, file.key_id, kKeyIdSize);
    PutLittleEndian(field + kKeyIdSize, file.security_version);
    memcpy(field + kKeyIdSize + kSecurityVersionSize, file.signature, kSignatureSize);
}
