// Test-only signing: Ed25519 keys from a fixed seed and the key and
// signature files written byte by byte as documented, straight from
// libsodium rather than through the program's encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace package_testing {

struct TestKey {
    std::string publicKey;  // 32 bytes
    std::string secretKey;  // 64 bytes
    std::string keyId;      // 8 bytes
};

// The same key for the same seed.
TestKey MakeKey(unsigned char seed);

// "RVPK", version 1, key id, public key.
std::string PublicKeyFile(const TestKey& key);

// "RVSG", version 1, key id, Ed25519ph signature of `bytes` by `signer`,
// naming `named`'s key id (the signer's unless given).
std::string SignatureFile(const TestKey& signer, const std::string& bytes);
std::string SignatureFile(const TestKey& signer, const std::string& bytes, const TestKey& named);

// "RVSG", version 2, key id, `securityVersion`, Ed25519ph signature of
// "RVSG", version 2 and `securityVersion` followed by `bytes`.
std::string VersionedSignatureFile(const TestKey& signer, const std::string& bytes, uint32_t securityVersion);

// "RVSG", version 3, key id, `securityVersion`, the next keys' count and the
// models' count (a byte each), each next key's key file, each model as a
// length byte and its characters, then the Ed25519ph signature of the whole
// file but its key id and signature, followed by `bytes`.
std::string SignedContentFile(const TestKey& signer, const std::string& bytes, uint32_t securityVersion,
                              const std::vector<TestKey>& nextKeys, const std::vector<std::string>& models);

// A device's Upgrade.pub of several keys: their key files one after another.
std::string TrustedKeyFile(const std::vector<TestKey>& keys);

}  // namespace package_testing
