// ParseKeyValueText, ReadKeyValueFile, KeyValueWriter: the device's small
// key=value files, read by their format and written line by line.
#include "key_value_file.h"

#include <string.h>

#include "small_text_file.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Whether [value, end) spells a value of `field`'s kind; the value is kept
// as the field's in `values`.
bool TakeValue(const char* value, const char* end, const KeyValueField& field, int index, KeyValues* values) {
    const DWORD length = static_cast<DWORD>(end - value);
    switch (field.kind) {
    case KeyValueKind::kDecimal: {
        if (length == 0) return false;
        unsigned long long number = 0;
        for (const char* c = value; c < end; ++c) {
            if (*c < '0' || *c > '9') return false;
            number = number * 10 + static_cast<unsigned>(*c - '0');
            if (number > 0xFFFFFFFFull) return false;
        }
        values->numbers[index] = static_cast<DWORD>(number);
        return true;
    }
    case KeyValueKind::kStartCount:
        if (length != 1 || *value < '1' || *value > '9') return false;
        values->numbers[index] = static_cast<DWORD>(*value - '0');
        return true;
    case KeyValueKind::kBit:
        if (length != 1 || (*value != '0' && *value != '1')) return false;
        values->numbers[index] = static_cast<DWORD>(*value - '0');
        return true;
    case KeyValueKind::kChecksum: {
        if (length != 8) return false;
        DWORD number = 0;
        for (const char* c = value; c < end; ++c) {
            const char* digit = strchr("0123456789ABCDEF", *c);
            if (*c == '\0' || digit == NULL) return false;
            number = number << 4 | static_cast<DWORD>(digit - "0123456789ABCDEF");
        }
        values->numbers[index] = number;
        return true;
    }
    case KeyValueKind::kName:
        for (const char* c = value; c < end; ++c) {
            if (*c == '\r' || *c == '\n') return false;
        }
        memcpy(values->name, value, length);
        values->name[length] = '\0';
        return true;
    }
    return false;
}

// Whether [line, end) is exactly "key=value" of `field`.
bool TakeField(const char* line, const char* end, const KeyValueField& field, int index, KeyValues* values) {
    const size_t keyLength = strlen(field.key);
    if (static_cast<size_t>(end - line) <= keyLength || memcmp(line, field.key, keyLength) != 0 ||
        line[keyLength] != '=') {
        return false;
    }
    return TakeValue(line + keyLength + 1, end, field, index, values);
}

BOOL ParseExact(const char* text, DWORD length, const KeyValueFormat& format, KeyValues* values) {
    if (length > format.maxBytes) length = format.maxBytes;
    const char* end = static_cast<const char*>(memchr(text, '\0', length));
    if (end == NULL) end = text + length;
    const char* line = text;
    for (int index = 0; index < format.count; ++index) {
        const char* newline = static_cast<const char*>(memchr(line, '\n', end - line));
        if (newline == NULL || newline == line || newline[-1] != '\r') return FALSE;
        if (!TakeField(line, newline - 1, format.fields[index], index, values)) return FALSE;
        values->count = index + 1;
        line = newline + 1;
    }
    return line == end;
}

BOOL ParseFirstValidLine(const char* text, DWORD length, const KeyValueFormat& format, KeyValues* values) {
    if (length > format.maxBytes) return FALSE;
    const char* end = text + length;
    for (const char* line = text; line <= end;) {
        const char* newline = static_cast<const char*>(memchr(line, '\n', end - line));
        const char* lineEnd = newline ? newline : end;
        const char* first = line;
        const char* last = lineEnd;
        while (first < last && IsBlank(*first)) ++first;
        while (last > first && IsBlank(last[-1])) --last;
        if (TakeField(first, last, format.fields[0], 0, values)) {
            values->count = 1;
            return TRUE;
        }
        if (newline == NULL) break;
        line = newline + 1;
    }
    return FALSE;
}

}  // namespace

BOOL ParseKeyValueText(const char* text, DWORD length, const KeyValueFormat& format, KeyValues* values) {
    values->count = 0;
    values->name[0] = '\0';
    switch (format.lines) {
    case KeyValueLines::kExact:
        return ParseExact(text, length, format, values);
    case KeyValueLines::kFirstValidLine:
        return ParseFirstValidLine(text, length, format, values);
    }
    return FALSE;
}

KeyValueRead ReadKeyValueFile(LPCWSTR path, const KeyValueFormat& format, KeyValues* values) {
    values->count = 0;
    values->name[0] = '\0';
    // One byte more than the format reads, so that a longer file shows.
    char text[kKeyValueTextMaxBytes + 2];
    DWORD length = 0;
    if (!ReadSmallFile(path, text, format.maxBytes + 2, &length)) return KeyValueRead::kUnreadable;
    return ParseKeyValueText(text, length, format, values) ? KeyValueRead::kAccepted : KeyValueRead::kRefused;
}

BOOL KeyValueFileHoldsKey(LPCWSTR path, const char* key) {
    char needle[64];
    const size_t keyLength = strlen(key);
    if (keyLength + 2 > sizeof(needle)) return FALSE;
    memcpy(needle, key, keyLength);
    needle[keyLength] = '=';
    needle[keyLength + 1] = '\0';
    return FileHoldsText(path, needle);
}

KeyValueWriter::KeyValueWriter() : length_(0), lineOpen_(false) { text_[0] = '\0'; }

void KeyValueWriter::Add(char c) {
    if (length_ >= kKeyValueTextMaxBytes) return;
    text_[length_++] = c;
    text_[length_] = '\0';
}

void KeyValueWriter::Add(const char* bytes) {
    while (*bytes) Add(*bytes++);
}

void KeyValueWriter::BeginField(const char* key) {
    if (lineOpen_) Add(' ');
    lineOpen_ = true;
    Add(key);
    Add('=');
}

KeyValueWriter& KeyValueWriter::Put(const char* key, DWORD value, KeyValueKind kind) {
    BeginField(key);
    char digits[10];
    int count = 0;
    if (kind == KeyValueKind::kChecksum) {
        for (; count < 8; ++count, value >>= 4) digits[count] = "0123456789ABCDEF"[value & 0xF];
    } else {
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
    }
    while (count) Add(digits[--count]);
    return *this;
}

KeyValueWriter& KeyValueWriter::Put(const char* key, const char* value) {
    BeginField(key);
    Add(value);
    return *this;
}

KeyValueWriter& KeyValueWriter::Put(const char* key, LPCWSTR value) {
    BeginField(key);
    for (; *value; ++value) Add(*value < 0x80 ? static_cast<char>(*value) : '?');
    return *this;
}

KeyValueWriter& KeyValueWriter::EndLine() {
    Add("\r\n");
    lineOpen_ = false;
    return *this;
}

BOOL KeyValueWriter::WriteFlushed(LPCWSTR path) const { return WriteFlushedFile(path, text_); }

BOOL KeyValueWriter::AppendFlushed(LPCWSTR path) const { return AppendFlushedFile(path, text_); }

BOOL KeyValueWriter::FoundIn(LPCWSTR path, bool moreFields) const {
    if (!moreFields) return FileHoldsText(path, text_);
    char needle[kKeyValueTextMaxBytes + 2];
    memcpy(needle, text_, length_);
    needle[length_] = ' ';
    needle[length_ + 1] = '\0';
    return FileHoldsText(path, needle);
}
