#pragma once

// Linux stand-ins for the few platform runtime calls the kernel relies on. Everything that differs
// between platforms stays behind this header.

#include <cstddef>
#include <string>

namespace Vemora::platform {

// "%.12g" in the "C" locale: 12 significant digits, shorter of fixed and exponential notation.
std::wstring formatReal12(double value);

// wcstod in the "C" locale, so that a host's locale never changes how settings are read.
double parseReal(const wchar_t* text, wchar_t** end);

// Multibyte text of the current locale to wide; bytes that do not convert are taken as Latin-1.
std::wstring widenLocale(const char* text);

// UTF-8 encoding of a wide text (paths, file contents).
std::string toUtf8(const wchar_t* text);

}  // namespace Vemora::platform
