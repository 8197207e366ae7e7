#include "foundation/platform.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <locale.h>

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

}  // namespace Vemora::platform
