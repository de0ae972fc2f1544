// Encoding and decoding of the key and signature files, byte by byte, so
// that no host byte order or structure padding is involved.
#include "signature_format.h"

#include <sodium.h>
#include <string.h>

#include "package_info.h"

namespace {

// The counts, next keys and models of format 3, as they stand in the file
// and in the signed message. Returns the number of bytes.
DWORD EncodeContent(const SignedContent& content, BYTE* bytes) {
    BYTE* at = bytes;
    *at++ = static_cast<BYTE>(content.next_key_count);
    *at++ = static_cast<BYTE>(content.model_count);
    for (DWORD i = 0; i < content.next_key_count; ++i) {
        EncodePublicKeyFile(content.next_keys[i].key, *reinterpret_cast<BYTE(*)[kPublicKeyFileSize]>(at));
        at += kPublicKeyFileSize;
    }
    for (DWORD i = 0; i < content.model_count; ++i) {
        const size_t length = strlen(content.models[i]);
        *at++ = static_cast<BYTE>(length);
        memcpy(at, content.models[i], length);
        at += length;
    }
    return static_cast<DWORD>(at - bytes);
}

// FALSE unless `bytes` are exactly the counts and what they announce.
BOOL DecodeContent(const BYTE* bytes, DWORD count, SignedContent* content) {
    ZeroMemory(content, sizeof(*content));
    if (count < kSignedContentCountsSize) return FALSE;
    content->next_key_count = bytes[0];
    content->model_count = bytes[1];
    if (content->next_key_count > kMaxNextKeys || content->model_count > kMaxModels) return FALSE;
    DWORD at = kSignedContentCountsSize;
    for (DWORD i = 0; i < content->next_key_count; ++i) {
        if (count - at < kPublicKeyFileSize ||
            !DecodePublicKeyFile(bytes + at, kPublicKeyFileSize, &content->next_keys[i])) {
            return FALSE;
        }
        at += kPublicKeyFileSize;
    }
    for (DWORD i = 0; i < content->model_count; ++i) {
        if (at == count) return FALSE;
        const DWORD length = bytes[at++];
        if (count - at < length || !IsValidModelName(reinterpret_cast<const char*>(bytes + at), length)) return FALSE;
        memcpy(content->models[i], bytes + at, length);
        at += length;
    }
    return at == count;
}

}  // namespace

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
    if (file.format == kSignatureFormatVersion) return;
    BYTE prefix[kSignedPrefixSize + kMaxSignedContentSize];
    PutFileHead(kSignatureMagic, prefix, file.format);
    PutLittleEndian(prefix + kSignatureFileHeadSize, file.security_version);
    DWORD size = kSignedPrefixSize;
    if (file.format == kSignedContentFormat) size += EncodeContent(file.content, prefix + kSignedPrefixSize);
    crypto_sign_update(state, prefix, size);
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
    ZeroMemory(&file->content, sizeof(file->content));
    if (count >= kVersionedSignatureFileSize + kSignedContentCountsSize &&
        HasFileHead(kSignatureMagic, bytes, kSignedContentFormat)) {
        const BYTE* field = bytes + kSignatureFileHeadSize;
        file->format = kSignedContentFormat;
        memcpy(file->key_id, field, kKeyIdSize);
        file->security_version = LittleEndianAt(field + kKeyIdSize);
        const DWORD contentAt = kSignatureFileHeadSize + kKeyIdSize + kSecurityVersionSize;
        const DWORD contentSize = count - contentAt - kSignatureSize;
        if (!DecodeContent(bytes + contentAt, contentSize, &file->content)) return FALSE;
        memcpy(file->signature, bytes + count - kSignatureSize, kSignatureSize);
        return TRUE;
    }
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

DWORD EncodeSignatureFileWithContent(SignatureFile file, BYTE (&bytes)[kMaxSignatureFileSize]) {
    if (file.content.next_key_count == 0 && file.content.model_count == 0) {
        file.format = kVersionedSignatureFormat;
        EncodeSignatureFile(file, *reinterpret_cast<BYTE(*)[kVersionedSignatureFileSize]>(bytes));
        return kVersionedSignatureFileSize;
    }
    PutFileHead(kSignatureMagic, bytes, kSignedContentFormat);
    BYTE* field = bytes + kSignatureFileHeadSize;
    memcpy(field, file.key_id, kKeyIdSize);
    PutLittleEndian(field + kKeyIdSize, file.security_version);
    field += kKeyIdSize + kSecurityVersionSize;
    field += EncodeContent(file.content, field);
    memcpy(field, file.signature, kSignatureSize);
    return static_cast<DWORD>(field + kSignatureSize - bytes);
}

BOOL DecodeTrustedKeys(const BYTE* bytes, DWORD count, TrustedKeys* keys) {
    ZeroMemory(keys, sizeof(*keys));
    if (count == 0 || count % kPublicKeyFileSize != 0 || count / kPublicKeyFileSize > kMaxTrustedKeys) return FALSE;
    keys->count = count / kPublicKeyFileSize;
    for (DWORD i = 0; i < keys->count; ++i) {
        if (!DecodePublicKeyFile(bytes + i * kPublicKeyFileSize, kPublicKeyFileSize, &keys->keys[i])) return FALSE;
    }
    return TRUE;
}

const PublicKeyFile* FindTrustedKey(const TrustedKeys& keys, const BYTE (&keyId)[kKeyIdSize]) {
    for (DWORD i = 0; i < keys.count; ++i) {
        if (memcmp(keys.keys[i].key_id, keyId, kKeyIdSize) == 0) return &keys.keys[i];
    }
    return NULL;
}

DWORD EncodeNextKeys(const SignedContent& content, BYTE (&bytes)[kMaxNextKeys * kPublicKeyFileSize]) {
    for (DWORD i = 0; i < content.next_key_count; ++i) {
        EncodePublicKeyFile(content.next_keys[i].key,
                            *reinterpret_cast<BYTE(*)[kPublicKeyFileSize]>(bytes + i * kPublicKeyFileSize));
    }
    return content.next_key_count * kPublicKeyFileSize;
}

bool IsValidModelName(const char* name, size_t length) {
    if (length == 0 || length > kMaxModelLength) return false;
    for (size_t i = 0; i < length; ++i) {
        if (name[i] < 0x20 || name[i] > 0x7E) return false;
    }
    return true;
}

bool ModelNamesEqual(const char* model, LPCWSTR deviceModel) {
    auto lower = [](unsigned value) { return value >= 'A' && value <= 'Z' ? value + ('a' - 'A') : value; };
    size_t i = 0;
    for (; model[i] && deviceModel[i]; ++i) {
        if (lower(static_cast<unsigned char>(model[i])) != lower(static_cast<unsigned>(deviceModel[i]))) return false;
    }
    return model[i] == 0 && deviceModel[i] == 0;
}

BOOL IsForModel(const SignedContent& content, LPCWSTR deviceModel) {
    if (content.model_count == 0) return TRUE;
    for (DWORD i = 0; i < content.model_count; ++i) {
        if (ModelNamesEqual(content.models[i], deviceModel)) return TRUE;
    }
    return FALSE;
}
