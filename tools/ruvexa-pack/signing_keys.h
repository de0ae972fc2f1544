// The signing side of signed packages: key pairs, the secret key file, and
// the signature file written beside a package. The public key and signature
// files are the device's own formats (signature_format.h).
#pragma once

#include <sodium.h>
#include <windows.h>

#include <string>

#include "package_constants.h"
#include "signature_format.h"
#include "temp_file.h"

namespace pack {

// The secret key file NAME.key: the magic "RVSK", the format version (4
// bytes, little-endian), the key id, then libsodium's 64-byte Ed25519 secret
// key (the 32-byte seed followed by the public key).
constexpr BYTE kSecretKeyMagic[4] = {'R', 'V', 'S', 'K'};
constexpr size_t kSecretKeyFileSize = kSignatureFileHeadSize + kKeyIdSize + crypto_sign_SECRETKEYBYTES;

struct SecretKey {
    BYTE keyId[kKeyIdSize];
    BYTE key[crypto_sign_SECRETKEYBYTES];
};

// A key id as 16 upper-case hexadecimal digits.
std::string KeyIdText(const BYTE (&keyId)[kKeyIdSize]);

// Makes a new key pair as NAME.key (mode 0600) and NAME.pub; never replaces
// a file. *keyId is the new key's id.
bool WriteKeyPair(const std::string& name, std::string* keyId, std::string* error);

// When the key file at `path` is of the other kind than the one wanted (a
// public key given for signing, a secret key given as the key a device
// trusts), the error that says so and names the file to give instead: the
// same name with the wanted suffix when that file exists. Else empty.
std::string KeyKindMixUp(const std::string& path, bool secretWanted);

// Reads NAME.key; refuses a file that is not one, or whose halves disagree.
bool LoadSecretKey(const std::string& path, SecretKey* key, std::string* error);

// Signs `securityVersion` and every byte of the host file `packagePath`
// (Ed25519ph) into a versioned signature file, temporary beside
// `signaturePath`; the caller renames *signature onto it once the package is
// in place.
// `content`: the next keys and models it carries too (format 3); without
// any, the versioned format that every keyed device reads.
bool WriteSignature(const std::string& packagePath, const SecretKey& key, DWORD securityVersion,
                    const std::string& signaturePath, TempFile* signature, std::string* error,
                    const SignedContent& content = SignedContent{});

}  // namespace pack
