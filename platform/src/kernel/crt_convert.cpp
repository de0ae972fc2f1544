// wcstombs_s, mbstowcs_s: the C runtime's bounded conversions between wide
// text and the narrow code page, which is UTF-8 on the host.
#include <stdlib.h>

#include <cerrno>
#include <cstdint>

namespace {

constexpr uint32_t kLastCodePoint = 0x10FFFF;

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The UTF-8 form of `c` in `bytes`; its length, 0 when c has none.
size_t EncodeUtf8(uint32_t c, unsigned char bytes[4]) {
    if (c < 0x80) {
        bytes[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        bytes[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (IsSurrogate(c) || c > kLastCodePoint) return 0;
    if (c < 0x10000) {
        bytes[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        bytes[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    bytes[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
    bytes[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    bytes[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 4;
}

// Decodes one character at `text` (not at its zero) into *c; the bytes it
// takes, 0 for a malformed, overlong or surrogate sequence.
size_t DecodeUtf8(const unsigned char* text, uint32_t* c) {
    unsigned char lead = text[0];
    size_t length;
    uint32_t value;
    uint32_t smallest;
    if (lead < 0x80) {
        *c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    // A continuation byte test also stops at the zero, so a sequence cut
    // short by the end of the text is refused without reading past it.
    for (size_t i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (text[i] & 0x3F);
    }
    if (value < smallest || value > kLastCodePoint || IsSurrogate(value)) return 0;
    *c = value;
    return length;
}

errno_t Reject(size_t* pReturnValue, errno_t error) {
    if (pReturnValue) *pReturnValue = 0;
    errno = error;
    return error;
}

}  // namespace

extern "C" errno_t wcstombs_s(size_t* pReturnValue, char* mbstr, size_t sizeInBytes,
                              const wchar_t* wcstr, size_t count) {
    if (!wcstr || (!mbstr && sizeInBytes != 0) || (mbstr && sizeInBytes == 0)) {
        return Reject(pReturnValue, EINVAL);
    }
    unsigned char bytes[4];
    if (!mbstr) {
        size_t needed = 1;
        for (const wchar_t* p = wcstr; *p; ++p) {
            size_t length = EncodeUtf8(static_cast<uint32_t>(*p), bytes);
            if (length == 0) return Reject(pReturnValue, EILSEQ);
            needed += length;
        }
        if (pReturnValue) *pReturnValue = needed;
        return 0;
    }
    const bool truncate = count == _TRUNCATE;
    const size_t limit = truncate ? sizeInBytes - 1 : count;
    size_t stored = 0;
    bool truncated = false;
    for (const wchar_t* p = wcstr; *p; ++p) {
        size_t length = EncodeUtf8(static_cast<uint32_t>(*p), bytes);
        if (length == 0) {
            mbstr[0] = '\0';
            return Reject(pReturnValue, EILSEQ);
        }
        if (stored + length > limit) {
            truncated = truncate;
            break;
        }
        if (stored + length > sizeInBytes - 1) {
            mbstr[0] = '\0';
            return Reject(pReturnValue, ERANGE);
        }
        for (size_t i = 0; i < length; ++i) mbstr[stored++] = static_cast<char>(bytes[i]);
    }
    mbstr[stored] = '\0';
    if (pReturnValue) *pReturnValue = stored + 1;
    return truncated ? STRUNCATE : 0;
}

extern "C" errno_t mbstowcs_s(size_t* pReturnValue, wchar_t* wcstr, size_t sizeInWords,
                              const char* mbstr, size_t count) {
    if (!mbstr || (!wcstr && sizeInWords != 0) || (wcstr && sizeInWords == 0)) {
        return Reject(pReturnValue, EINVAL);
    }
    const auto* text = reinterpret_cast<const unsigned char*>(mbstr);
    uint32_t c;
    if (!wcstr) {
        size_t needed = 1;
        for (size_t at = 0; text[at];) {
            size_t length = DecodeUtf8(text + at, &c);
            if (length == 0) return Reject(pReturnValue, EILSEQ);
            at += length;
            ++needed;
        }
        if (pReturnValue) *pReturnValue = needed;
        return 0;
    }
    const bool truncate = count == _TRUNCATE;
    const size_t limit = truncate ? sizeInWords - 1 : count;
    size_t stored = 0;
    bool truncated = false;
    for (size_t at = 0; text[at];) {
        size_t length = DecodeUtf8(text + at, &c);
        if (length == 0) {
            wcstr[0] = L'\0';
            return Reject(pReturnValue, EILSEQ);
        }
        if (stored + 1 > limit) {
            truncated = truncate;
            break;
        }
        if (stored + 1 > sizeInWords - 1) {
            wcstr[0] = L'\0';
            return Reject(pReturnValue, ERANGE);
        }
        wcstr[stored++] = static_cast<wchar_t>(c);
        at += length;
    }
    wcstr[stored] = L'\0';
    if (pReturnValue) *pReturnValue = stored + 1;
    return truncated ? STRUNCATE : 0;
}
