#pragma once

// Linux stand-ins for the few platform runtime calls the kernel relies on. Everything that differs
// between platforms stays behind this header.

#include <cstddef>
#include <cstdio>
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

// The bytes of a file name from its wide form. A file name is any run of bytes; its wide form
// holds each valid UTF-8 sequence as its character and every other byte b as the lone surrogate
// U+DC00 + b (U+DC80 to U+DCFF), so that names which are not UTF-8 still reach the right file.
// Every function below that takes a wide path converts it this way.
std::string pathBytes(const wchar_t* path);

// The wide form of a file name given as bytes (the inverse of pathBytes).
std::wstring widePathFromBytes(const std::string& bytes);

// fopen of a wide path.
std::FILE* openFile(const wchar_t* path, const char* mode);

// Text of a configuration-type file: bytes that form valid UTF-8 are decoded as such, any other
// byte is taken as Latin-1, so both the UTF-8 form and the older single-byte form read correctly.
// The text ends at the end of the data, at the first byte 0xFF (never part of valid UTF-8) or at
// the first NUL byte (text is held as C strings from here on: a NUL inside a name or a value would
// cut it short, and a document so read could not be written back).
std::wstring decodeUtf8OrLatin1(const char* bytes, size_t count);

// Renames a file over another (both wide paths), replacing it in one step; false on failure.
bool replaceFile(const wchar_t* from, const wchar_t* to);

// Removes a file; false when it could not be removed.
bool removeFile(const wchar_t* path);

// Reads a whole file as decodeUtf8OrLatin1 does; false when it cannot be opened or read.
bool readTextFile(const wchar_t* path, std::wstring& text);

// The folder of the module holding the library's code (the shared library, or the program it is
// linked into), ending with "/"; empty when it cannot be told.
std::wstring libraryFolder();

// True when something exists at the path (a file the caller may not be able to read).
bool pathExists(const wchar_t* path);

// The first 24 characters of ctime() for the current local time, e.g. "Wed Jun 30 21:49:08 1993".
std::wstring currentTimeStamp();

}  // namespace Vemora::platform
