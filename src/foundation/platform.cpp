#include "foundation/platform.h"

#include <dlfcn.h>
#include <locale.h>
#include <sys/stat.h>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

namespace Vemora::platform {

namespace {
locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

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
}  // namespace

std::wstring formatReal12(double value) {
    char buf[40];
    const locale_t old = uselocale(cLocale());
    std::snprintf(buf, sizeof buf, "%.12g", value);
    uselocale(old);
    return std::wstring(buf, buf + std::strlen(buf));
}

double parseReal(const wchar_t* text, wchar_t** end) { return wcstod_l(text, end, cLocale()); }

std::wstring widenLocale(const char* text) {
    std::wstring out;
    std::mbstate_t state{};
    const char* p = text;
    const char* const stop = text + std::strlen(text);
    while (p < stop) {
        wchar_t wc = 0;
        const size_t n = std::mbrtowc(&wc, p, size_t(stop - p), &state);
        if (n == size_t(-1) || n == size_t(-2) || n == 0) {
            out += wchar_t(static_cast<unsigned char>(*p));  // not convertible: Latin-1
            state = std::mbstate_t{};
            ++p;
        } else {
            out += wc;
            p += n;
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
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out += char(c - 0xDC00);  // a byte of the name that is not part of UTF-8
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::FILE* openFile(const wchar_t* path, const char* mode) {
    if (!path || !mode) return nullptr;
    return std::fopen(pathBytes(path).c_str(), mode);
}

bool replaceFile(const wchar_t* from, const wchar_t* to) {
    return from && to && std::rename(pathBytes(from).c_str(), pathBytes(to).c_str()) == 0;
}

bool removeFile(const wchar_t* path) { return path && std::remove(pathBytes(path).c_str()) == 0; }

namespace {
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

bool readTextFile(const wchar_t* path, std::wstring& text) {
    std::FILE* file = openFile(path, "rb");
    if (!file) return false;
    std::string bytes;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return false;
    text = decodeUtf8OrLatin1(bytes.data(), bytes.size());
    return true;
}

std::wstring libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryFolder), &info) == 0 || !info.dli_fname)
        return std::wstring();
    const std::string file(info.dli_fname);
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos) return std::wstring();
    return decodeUtf8OrLatin1(file.data(), slash + 1);
}

bool pathExists(const wchar_t* path) {
    struct stat st {};
    return path && ::stat(toUtf8(path).c_str(), &st) == 0;
}

std::wstring currentTimeStamp() {
    const std::time_t now = std::time(nullptr);
    char buf[64] = {};
    if (!ctime_r(&now, buf)) return std::wstring();
    const std::string stamp(buf, std::min<size_t>(24, std::strlen(buf)));
    return std::wstring(stamp.begin(), stamp.end());
}

}  // namespace Vemora::platform
