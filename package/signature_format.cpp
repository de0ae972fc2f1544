// Encoding and decoding of the key and signature files, byte by byte, so
// that no host byte order or structure padding is involved.
#include "signature_format.h"

#include <sodium.h>
#include <string.h>

static_assert(kPublicKeySize == crypto_sign_PUBLICKEYBYTES, "an Ed25519 public key is 32 bytes");
static_assert(kSignatureSize == crypto_sign_BYTES, "an Ed25519 signature is 64 bytes");

void PutFileHead(const BYTE (&magic)[4], BYTE* bytes) {
    memcpy(bytes, magic, sizeof(magic));
    for (DWORD i = 0; i < 4; ++i) bytes[4 + i] = static_cast<BYTE>(kSignatureFormatVersion >> (8 * i));
}

bool HasFileHead(const BYTE (&magic)[4], const BYTE* bytes) {
    BYTE expected[kSignatureFileHeadSize];
    PutFileHead(magic, expected);
    return memcmp(bytes, expected, sizeof(expected)) == 0;
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
    if (count != kSignatureFileSize || !HasFileHead(kSignatureMagic, bytes)) return FALSE;
    memcpy(file->key_id, bytes + kSignatureFileHeadSize, kKeyIdSize);
    memcpy(file->signature, bytes + kSignatureFileHeadSize + kKeyIdSize, kSignatureSize);
    return TRUE;
}

void EncodePublicKeyFile(const BYTE (&key)[kPublicKeySize], BYTE (&bytes)[kPublicKeyFileSize]) {
    PutFileHead(kPublicKeyMagic, bytes);
    BYTE keyId[kKeyIdSize];
    KeyIdOf(key, keyId);
    memcpy(bytes + kSignatureFileHeadSize, keyId, kKeyIdSize);
    memcpy(bytes + kSignatureFileHeadSize + kKeyIdSize, key, kPublicKeySize);
}

void EncodeSignatureFile(const SignatureFile& file, BYTE (&bytes)[kSignatureFileSize]) {
    PutFileHead(kSignatureMagic, bytes);
    memcpy(bytes + kSignatureFileHeadSize, file.key_id, kKeyIdSize);
    memcpy(bytes + kSignatureFileHeadSize + kKeyIdSize, file.signature, kSignatureSize);
}
