// ManifestLineReader, ParseManifestLine, WriteManifestLine: the manifest's
// lines as delta_manifest.h describes them.
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

const char* KindWord(ManifestKind kind) {
    switch (kind) {
    case ManifestKind::kExeWhole:
        return "exe whole";
    case ManifestKind::kExePatch:
        return "exe patch";
    case ManifestKind::kTake:
        return "take";
    case ManifestKind::kAdd:
        return "add";
    }
    return "";
}

// Appends `text` at out[*length]; false when it and the zero do not fit.
bool Append(char* out, DWORD capacity, DWORD* length, const char* text) {
    const size_t size = strlen(text);
    if (size >= capacity - *length) return false;
    memcpy(out + *length, text, size + 1);
    *length += static_cast<DWORD>(size);
    return true;
}

}  // namespace

bool ParseManifestLine(const char* text, ManifestLine* line, const char** pathText) {
    const char* at = text;
    line->path[0] = L'\0';
    if (pathText) *pathText = "";
    if (Skip(&at, "exe whole ") || Skip(&at, "exe patch ")) {
        line->kind = text[4] == 'w' ? ManifestKind::kExeWhole : ManifestKind::kExePatch;
        return ParseSizeAndCrc(&at, line) && *at == '\0';
    }
    if (Skip(&at, "take ") || Skip(&at, "add ")) {
        line->kind = text[0] == 't' ? ManifestKind::kTake : ManifestKind::kAdd;
        if (!ParseSizeAndCrc(&at, line) || !Skip(&at, " ") || !ParsePath(at, line)) return false;
        if (pathText) *pathText = at;
        return true;
    }
    return false;
}

DWORD WriteManifestLine(ManifestKind kind, DWORD size, DWORD crc, const char* path, char* out, DWORD capacity) {
    const bool exe = kind == ManifestKind::kExeWhole || kind == ManifestKind::kExePatch;
    char numbers[32];
    char digits[12];
    int count = 0;
    for (DWORD rest = size; count == 0 || rest > 0; rest /= 10) digits[count++] = static_cast<char>('0' + rest % 10);
    DWORD at = 0;
    numbers[at++] = ' ';
    while (count > 0) numbers[at++] = digits[--count];
    numbers[at++] = ' ';
    for (int shift = 28; shift >= 0; shift -= 4) numbers[at++] = "0123456789ABCDEF"[(crc >> shift) & 0xFu];
    numbers[at] = '\0';

    // A line end inside the path would make two lines of one, or be read as
    // the line's own end.
    if (!exe && (!path || strpbrk(path, "\r\n"))) return 0;
    DWORD length = 0;
    if (capacity == 0 || !Append(out, capacity, &length, KindWord(kind)) || !Append(out, capacity, &length, numbers) ||
        (!exe && (!Append(out, capacity, &length, " ") || !Append(out, capacity, &length, path)))) {
        return 0;
    }
    ManifestLine parsed;
    if (length + 1 > kManifestLineCapacity || !ParseManifestLine(out, &parsed) || parsed.kind != kind ||
        parsed.size != size || parsed.crc != crc || !Append(out, capacity, &length, "\n")) {
        return 0;
    }
    return length;
}

DWORD WriteManifestFirstLine(char* out, DWORD capacity) {
    DWORD length = 0;
    if (capacity == 0 || !Append(out, capacity, &length, kManifestFirstLine) || !Append(out, capacity, &length, "\n")) {
        return 0;
    }
    return length;
}

bool ManifestLineReader::Begin(ManifestSource* source) {
    source_ = source;
    start_ = filled_ = 0;
    failed_ = false;
    pathText_ = "";
    return ReadLine() && strcmp(line_, kManifestFirstLine) == 0;
}

bool ManifestLineReader::ReadLine() {
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
        const int count = source_->Read(buffer_ + filled_, sizeof(buffer_) - filled_);
        if (count < 0 || (count == 0 && filled_ != 0)) failed_ = true;
        if (count <= 0) return false;
        filled_ += static_cast<DWORD>(count);
    }
}

ManifestRead ManifestLineReader::Next(ManifestLine* line) {
    pathText_ = "";
    if (failed_ || !ReadLine()) return failed_ ? ManifestRead::kMalformed : ManifestRead::kEnd;
    if (ParseManifestLine(line_, line, &pathText_)) return ManifestRead::kLine;
    failed_ = true;
    return ManifestRead::kMalformed;
}
