#pragma once

#include <vemora/foundation/vemoraApi.h>

#include <memory>

namespace Vemora {

// The system's owned wide string. It may be null: a null string and an empty one both count as
// empty for operator! and length(), but the conversion to const wchar_t* hands the null pointer out
// as it is, and callers read a null result as "no value". Every modification builds a new buffer
// of exactly the needed size.
class VEMORA_API utString_c {
public:
    utString_c() = default;
    utString_c(wchar_t c);
    // Null stays null.
    utString_c(const wchar_t* s);
    // Multibyte text of the current locale; bytes that do not convert are taken as Latin-1.
    utString_c(const char* s);
    utString_c(const utString_c& s);
    utString_c(utString_c&& s) noexcept = default;
    // "true" or "false".
    utString_c(bool b);
    // Base 10.
    utString_c(int i);
    // 12 significant digits, the shorter of fixed and exponential notation ("%.12g").
    utString_c(double d);
    ~utString_c();

    utString_c& operator=(const utString_c& s);
    utString_c& operator=(utString_c&& s) noexcept = default;
    utString_c& operator=(const wchar_t* s);
    utString_c& operator=(const char* s);
    // Any integer clears the string: `s = 0` makes it null.
    utString_c& operator=(int);

    // Appending a null or empty string changes nothing; appending to a null string copies.
    utString_c& operator+=(const utString_c& s);
    utString_c& operator+=(wchar_t c);

    unsigned int length() const;
    // True when null or empty.
    bool operator!() const { return length() == 0; }
    // s must not be null; a null string equals an empty s.
    bool operator==(const wchar_t* s) const;
    bool operator!=(const wchar_t* s) const { return !(*this == s); }
    // i must be below length().
    wchar_t& operator[](int i) { return buf_[i]; }
    wchar_t operator[](int i) const { return buf_[i]; }

    // Removes count characters at pos, or cuts the string at pos when they reach its end; nothing
    // when the string is null or pos is not below the length.
    void remove(unsigned pos, unsigned count);
    // Inserts the first count characters of text before pos; nothing when the string is null or
    // pos is not below the length (inserting at the end is refused).
    void insert(unsigned pos, unsigned count, const wchar_t* text);
    void clear();

    operator const wchar_t*() const { return buf_.get(); }

    // Leading blanks, an optional sign and decimal digits up to the first non-digit; 0 when nothing
    // parses or for null; clamped to the int range.
    static int parseInt(const wchar_t* s);
    // The C library's wcstod rules in the "C" locale whatever the host's locale; null gives 0.0.
    static double parseDouble(const wchar_t* s);
    // True exactly for "true", "yes", "1" and "on", in any case.
    static bool parseBool(const wchar_t* s);

private:
    void adopt(const wchar_t* s, size_t n);

    std::unique_ptr<wchar_t[]> buf_;
};

}  // namespace Vemora
