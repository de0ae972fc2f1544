// ManifestReader: parses the manifest's lines (delta_format.h) as they are
// inflated; a line that is not exactly of its form ends the reading.
#include "delta_manifest.h"

#include <stdlib.h>
#include <string.h>

#include "entry_name.h"

namespace {

// A decimal DWORD ending at a blank or the line's end; false on overflow.
bool ParseDecimal(const char** text, DWORD* value) {
    const char* at = *text;
    unsigned long long parsed = 0;
    if (*at < '0' || *at > '9') return false;
    for (; *at >= '0' && *at <= '9'; ++at) {
        parsed = parsed * 10 + static_cast<unsigned>(*at - '0');
        if (parsed > 0xFFFFFFFFull) return false;
    }
    *value = static_cast<DWORD>(parsed);
    *text = at;
    return true;
}

// Exactly eight hex digits.
bool ParseHex(const char** text, DWORD* value) {
    DWORD parsed = 0;
    const char* at = *text;
    for (int i = 0; i < 8; ++i, ++at) {
        const char c = *at;
        DWORD digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<DWORD>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<DWORD>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<DWORD>(c - 'a' + 10);
        } else {
            return false;
        }
        parsed = parsed << 4 | digit;
    }
    *value = parsed;
    *text = at;
    return true;
}

bool Skip(const char** text, const char* word) {
    const size_t length = strlen(word);
    if (strncmp(*text, word, length) != 0) return false;
    *text += length;
    return true;
}

// "SIZE CRC" after a keyword and its blank.
bool ParseSizeAndCrc(const char** text, ManifestLine* line) {
    return ParseDecimal(text, &line->size) && Skip(text, " ") && ParseHex(text, &line->crc);
}

// The path as the extractor takes an entry name: UTF-8, made "\", and
// refused when it would leave the folder.
bool ParsePath(const char* text, ManifestLine* line) {
    size_t converted = 0;
    if (!*text || mbstowcs_s(&converted, line->path, MAX_PATH, text, MAX_PATH) != 0) return false;
    for (WCHAR* c = line->path; *c; ++c) {
        if (*c == L'/') *c = L'\\';
    }
    if (!IsSafeEntryName(line->path)) return false;
    DropCurrentFolderComponents(line->path);
    const size_t length = wcslen(line->path);
    return length > 0 && line->path[length - 1] != L'\\';
}

}  // namespace

bool ManifestReader::Open(LPCWSTR archive) {
    start_ = filled_ = 0;
    failed_ = false;
    return entry_.Open(archive, kManifestEntryName) && ReadLine() && strcmp(line_, kManifestFirstLine) == 0;
}

bool ManifestReader::ReadLine() {
    for (;;) {
        for (DWORD at = start_; at < filled_; ++at) {
            if (buffer_[at] != '\n') continue;
            DWORD length = at - start_;
            if (length > 0 && buffer_[at - 1] == '\r') --length;
            memcpy(line_, buffer_ + start_, length);
            line_[length] = '\0';
            start_ = at + 1;
            // A zero byte inside a line would hide the rest of it.
            if (strlen(line_) != length) failed_ = true;
            return !failed_;
        }
        memmove(buffer_, buffer_ + start_, filled_ - start_);
        filled_ -= start_;
        start_ = 0;
        if (filled_ == sizeof(buffer_)) {
            failed_ = true;
            return false;
        }
        const int count = entry_.Read(buffer_ + filled_, sizeof(buffer_) - filled_);
        if (count < 0 || (count == 0 && filled_ != 0)) failed_ = true;
        if (count <= 0) return false;
        filled_ += static_cast<DWORD>(count);
    }
}

ManifestRead ManifestReader::Next(ManifestLine* line) {
    if (!ReadLine()) return failed_ ? ManifestRead::kMalformed : ManifestRead::kEnd;
    const char* text = line_;
    line->path[0] = L'\0';
    bool parsed = false;
    if (Skip(&text, "exe whole ") || Skip(&text, "exe patch ")) {
        line->kind = line_[4] == 'w' ? ManifestKind::kExeWhole : ManifestKind::kExePatch;
        parsed = ParseSizeAndCrc(&text, line) && *text == '\0';
    } else if (Skip(&text, "take ") || Skip(&text, "add ")) {
        line->kind = line_[0] == 't' ? ManifestKind::kTake : ManifestKind::kAdd;
        parsed = ParseSizeAndCrc(&text, line) && Skip(&text, " ") && ParsePath(text, line);
    }
    if (parsed) return ManifestRead::kLine;
    failed_ = true;
    return ManifestRead::kMalformed;
}
