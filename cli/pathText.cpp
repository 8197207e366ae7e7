#include "pathText.h"

namespace Vemora {

namespace {

constexpr wchar_t kByteStandIn = 0xDC00;

// Length of the valid UTF-8 sequence at the start of s[0, n), 0 when there is none there; its
// character goes to `c`. Overlong forms, surrogates and values beyond U+10FFFF are not valid.
size_t utf8Sequence(const unsigned char* s, size_t n, unsigned long& c) {
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (s[0] >= 0xC2 && s[0] <= 0xDF) {
        len = 2;
    } else if (s[0] >= 0xE0 && s[0] <= 0xEF) {
        len = 3;
        lo = s[0] == 0xE0 ? 0xA0 : lo;
        hi = s[0] == 0xED ? 0x9F : hi;
    } else if (s[0] >= 0xF0 && s[0] <= 0xF4) {
        len = 4;
        lo = s[0] == 0xF0 ? 0x90 : lo;
        hi = s[0] == 0xF4 ? 0x8F : hi;
    } else {
        return 0;
    }
    if (n < len || s[1] < lo || s[1] > hi) return 0;
    c = s[0] & (0x7F >> len);
    for (size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[i] & 0x3F);
    }
    return len;
}

}  // namespace

std::wstring widePath(const std::string& bytes) {
    std::wstring out;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        unsigned long c = 0;
        const size_t len = s[i] < 0x80 ? 0 : utf8Sequence(s + i, n - i, c);
        if (len == 0) {
            out += s[i] < 0x80 ? wchar_t(s[i]) : wchar_t(kByteStandIn + s[i]);
            ++i;
        } else {
            out += wchar_t(c);
            i += len;
        }
    }
    return out;
}

std::string narrowText(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text) {
        const auto c = static_cast<unsigned long>(*text);
        if (c < 0x80) {
            out += char(c);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += char(c - kByteStandIn);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | ((c >> 18) & 0x07));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace Vemora
