// The one reader and the one writer of the device's small key=value files
// (their formats are in key_value_formats.h). The device writes each line as
// fields "key=value", one space between two, and ends it "\r\n". How
// strictly a text is read is part of each file's format: the device's own
// records must be exactly as written, the device maker's setting is read
// line by line.
#pragma once

#include <windows.h>

// How a field's value is spelled.
enum class KeyValueKind {
    kDecimal,     // decimal digits (leading zeros allowed) of a value that fits 32 bits
    kStartCount,  // one digit from 1 to 9
    kBit,         // "0" or "1"
    kChecksum,    // eight upper-case hex digits
    kName,        // any bytes up to the line's end, "\r" and "\n" excepted
};

struct KeyValueField {
    const char* key;
    KeyValueKind kind;
};

enum class KeyValueLines {
    // The fields one per line, "key=value\r\n", in order, and nothing after.
    // The text ends at a NUL byte; a longer file is read up to maxBytes.
    kExact,
    // Lines end with "\n"; the first whose text, without the blanks (space,
    // tab, "\r") around it, is "key=value" of the one field counts, other
    // lines are passed over. A file longer than maxBytes is refused.
    kFirstValidLine,
};

struct KeyValueFormat {
    const KeyValueField* fields;
    int count;
    KeyValueLines lines;
    DWORD maxBytes;
};

constexpr int kMaxKeyValueFields = 5;

// A format of `fields`, counted.
template <int N>
constexpr KeyValueFormat KeyValueFormatOf(const KeyValueField (&fields)[N], KeyValueLines lines, DWORD maxBytes) {
    static_assert(N <= kMaxKeyValueFields, "more fields than KeyValues holds");
    return {fields, N, lines, maxBytes};
}
// The longest text read or written: Trial.flag's, with a package's name.
constexpr DWORD kKeyValueTextMaxBytes = 2 * MAX_PATH - 1;

// What a text holds, field by field in the format's order.
struct KeyValues {
    // The fields read from the first on: all of them when the text is
    // accepted, and of a kExact text refused, those before the first line
    // that is not its field.
    int count;
    DWORD numbers[kMaxKeyValueFields];  // the value of each field but a kName
    char name[kKeyValueTextMaxBytes + 1];  // the kName field's value
};

// `text` (`length` bytes) read by `format`: whether it is accepted.
BOOL ParseKeyValueText(const char* text, DWORD length, const KeyValueFormat& format, KeyValues* values);

enum class KeyValueRead { kAccepted, kRefused, kUnreadable };

// The file at `path` read by `format`. kUnreadable, with the platform's
// error left (ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when it is not
// there), when the file cannot be read.
KeyValueRead ReadKeyValueFile(LPCWSTR path, const KeyValueFormat& format, KeyValues* values);

// Whether the file at `path` holds a field with `key` anywhere.
BOOL KeyValueFileHoldsKey(LPCWSTR path, const char* key);

// A text being written: fields on the current line, one space between two,
// each line ended by EndLine. Past its room a text is cut.
class KeyValueWriter {
public:
    KeyValueWriter();
    // `value` as `kind` spells it (a kName takes the other Put).
    KeyValueWriter& Put(const char* key, DWORD value, KeyValueKind kind);
    // `value`'s bytes as they are.
    KeyValueWriter& Put(const char* key, const char* value);
    // `value` as bytes: ASCII stays, any other character becomes "?".
    KeyValueWriter& Put(const char* key, LPCWSTR value);
    KeyValueWriter& EndLine();

    const char* Text() const { return text_; }
    // Written to a new file at `path` (an earlier one replaced) and flushed;
    // FALSE, with the platform's error left, when it cannot be.
    BOOL WriteFlushed(LPCWSTR path) const;
    // Added at the end of the file at `path` (created when missing) and
    // flushed; FALSE, with the platform's error left, when it cannot be.
    BOOL AppendFlushed(LPCWSTR path) const;
    // Whether the file at `path` holds this text anywhere, followed by the
    // space before a further field when `moreFields`.
    BOOL FoundIn(LPCWSTR path, bool moreFields) const;

private:
    void Add(char c);
    void Add(const char* bytes);
    void BeginField(const char* key);

    char text_[kKeyValueTextMaxBytes + 1];
    DWORD length_;
    bool lineOpen_;
};
