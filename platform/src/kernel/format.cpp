// FormatDeviceText: the device's wide printf. glibc's swprintf cannot stand
// in for it: there %s is a narrow string and long is 64 bits.
#include "format.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ruvexa_host.h"

namespace host {
namespace {

enum class Size { Default, Char, Short, Long, LongLong, Wide };

struct Directive {
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    size_t width = 0;
    int precision = -1;  // -1: none given
    Size size = Size::Default;
};

// Owns a copy of the caller's argument list, so that reading it here leaves
// the caller's va_list in a defined state.
class Arguments {
public:
    explicit Arguments(va_list args) { va_copy(args_, args); }
    ~Arguments() { va_end(args_); }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    int Int() { return va_arg(args_, int); }

    int64_t Signed(Size size) {
        switch (size) {
            case Size::LongLong: return va_arg(args_, long long);
            case Size::Short: return static_cast<short>(va_arg(args_, int));
            case Size::Char: return static_cast<signed char>(va_arg(args_, int));
            case Size::Default:
            case Size::Long:
            case Size::Wide: return va_arg(args_, int);  // long is 32 bits on the device
        }
        return 0;
    }

    uint64_t Unsigned(Size size) {
        switch (size) {
            case Size::LongLong: return va_arg(args_, unsigned long long);
            case Size::Short: return static_cast<unsigned short>(va_arg(args_, unsigned));
            case Size::Char: return static_cast<unsigned char>(va_arg(args_, unsigned));
            case Size::Default:
            case Size::Long:
            case Size::Wide: return va_arg(args_, unsigned);
        }
        return 0;
    }

