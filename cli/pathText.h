#pragma once

// File names between the command line and the kernel. A name on the command line is a run of
// bytes; the kernel takes wide paths and turns them back into bytes by the same rule as here:
// valid UTF-8 sequences stand for their characters, any other byte b for U+DC00 + b. A name thus
// reaches the kernel's file calls byte for byte, whether it is UTF-8 or not.

#include <string>

namespace Vemora {

// The wide path the kernel opens as the file named by `bytes`.
std::wstring widePath(const std::string& bytes);

// A kernel text (a message that may hold a path) as bytes for the terminal: UTF-8, with the
// stand-ins of widePath back as the bytes they stand for.
std::string narrowText(const wchar_t* text);

}  // namespace Vemora
