// Test-only signing over libsodium.
#include "signing_support.h"

#include <sodium.h>

#include <stdexcept>

#include "package_builder.h"

namespace package_testing {
namespace {

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

}  // namespace

TestKey MakeKey(unsigned char seed) {
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
    unsigned char seedBytes[crypto_sign_SEEDBYTES];
    for (unsigned char& byte : seedBytes) byte = seed;
    unsigned char pk[crypto_sign_PUBLICKEYBYTES], sk[crypto_sign_SECRETKEYBYTES], hash[32];
    crypto_sign_seed_keypair(pk, sk, seedBytes);
    crypto_generichash(hash, sizeof(hash), pk, sizeof(pk), nullptr, 0);
    return {std::string(reinterpret_cast<char*>(pk), sizeof(pk)), std::string(reinterpret_cast<char*>(sk), sizeof(sk)),
            std::string(reinterpret_cast<char*>(hash), 8)};
}

std::string PublicKeyFile(const TestKey& key) { return "RVPK" + LittleEndian(1) + key.keyId + key.publicKey; }

std::string SignatureFile(const TestKey& signer, const std::string& bytes) { return SignatureFile(signer, bytes, signer); }

std::string SignatureFile(const TestKey& signer, const std::string& bytes, const TestKey& named) {
    crypto_sign_state state;
    crypto_sign_init(&state);
    crypto_sign_update(&state, Bytes(bytes), bytes.size());
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_final_create(&state, signature, nullptr, Bytes(signer.secretKey));
    return "RVSG" + LittleEndian(1) + named.keyId + std::string(reinterpret_cast<char*>(signature), sizeof(signature));
}

namespace {

// The Ed25519ph signature of `prefix` followed by `bytes`, as 64 bytes.
std::string SignedAfterPrefix(const TestKey& signer, const std::string& prefix, const std::string& bytes) {
    crypto_sign_state state;
    crypto_sign_init(&state);
    crypto_sign_update(&state, Bytes(prefix), prefix.size());
    crypto_sign_update(&state, Bytes(bytes), bytes.size());
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_final_create(&state, signature, nullptr, Bytes(signer.secretKey));
    return std::string(reinterpret_cast<char*>(signature), sizeof(signature));
}

}  // namespace

std::string VersionedSignatureFile(const TestKey& signer, const std::string& bytes, uint32_t securityVersion) {
    const std::string prefix = "RVSG" + LittleEndian(2) + LittleEndian(securityVersion);
    return "RVSG" + LittleEndian(2) + signer.keyId + LittleEndian(securityVersion) +
           SignedAfterPrefix(signer, prefix, bytes);
}

std::string SignedContentFile(const TestKey& signer, const std::string& bytes, uint32_t securityVersion,
                              const std::vector<TestKey>& nextKeys, const std::vector<std::string>& models) {
    std::string content;
    content += static_cast<char>(nextKeys.size());
    content += static_cast<char>(models.size());
    for (const TestKey& key : nextKeys) content += PublicKeyFile(key);
    for (const std::string& model : models) content += static_cast<char>(model.size()) + model;
    const std::string prefix = "RVSG" + LittleEndian(3) + LittleEndian(securityVersion) + content;
    return "RVSG" + LittleEndian(3) + signer.keyId + LittleEndian(securityVersion) + content +
           SignedAfterPrefix(signer, prefix, bytes);
}

std::string TrustedKeyFile(const std::vector<TestKey>& keys) {
    std::string file;
    for (const TestKey& key : keys) file += PublicKeyFile(key);
    return file;
}

}  // namespace package_testing
