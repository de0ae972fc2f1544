// LoadStringW, LoadIconW, LoadBitmapW and host::SetResourceTable: the
// program's resources from the table its host build generates. The instance
// handle is not consulted: the program is the only module with resources.
#include <algorithm>
#include <atomic>
#include <cwchar>

#include "dib_decode.h"
#include "display_backend.h"
#include "error.h"
#include "resource_lookup.h"

namespace host {
namespace {

std::atomic<const ResourceTable*> g_table{nullptr};

template <class Resource>
const Resource* FindById(const Resource* resources, size_t count, UINT id) {
    if (!resources) return nullptr;
    auto found = std::find_if(resources, resources + count, [&](const Resource& r) { return r.id == id; });
    return found == resources + count ? nullptr : found;
}

}  // namespace

void SetResourceTable(const ResourceTable* table) { g_table = table; }

const ResourceTable* CurrentResourceTable() { return g_table; }

bool ResourceIdOf(LPCWSTR name, UINT* id) {
    auto value = reinterpret_cast<uintptr_t>(name);
    if (value == 0 || value > 0xFFFF) return false;
    *id = static_cast<UINT>(value);
    return true;
}

const StringResource* FindStringResource(UINT id) {
    const ResourceTable* table = g_table;
    return table ? FindById(table->strings, table->stringCount, id) : nullptr;
}

const FileResource* FindBitmapResource(UINT id) {
    const ResourceTable* table = g_table;
    return table ? FindById(table->bitmaps, table->bitmapCount, id) : nullptr;
}

const FileResource* FindIconResource(UINT id) {
    const ResourceTable* table = g_table;
    return table ? FindById(table->icons, table->iconCount, id) : nullptr;
}

const AcceleratorResource* FindAcceleratorResource(UINT id) {
    const ResourceTable* table = g_table;
    return table ? FindById(table->accelerators, table->acceleratorCount, id) : nullptr;
}

const DialogResource* FindDialogResource(UINT id) {
    const ResourceTable* table = g_table;
    return table ? FindById(table->dialogs, table->dialogCount, id) : nullptr;
}

const FileResource* IconResourceOf(HICON icon) {
    // An HICON is the address of its entry in the table.
    const ResourceTable* table = g_table;
    if (!table || !table->icons || !icon) return nullptr;
    auto entry = reinterpret_cast<const FileResource*>(icon);
    if (entry < table->icons || entry >= table->icons + table->iconCount) return nullptr;
    return entry;
}

}  // namespace host

extern "C" int WINAPI LoadStringW(HINSTANCE, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const host::StringResource* resource = host::FindStringResource(uID);
    if (!resource || !resource->text) {
        if (cchBufferMax > 0) lpBuffer[0] = L'\0';
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    int length = static_cast<int>(std::wcslen(resource->text));
    if (cchBufferMax == 0) {
        // A zero-sized buffer receives a read-only pointer to the text itself.
        *reinterpret_cast<const WCHAR**>(lpBuffer) = resource->text;
        return length;
    }
    int copied = std::min(length, cchBufferMax - 1);
    std::wmemcpy(lpBuffer, resource->text, copied);
    lpBuffer[copied] = L'\0';
    return copied;
}

extern "C" HICON WINAPI LoadIconW(HINSTANCE, LPCWSTR lpIconName) {
    UINT id = 0;
    const host::FileResource* resource = host::ResourceIdOf(lpIconName, &id) ? host::FindIconResource(id) : nullptr;
    if (!resource) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HICON>(const_cast<host::FileResource*>(resource));
}

extern "C" HBITMAP WINAPI LoadBitmapW(HINSTANCE, LPCWSTR lpBitmapName) {
    UINT id = 0;
    const host::FileResource* resource =
        host::ResourceIdOf(lpBitmapName, &id) ? host::FindBitmapResource(id) : nullptr;
    if (!resource) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    host::DecodedImage image;
    if (!host::DecodeBmpFile(resource->bytes, resource->size, &image)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return host::CreateBitmapFromPixels(image.width, image.height, image.pixels.data());
}