    uintptr_t Pointer() { return reinterpret_cast<uintptr_t>(va_arg(args_, void*)); }
    double Double() { return va_arg(args_, double); }
    const wchar_t* WideString() { return va_arg(args_, const wchar_t*); }
    const char* NarrowString() { return va_arg(args_, const char*); }

private:
    va_list args_;
};

void AppendPadded(std::wstring& out, const std::wstring& body, const Directive& directive) {
    size_t fill = directive.width > body.size() ? directive.width - body.size() : 0;
    if (!directive.leftAlign) out.append(fill, L' ');
    out += body;
    if (directive.leftAlign) out.append(fill, L' ');
}

void AppendInteger(std::wstring& out, const Directive& directive, bool negative, uint64_t magnitude,
                   unsigned base, bool upper) {
    const wchar_t* digitChars = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring digits;
    for (uint64_t rest = magnitude; rest != 0; rest /= base) {
        digits.insert(digits.begin(), digitChars[rest % base]);
    }
    // Zero prints as "0" unless an explicit precision of 0 asks for no digits.
    if (magnitude == 0 && directive.precision != 0) digits = L"0";
    if (directive.precision > 0 && digits.size() < static_cast<size_t>(directive.precision)) {
        digits.insert(0, static_cast<size_t>(directive.precision) - digits.size(), L'0');
    }
    if (directive.alternate && base == 8 && (digits.empty() || digits[0] != L'0')) {
        digits.insert(digits.begin(), L'0');
    }

    std::wstring prefix;
    if (negative) {
        prefix = L"-";
    } else if (directive.plusSign) {
        prefix = L"+";
    } else if (directive.spaceSign) {
        prefix = L" ";
    }
    if (directive.alternate && base == 16 && magnitude != 0) prefix += upper ? L"0X" : L"0x";

    size_t length = prefix.size() + digits.size();
    size_t fill = directive.width > length ? directive.width - length : 0;
    if (directive.leftAlign) {
        out += prefix + digits;
        out.append(fill, L' ');
    } else if (directive.zeroPad && directive.precision < 0) {
        out += prefix;
        out.append(fill, L'0');
        out += digits;
    } else {
        out.append(fill, L' ');
        out += prefix + digits;
    }
}

// A precision bounds how far the string is read: it need not be terminated.
template <class Char>
size_t TextLength(const Char* text, int precision) {
    size_t length = 0;
    while ((precision < 0 || length < static_cast<size_t>(precision)) && text[length] != 0) ++length;
    return length;
}

std::wstring WideText(const wchar_t* text, int precision) {
    if (!text) text = L"(null)";
    return std::wstring(text, TextLength(text, precision));
}

std::wstring NarrowText(const char* text, int precision) {
    if (!text) text = "(null)";
    return Utf8ToWide(std::string_view(text, TextLength(text, precision)));
}

size_t ReadNumber(const wchar_t*& p) {
    size_t value = 0;
    while (*p >= L'0' && *p <= L'9') value = value * 10 + static_cast<size_t>(*p++ - L'0');
    return value;
}

void ReadFlags(const wchar_t*& p, Directive& directive) {
    for (;; ++p) {
        switch (*p) {
            case L'-': directive.leftAlign = true; break;
            case L'0': directive.zeroPad = true; break;
            case L'+': directive.plusSign = true; break;
            case L' ': directive.spaceSign = true; break;
            case L'#': directive.alternate = true; break;
            default: return;
        }
    }
}

void ReadWidthAndPrecision(const wchar_t*& p, Directive& directive, Arguments& args) {
    if (*p == L'*') {
        ++p;
        int width = args.Int();
        if (width < 0) {
            directive.leftAlign = true;
            width = -width;
        }
        directive.width = static_cast<size_t>(width);
    } else {
        directive.width = ReadNumber(p);
    }
    if (*p != L'.') return;
    ++p;
    if (*p == L'*') {
        ++p;
        int precision = args.Int();
        directive.precision = precision < 0 ? -1 : precision;
    } else {
        directive.precision = static_cast<int>(ReadNumber(p));
    }
}

void ReadSize(const wchar_t*& p, Directive& directive) {
    if (p[0] == L'h' && p[1] == L'h') {
        directive.size = Size::Char;
        p += 2;
    } else if (p[0] == L'h') {
        directive.size = Size::Short;
        p += 1;
    } else if (p[0] == L'l' && p[1] == L'l') {
        directive.size = Size::LongLong;
        p += 2;
    } else if (p[0] == L'l') {
        directive.size = Size::Long;
        p += 1;
    } else if (p[0] == L'w') {
        directive.size = Size::Wide;
        p += 1;
    } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
        directive.size = Size::LongLong;
        p += 3;
    }
}

bool IsNarrow(Size size) { return size == Size::Short || size == Size::Char; }
bool IsWide(Size size) { return size == Size::Long || size == Size::Wide; }

// Appends one conversion; false when `conversion` is not one we know.
bool AppendConversion(std::wstring& out, wchar_t conversion, const Directive& directive, Arguments& args) {
    switch (conversion) {
        case L'd':
        case L'i': {
            int64_t value = args.Signed(directive.size);
            uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
            AppendInteger(out, directive, value < 0, magnitude, 10, false);
            return true;
        }
        case L'u': AppendInteger(out, directive, false, args.Unsigned(directive.size), 10, false); return true;
        case L'o': AppendInteger(out, directive, false, args.Unsigned(directive.size), 8, false); return true;
        case L'x': AppendInteger(out, directive, false, args.Unsigned(directive.size), 16, false); return true;
        case L'X': AppendInteger(out, directive, false, args.Unsigned(directive.size), 16, true); return true;
        case L'p': {
            Directive pointer = directive;
            pointer.precision = static_cast<int>(2 * sizeof(void*));
            AppendInteger(out, pointer, false, args.Pointer(), 16, true);
            return true;
        }
        case L'c':
        case L'C': {
            bool narrow = conversion == L'c' ? IsNarrow(directive.size) : !IsWide(directive.size);
            unsigned value = static_cast<unsigned>(args.Int());
            wchar_t character = narrow ? static_cast<wchar_t>(value & 0xFF) : static_cast<wchar_t>(value);
            AppendPadded(out, std::wstring(1, character), directive);
            return true;
        }
        case L's':
        case L'S': {
            bool narrow = conversion == L's' ? IsNarrow(directive.size) : !IsWide(directive.size);
            std::wstring text = narrow ? NarrowText(args.NarrowString(), directive.precision)
                                       : WideText(args.WideString(), directive.precision);
            AppendPadded(out, text, directive);
            return true;
        }
        case L'f':
        case L'e':
        case L'E':
        case L'g':
        case L'G': {
            // The value is taken whatever happens, so that later
            // conversions read their own arguments.
            const double value = args.Double();
            std::string hostFormat = "%";
            if (directive.leftAlign) hostFormat += '-';
            if (directive.zeroPad) hostFormat += '0';
            if (directive.plusSign) hostFormat += '+';
            if (directive.spaceSign) hostFormat += ' ';
            if (directive.alternate) hostFormat += '#';
            hostFormat += "*.*";
            hostFormat += static_cast<char>(conversion);
            char text[512];
            const int precision = directive.precision < 0 ? 6 : std::min(directive.precision, 100);
            std::snprintf(text, sizeof text, hostFormat.c_str(), static_cast<int>(std::min<size_t>(directive.width, 300)),
                          precision, value);
            for (const char* c = text; *c; ++c) out += static_cast<wchar_t>(*c);
            return true;
        }
        case L'%': out += L'%'; return true;
        default: return false;
    }
}

}  // namespace

std::wstring FormatDeviceText(const wchar_t* format, va_list argList) {
    std::wstring out;
    if (!format) return out;
    Arguments args(argList);
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        const wchar_t* start = p++;
        Directive directive;
        ReadFlags(p, directive);
        ReadWidthAndPrecision(p, directive, args);
        ReadSize(p, directive);
        if (*p && AppendConversion(out, *p, directive, args)) {
            ++p;
            continue;
        }
        // Not a conversion we know: the text stands as written.
        if (*p) ++p;
        out.append(start, p);
    }
    return out;
}

}  // namespace host
