// Key pairs, secret key files and signature files, through libsodium.
#include "signing_keys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "messages.h"
#include "package_writer.h"
#include "signature_format.h"

namespace pack {
namespace {

// Writes the whole file and flushes it to disk: a key or a signature is
// small, and a half-written one is worse than none.
bool WriteFileBytes(const std::string& path, int flags, mode_t mode, const BYTE* bytes, size_t count,
                    std::string* error) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | flags, mode);
    if (fd < 0) {
        *error = FileError(path, errno);
        return false;
    }
    bool ok = WriteAll(fd, bytes, count, path, error);
    if (ok && fsync(fd) != 0) {
        *error = FileError(path, errno);
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        *error = FileError(path, errno);
        ok = false;
    }
    return ok;
}

bool WriteNewFile(const std::string& path, const BYTE* bytes, size_t count, mode_t mode, std::string* error) {
    if (WriteFileBytes(path, O_CREAT | O_EXCL, mode, bytes, count, error)) return true;
    if (errno != EEXIST) unlink(path.c_str());
    return false;
}

}  // namespace

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
        struct stat st;
        if (lstat(path.c_str(), &st) == 0) {
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
        unlink(secretPath.c_str());
        return false;
    }
    *keyId = KeyIdText(id);
    return true;
}

bool LoadSecretKey(const std::string& path, SecretKey* key, std::string* error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = FileError(path, errno);
        return false;
    }
    BYTE bytes[kSecretKeyFileSize + 1];
    size_t count = std::fread(bytes, 1, sizeof(bytes), file);
    bool readFailed = std::ferror(file);
    std::fclose(file);
    if (readFailed) {
        *error = FileError(path, EIO);
        return false;
    }
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
    if (!ok) *error = "'" + path + "' is not a secret key file written by ruvexa-pack keygen";
    return ok;
}

bool WriteSignature(const std::string& packagePath, const SecretKey& key, const std::string& signaturePath,
                    TempFile* signature, std::string* error) {
    if (!signature->CreateBeside(signaturePath, "tmp", error)) return false;
    int in = open(packagePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = FileError(packagePath, errno);
        return false;
    }
    crypto_sign_state state;
    crypto_sign_init(&state);
    std::vector<BYTE> buffer(kSectionBufferSize);
    for (;;) {
        ssize_t count = read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *error = FileError(packagePath, errno);
            close(in);
            return false;
        }
        if (count == 0) break;
        crypto_sign_update(&state, buffer.data(), static_cast<unsigned long long>(count));
    }
    close(in);

    SignatureFile file;
    std::memcpy(file.key_id, key.keyId, kKeyIdSize);
    crypto_sign_final_create(&state, file.signature, nullptr, key.key);
    BYTE bytes[kSignatureFileSize];
    EncodeSignatureFile(file, bytes);
    return WriteFileBytes(signature->Path(), O_TRUNC, 0, bytes, sizeof(bytes), error);
}

}  // namespace pack
