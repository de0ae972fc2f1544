// PathKeys: FNV-1a over the upper-cased path as the file system reads it,
// then the size and CRC-32.
#include "delta_path_keys.h"

#include <stdlib.h>
#include <string.h>
#include <wctype.h>

namespace {

constexpr ULONGLONG kFnvOffset = 0xCBF29CE484222325ull;
constexpr ULONGLONG kFnvPrime = 0x100000001B3ull;
constexpr DWORD kFirstCapacity = 256;

ULONGLONG Mix(ULONGLONG hash, DWORD value) {
    for (int i = 0; i < 4; ++i) hash = (hash ^ ((value >> (8 * i)) & 0xFFu)) * kFnvPrime;
    return hash;
}

int CompareKeys(const void* a, const void* b) {
    const ULONGLONG left = *static_cast<const ULONGLONG*>(a);
    const ULONGLONG right = *static_cast<const ULONGLONG*>(b);
    return left < right ? -1 : left > right ? 1 : 0;
}

}  // namespace

ULONGLONG PathKey(LPCWSTR path, bool withContent, DWORD size, DWORD crc) {
    ULONGLONG hash = kFnvOffset;
    for (LPCWSTR component = path;;) {
        LPCWSTR end = component;
        while (*end && *end != L'\\' && *end != L'/') ++end;
        // The file system drops a name's trailing dots and spaces: "a." and
        // "a " name the file "a".
        LPCWSTR kept = end;
        while (kept > component && (kept[-1] == L'.' || kept[-1] == L' ')) --kept;
        for (LPCWSTR c = component; c < kept; ++c) hash = Mix(hash, static_cast<WCHAR>(towupper(*c)));
        if (!*end) break;
        hash = Mix(hash, L'\\');
        component = end + 1;
    }
    // The end of the path, so that "a" + size never meets "a1" + another.
    hash = Mix(hash, 0xFFFFFFFFu);
    if (withContent) hash = Mix(Mix(hash, size), crc);
    return hash;
}

PathKeys::~PathKeys() {
    if (keys_) LocalFree(keys_);
}

bool PathKeys::Add(ULONGLONG key) {
    if (count_ == capacity_) {
        const DWORD capacity = capacity_ ? capacity_ * 2 : kFirstCapacity;
        if (capacity > 0x0FFFFFFFu) return false;
        ULONGLONG* grown = static_cast<ULONGLONG*>(LocalAlloc(LMEM_FIXED, capacity * sizeof(ULONGLONG)));
        if (!grown) return false;
        if (keys_) {
            memcpy(grown, keys_, count_ * sizeof(ULONGLONG));
            LocalFree(keys_);
        }
        keys_ = grown;
        capacity_ = capacity;
    }
    keys_[count_++] = key;
    return true;
}

bool PathKeys::SortAndFindRepeated() {
    if (count_ > 1) qsort(keys_, count_, sizeof(ULONGLONG), CompareKeys);
    for (DWORD i = 1; i < count_; ++i) {
        if (keys_[i] == keys_[i - 1]) return true;
    }
    return false;
}

bool PathKeys::SameAs(const PathKeys& other) const {
    return count_ == other.count_ && (count_ == 0 || memcmp(keys_, other.keys_, count_ * sizeof(ULONGLONG)) == 0);
}

bool PathKeys::Meets(const PathKeys& other) const {
    for (DWORD i = 0, j = 0; i < count_ && j < other.count_;) {
        if (keys_[i] == other.keys_[j]) return true;
        if (keys_[i] < other.keys_[j]) {
            ++i;
        } else {
            ++j;
        }
    }
    return false;
}
