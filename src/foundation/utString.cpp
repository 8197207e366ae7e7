#include <vemora/foundation/utString.h>

#include <climits>
#include <cwchar>
#include <cwctype>
#include <string>

#include "foundation/platform.h"

namespace Vemora {

void utString_c::adopt(const wchar_t* s, size_t n) {
    std::unique_ptr<wchar_t[]> fresh(new wchar_t[n + 1]);
    std::wmemcpy(fresh.get(), s, n);
    fresh[n] = L'\0';
    buf_ = std::move(fresh);
}

utString_c::utString_c(wchar_t c) { adopt(&c, 1); }

utString_c::utString_c(const wchar_t* s) {
    if (s) adopt(s, std::wcslen(s));
}

utString_c::utString_c(const char* s) {
    if (!s) return;
    const std::wstring w = platform::widenLocale(s);
    adopt(w.c_str(), w.size());
}

utString_c::utString_c(const utString_c& s) : utString_c(s.buf_.get()) {}

utString_c::utString_c(bool b) : utString_c(b ? L"true" : L"false") {}

utString_c::utString_c(int i) {
    const std::wstring w = std::to_wstring(i);
    adopt(w.c_str(), w.size());
}

utString_c::utString_c(double d) {
    const std::wstring w = platform::formatReal12(d);
    adopt(w.c_str(), w.size());
}

utString_c::~utString_c() = default;

utString_c& utString_c::operator=(const utString_c& s) {
    if (this != &s) *this = s.buf_.get();
    return *this;
}

utString_c& utString_c::operator=(const wchar_t* s) {
    if (!s) {
        buf_.reset();
    } else if (s != buf_.get()) {
        adopt(s, std::wcslen(s));
    }
    return *this;
}

utString_c& utString_c::operator=(const char* s) { return *this = utString_c(s); }

utString_c& utString_c::operator=(int) {
    buf_.reset();
    return *this;
}

utString_c& utString_c::operator+=(const utString_c& s) {
    const unsigned n = s.length();
    if (n == 0) return *this;
    const unsigned own = length();
    std::wstring joined;
    joined.reserve(own + n);
    if (own) joined.append(buf_.get(), own);
    joined.append(s.buf_.get(), n);
    adopt(joined.c_str(), joined.size());
    return *this;
}

utString_c& utString_c::operator+=(wchar_t c) { return *this += utString_c(c); }

unsigned int utString_c::length() const { return buf_ ? unsigned(std::wcslen(buf_.get())) : 0u; }

bool utString_c::operator==(const wchar_t* s) const {
    if (s == buf_.get()) return true;
    const size_t n = std::wcslen(s);
    return n == length() && (n == 0 || std::wmemcmp(buf_.get(), s, n) == 0);
}

void utString_c::remove(unsigned pos, unsigned count) {
    const unsigned n = length();
    if (!buf_ || pos >= n) return;
    std::wstring w(buf_.get(), n);
    if (size_t(pos) + count < n) {
        w.erase(pos, count);
    } else {
        w.erase(pos);
    }
    adopt(w.c_str(), w.size());
}

void utString_c::insert(unsigned pos, unsigned count, const wchar_t* text) {
    const unsigned n = length();
    if (!buf_ || pos >= n) return;
    std::wstring w(buf_.get(), n);
    w.insert(pos, text, count);
    adopt(w.c_str(), w.size());
}

void utString_c::clear() { buf_.reset(); }

int utString_c::parseInt(const wchar_t* s) {
    if (!s) return 0;
    const long long v = std::wcstoll(s, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

double utString_c::parseDouble(const wchar_t* s) {
    return s ? platform::parseReal(s, nullptr) : 0.0;
}

bool utString_c::parseBool(const wchar_t* s) {
    if (!s) return false;
    std::wstring lower(s);
    for (wchar_t& c : lower) c = wchar_t(std::towlower(wint_t(c)));
    return lower == L"true" || lower == L"yes" || lower == L"1" || lower == L"on";
}

}  // namespace Vemora
