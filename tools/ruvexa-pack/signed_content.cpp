// LoadSignedContent and the wording of next keys and models.
#include "signed_content.h"

#include <cstring>

#include "host_file.h"
#include "signing_keys.h"

namespace pack {
namespace {

// Adds the keys of one --next-key file.
bool AddNextKeys(const std::string& path, SignedContent* content, std::string* error) {
    std::string bytes;
    if (!ReadSmallFile(path, kMaxTrustedKeyFileSize + 1, &bytes, error)) return false;
    TrustedKeys keys;
    if (!DecodeTrustedKeys(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), &keys)) {
        const bool secret = bytes.size() >= 4 && std::memcmp(bytes.data(), kSecretKeyMagic, 4) == 0;
        *error = "'" + path + "' is " + (secret ? "a secret key file" : "not a public key file") +
                 ": --next-key takes the public key NAME.pub of a key the devices are to trust next";
        return false;
    }
    for (DWORD i = 0; i < keys.count; ++i) {
        if (content->next_key_count == kMaxNextKeys) {
            *error = "--next-key: a signature carries at most " + std::to_string(kMaxNextKeys) + " next keys";
            return false;
        }
        content->next_keys[content->next_key_count++] = keys.keys[i];
    }
    return true;
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
    return joined;
}

}  // namespace

bool LoadSignedContent(const Arguments& arguments, SignedContent* content, std::string* error) {
    *content = SignedContent{};
    for (const std::string& path : arguments.nextKeys) {
        if (!AddNextKeys(path, content, error)) return false;
    }
    if (arguments.models.size() > kMaxModels) {
        *error = "--model: a signature names at most " + std::to_string(kMaxModels) + " models";
        return false;
    }
    for (const std::string& model : arguments.models) {
        if (!IsValidModelName(model.c_str(), model.size())) {
            *error = "--model '" + model + "': a model is 1 to " + std::to_string(kMaxModelLength) +
                     " printable ASCII characters, as the device's OEM info names it";
            return false;
        }
        std::memcpy(content->models[content->model_count++], model.c_str(), model.size() + 1);
    }
    return true;
}

std::vector<std::string> NextKeyIds(const SignedContent& content) {
    std::vector<std::string> ids;
    for (DWORD i = 0; i < content.next_key_count; ++i) ids.push_back(KeyIdText(content.next_keys[i].key_id));
    return ids;
}

std::vector<std::string> ModelNames(const SignedContent& content) {
    return std::vector<std::string>(content.models, content.models + content.model_count);
}

std::string SignedContentText(const SignedContent& content) {
    std::string text;
    if (content.next_key_count > 0) text += "; next keys " + Joined(NextKeyIds(content));
    if (content.model_count > 0) text += "; models " + Joined(ModelNames(content));
    return text;
}

}  // namespace pack
