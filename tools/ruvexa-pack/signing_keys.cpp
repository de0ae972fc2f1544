// Key pairs, secret key files and signature files, through libsodium.
#include "signing_keys.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "host_file.h"
#include "signature_format.h"

namespace pack {

std::string KeyIdText(const BYTE (&keyId)[kKeyIdSize]) {
    std::string text;
    char digits[3];
    for (BYTE byte : keyId) {
        std::snprintf(digits, sizeof(digits), "%02X", byte);
        text += digits;
    }
    return text;
}

bool WriteKeyPair(const std::string& name, std::string* keyId, std::string* error) {
    const std::string secretPath = name + ".key", publicPath = name + ".pub";
    for (const std::string& path : {secretPath, publicPath}) {
        std::error_code ignored;
        if (std::filesystem::is_symlink(path, ignored) || std::filesystem::exists(path, ignored)) {
            *error = "'" + path + "' exists: keygen never replaces a key";
            return false;
        }
    }
    BYTE publicKey[kPublicKeySize];
    BYTE secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_keypair(publicKey, secretKey);

    BYTE publicFile[kPublicKeyFileSize];
    EncodePublicKeyFile(publicKey, publicFile);
    BYTE id[kKeyIdSize];
    KeyIdOf(publicKey, id);
    BYTE secretFile[kSecretKeyFileSize];
    PutFileHead(kSecretKeyMagic, secretFile);
    std::memcpy(secretFile + kSignatureFileHeadSize, id, sizeof(id));
    std::memcpy(secretFile + kSignatureFileHeadSize + kKeyIdSize, secretKey, sizeof(secretKey));
    sodium_memzero(secretKey, sizeof(secretKey));

    bool ok = WriteNewFile(secretPath, secretFile, sizeof(secretFile), 0600, error);
    sodium_memzero(secretFile, sizeof(secretFile));
    if (!ok) return false;
    if (!WriteNewFile(publicPath, publicFile, sizeof(publicFile), 0644, error)) {
        std::error_code ignored;
        std::filesystem::remove(secretPath, ignored);
        return false;
    }
    *keyId = KeyIdText(id);
    return true;
}

std::string KeyKindMixUp(const std::string& path, bool secretWanted) {
    std::string head, ignored;
    if (!ReadSmallFile(path, kSignatureFileHeadSize, &head, &ignored) || head.size() < kSignatureFileHeadSize) return "";
    const BYTE(&otherMagic)[4] = secretWanted ? kPublicKeyMagic : kSecretKeyMagic;
    if (!HasFileHead(otherMagic, reinterpret_cast<const BYTE*>(head.data()))) return "";
    const std::string wanted = secretWanted ? ".key" : ".pub";
    const std::string instead = std::filesystem::path(path).replace_extension(wanted).string();
    std::error_code failure;
    const bool insteadExists = instead != path && std::filesystem::is_regular_file(instead, failure);
    if (secretWanted) {
        return "'" + path + "' is a public key; signing needs the secret key of the pair: " +
               (insteadExists ? "give '" + instead + "'"
                              : std::string("give the NAME.key that ruvexa-pack keygen wrote beside NAME.pub"));
    }
    return "'" + path + "' is a secret key (keep it off the devices); --key takes the public key a device trusts: " +
           (insteadExists ? "give '" + instead + "'"
                          : std::string("give the NAME.pub that ruvexa-pack keygen wrote beside NAME.key"));
}

bool LoadSecretKey(const std::string& path, SecretKey* key, std::string* error) {
    std::string text;
    if (!ReadSmallFile(path, kSecretKeyFileSize + 1, &text, error)) return false;
    BYTE bytes[kSecretKeyFileSize + 1] = {};
    const size_t count = text.size();
    std::memcpy(bytes, text.data(), count);
    sodium_memzero(text.data(), text.size());
    bool ok = count == kSecretKeyFileSize && HasFileHead(kSecretKeyMagic, bytes);
    if (ok) {
        std::memcpy(key->keyId, bytes + kSignatureFileHeadSize, kKeyIdSize);
        std::memcpy(key->key, bytes + kSignatureFileHeadSize + kKeyIdSize, sizeof(key->key));
        // The seed must yield the public half, and the key id must be its.
        BYTE publicKey[kPublicKeySize], derived[crypto_sign_SECRETKEYBYTES], keyId[kKeyIdSize];
        crypto_sign_seed_keypair(publicKey, derived, key->key);
        KeyIdOf(publicKey, keyId);
        ok = std::memcmp(derived, key->key, sizeof(derived)) == 0 && std::memcmp(keyId, key->keyId, kKeyIdSize) == 0;
        sodium_memzero(derived, sizeof(derived));
    }
    sodium_memzero(bytes, sizeof(bytes));
    if (ok) return true;
    *error = KeyKindMixUp(path, true);
    if (error->empty()) *error = "'" + path + "' is not a secret key file written by ruvexa-pack keygen";
    return false;
}

bool WriteSignature(const std::string& packagePath, const SecretKey& key, DWORD securityVersion,
                    const std::string& signaturePath, TempFile* signature, std::string* error,
                    const SignedContent& content) {
    if (!signature->CreateBeside(signaturePath, "tmp", error)) return false;
    HostFile in;
    if (!in.OpenForReading(packagePath, error)) return false;
    SignatureFile file;
    const bool carriesContent = content.next_key_count > 0 || content.model_count > 0;
    file.format = carriesContent ? kSignedContentFormat : kVersionedSignatureFormat;
    file.security_version = securityVersion;
    file.content = content;
    std::memcpy(file.key_id, key.keyId, kKeyIdSize);
    crypto_sign_state state;
    StartSignedMessage(file, &state);
    std::vector<BYTE> buffer(kSectionBufferSize);
    while (size_t count = in.Read(buffer.data(), buffer.size())) {
        crypto_sign_update(&state, buffer.data(), static_cast<unsigned long long>(count));
    }
    if (in.Failed()) {
        *error = in.LastError();
        return false;
    }

    crypto_sign_final_create(&state, file.signature, nullptr, key.key);
    BYTE bytes[kMaxSignatureFileSize];
    const DWORD size = EncodeSignatureFileWithContent(file, bytes);
    // A signature is small, and a half-written one is worse than none.
    HostFile out;
    return out.OpenForWriting(signature->Path(), false, 0, error) && out.WriteAll(bytes, size, error) &&
           out.Sync(error) && out.Close(error);
}

}  // namespace pack
