// Text encodings shared by the kernel and the command-line tool: UTF-8 (with a Latin-1 fallback
// for single-byte files) and file names as bytes. The tool compiles this file too, so that the
// names it hands over and the kernel's file calls follow one rule.
#include "foundation/platform.h"

namespace Vemora::platform {

namespace {
void appendUtf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out += char(c);
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

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at p (at most n bytes available), or 0 when the bytes there do
// not form one. Overlong forms, surrogates and values above 0x10FFFF are rejected.
size_t utf8SequenceLength(const unsigned char* p, size_t n, unsigned long& value) {
    const unsigned char b0 = p[0];
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        value = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        value = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        value = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n < len || p[1] < lo || p[1] > hi) return 0;
    for (size_t i = 1; i < len; ++i) {
        if (!isContinuation(p[i])) return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    return len;
}

// A byte of a file name that is not part of UTF-8 travels as U+DC00 + byte.
constexpr unsigned long kByteStandIn = 0xDC00;
}  // namespace

std::wstring decodeUtf8OrLatin1(const char* bytes, size_t count) {
    std::wstring out;
    out.reserve(count);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < count && p[i] != 0xFF && p[i] != 0) {
        unsigned long value = 0;
        const size_t len = p[i] < 0x80 ? 0 : utf8SequenceLength(p + i, count - i, value);
        if (len == 0) {
            out += wchar_t(p[i]);  // ASCII, or a single-byte (Latin-1) character
            ++i;
        } else {
            out += wchar_t(value);
            i += len;
        }
    }
    return out;
}

std::string toUtf8(const wchar_t* text) {
    std::string out;
    for (; *text; ++text) appendUtf8(out, static_cast<unsigned long>(*text));
    return out;
}

std::string pathBytes(const wchar_t* path) {
    std::string out;
    for (; *path; ++path) {
        const auto c = static_cast<unsigned long>(*path);
        if (c >= kByteStandIn + 0x80 && c <= kByteStandIn + 0xFF) {
            out += char(c - kByteStandIn);  // a byte of the name that is not part of UTF-8
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::wstring widePathFromBytes(const std::string& bytes) {
    std::wstring out;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        unsigned long value = 0;
        const size_t len = p[i] < 0x80 ? 0 : utf8SequenceLength(p + i, n - i, value);
        if (len == 0) {
            out += wchar_t(p[i] < 0x80 ? p[i] : kByteStandIn + p[i]);
            ++i;
        } else {
            out += wchar_t(value);
            i += len;
        }
    }
    return out;
}

}  // namespace Vemora::platform
