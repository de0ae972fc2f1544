// ComposeUpgradeBootLine, ComposeUpgradeResultLine, ParseUpgradeBootLine,
// ParseUpgradeResultLine, IsUpgradeLogFullLine: each line's format text is
// written once, and the parser reads a line back by walking that same text.
#include "upgrade_log_format.h"

#include <strsafe.h>

namespace {

constexpr WCHAR kBootFormat[] =
    L"=== Upgrade boot: date=[%04u-%02u-%02u %02u:%02u:%02u], source=[%s], package=[%s] ===\r\n";
constexpr WCHAR kResultFormat[] = L"=== Upgrade result: code=[%s] ===\r\n";

// What one conversion of a format matched: a number, or a span of the line.
struct MatchedField {
    DWORD number;
    LPCWSTR text;
    size_t length;
};

constexpr size_t kMostFields = 8;

bool IsDigit(WCHAR c) { return c >= L'0' && c <= L'9'; }

bool SameText(LPCWSTR a, LPCWSTR b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// The end of the format's fixed text from `at`: the next conversion, or the
// end, leaving out the line end, which the readers' lines do not have.
LPCWSTR FixedTextEnd(LPCWSTR at) {
    LPCWSTR end = at;
    while (*end && *end != L'%' && *end != L'\r' && *end != L'\n') ++end;
    return end;
}

// TRUE when `line` is what `format` makes of some values: its fixed text
// matches exactly, "%0Nu" takes N digits, "%u" one or more, and "%s" any
// text up to the fixed text after it (the last such text of the line when
// no conversion follows, so that a package name may hold "]"). Only the
// conversions the log's formats use are known.
BOOL MatchFormat(LPCWSTR format, LPCWSTR line, MatchedField* fields, size_t* fieldCount) {
    size_t count = 0;
    LPCWSTR f = format;
    LPCWSTR l = line;
    while (*f && *f != L'\r' && *f != L'\n') {
        if (*f != L'%') {
            if (*f++ != *l++) return FALSE;
            continue;
        }
        ++f;
        if (count == kMostFields) return FALSE;
        MatchedField& field = fields[count++];
        field = {0, l, 0};
        size_t width = 0;
        if (*f == L'0') ++f;
        while (IsDigit(*f)) width = width * 10 + (*f++ - L'0');
        const WCHAR conversion = *f++;
        if (conversion == L'u') {
            while (IsDigit(*l) && (width == 0 || field.length < width)) {
                field.number = field.number * 10 + (*l++ - L'0');
                ++field.length;
            }
            if (field.length == 0 || (width != 0 && field.length != width)) return FALSE;
        } else if (conversion == L's') {
            const LPCWSTR fixed = f;
            const size_t fixedLength = FixedTextEnd(f) - f;
            const bool last = *(f + fixedLength) != L'%';
            const size_t rest = wcslen(l);
            if (rest < fixedLength) return FALSE;
            LPCWSTR found = NULL;
            if (last) {
                if (SameText(l + rest - fixedLength, fixed, fixedLength)) found = l + rest - fixedLength;
            } else {
                for (LPCWSTR at = l; at + fixedLength <= l + rest && !found; ++at) {
                    if (SameText(at, fixed, fixedLength)) found = at;
                }
            }
            if (!found) return FALSE;
            field.length = found - l;
            l = found;
        } else {
            return FALSE;
        }
    }
    *fieldCount = count;
    return *l == L'\0';
}

// A matched text into `out`; FALSE when it does not fit.
BOOL CopyField(const MatchedField& field, WCHAR* out, size_t capacity) {
    if (field.length >= capacity) return FALSE;
    for (size_t i = 0; i < field.length; ++i) out[i] = field.text[i];
    out[field.length] = L'\0';
    return TRUE;
}

}  // namespace

const WCHAR kUpgradeLogFullLine[] = L"=== Upgrade log full: later lines are in the debug output only ===\r\n";

BOOL ComposeUpgradeBootLine(WCHAR* line, size_t capacity, const SYSTEMTIME& date, LPCWSTR source, LPCWSTR package) {
    return SUCCEEDED(StringCchPrintfW(line, capacity, kBootFormat, date.wYear, date.wMonth, date.wDay, date.wHour,
                                      date.wMinute, date.wSecond, source, package));
}

BOOL ComposeUpgradeResultLine(WCHAR* line, size_t capacity, LPCWSTR code) {
    return SUCCEEDED(StringCchPrintfW(line, capacity, kResultFormat, code));
}

BOOL ParseUpgradeBootLine(LPCWSTR line, UpgradeBootLine* boot) {
    MatchedField fields[kMostFields];
    size_t count = 0;
    if (!MatchFormat(kBootFormat, line, fields, &count) || count != 8) return FALSE;
    *boot = UpgradeBootLine{};
    boot->date.wYear = static_cast<WORD>(fields[0].number);
    boot->date.wMonth = static_cast<WORD>(fields[1].number);
    boot->date.wDay = static_cast<WORD>(fields[2].number);
    boot->date.wHour = static_cast<WORD>(fields[3].number);
    boot->date.wMinute = static_cast<WORD>(fields[4].number);
    boot->date.wSecond = static_cast<WORD>(fields[5].number);
    return CopyField(fields[6], boot->source, sizeof(boot->source) / sizeof(boot->source[0])) &&
           CopyField(fields[7], boot->package, MAX_PATH);
}

BOOL ParseUpgradeResultLine(LPCWSTR line, WCHAR (&code)[kUpgradeResultCodeCapacity]) {
    MatchedField fields[kMostFields];
    size_t count = 0;
    return MatchFormat(kResultFormat, line, fields, &count) && count == 1 &&
           CopyField(fields[0], code, kUpgradeResultCodeCapacity);
}

BOOL IsUpgradeLogFullLine(LPCWSTR line) {
    MatchedField fields[kMostFields];
    size_t count = 0;
    return MatchFormat(kUpgradeLogFullLine, line, fields, &count);
}
