// ReadDeviceModel, IsForAnotherModel.
#include "model_refusal.h"

#include <type_traits>

#include "key_rotation.h"
#include "log_line.h"
#include "signature_check.h"

namespace {

// How much of each name the refusal's line shows, so that it stays within
// the 127 characters the device's debug output takes; a longer name ends
// in "...".
constexpr size_t kShownModelChars = 20;
constexpr size_t kShownModelListChars = 28;

// Appends `text` to `shown` (of `capacity` units, `*length` used); FALSE
// when it did not fit whole.
template <class Char>
bool AppendShown(WCHAR* shown, size_t capacity, size_t* length, const Char* text) {
    for (; *text; ++text) {
        if (*length + 1 >= capacity) return false;
        shown[(*length)++] = static_cast<WCHAR>(static_cast<std::make_unsigned_t<Char>>(*text));
    }
    return true;
}

// `texts` joined by commas as shown: whole, or cut to end in "..." within
// `capacity` units.
template <class Char>
void Shown(WCHAR* shown, size_t capacity, const Char* const* texts, DWORD count) {
    size_t length = 0;
    bool whole = true;
    for (DWORD i = 0; i < count && whole; ++i) {
        whole = (i == 0 || AppendShown(shown, capacity, &length, L",")) &&
                AppendShown(shown, capacity, &length, texts[i]);
    }
    if (!whole) length = capacity - 4, AppendShown(shown, capacity, &length, L"...");
    shown[length] = L'\0';
}

}  // namespace

void ReadDeviceModel(WCHAR (&model)[kDeviceModelCapacity]) {
    if (!SystemParametersInfoW(SPI_GETOEMINFO, sizeof(model), model, 0)) model[0] = L'\0';
}

BOOL IsForAnotherModel(LPCWSTR package, LPCWSTR deviceModel) {
    SignatureFile signature;
    if (!HoldsTrustedKeys() || !ReadSignatureClaim(package, &signature) ||
        IsForModel(signature.content, deviceModel)) {
        return FALSE;
    }
    WCHAR device[kShownModelChars + 1];
    Shown(device, sizeof(device) / sizeof(device[0]), &deviceModel, 1);
    const char* names[kMaxModels];
    for (DWORD i = 0; i < signature.content.model_count; ++i) names[i] = signature.content.models[i];
    WCHAR models[kShownModelListChars + 1];
    Shown(models, sizeof(models) / sizeof(models[0]), names, signature.content.model_count);
    LogLine(L"StartExtraction(): !!! Package for another model=[%s], models=[%s]", device, models);
    return TRUE;
}
