#pragma once

// The values of the tool's options, read from their text. Each reader throws std::runtime_error
// with one line that names the option and the text it refused.

#include <cstdint>
#include <string>
#include <utility>

namespace Vemora {

// Resolutions the tool accepts, in dots per inch: beyond them no scan exists, and a drawing
// scaled by them would no longer hold finite coordinates.
constexpr double kMinDpi = 0.01;
constexpr double kMaxDpi = 1e7;

// "X,Y" as two integers.
std::pair<int, int> parseIntPair(const std::string& option, const std::string& text);

// A resolution from kMinDpi to kMaxDpi.
double parseDpi(const std::string& option, const std::string& text);

// A whole number from 1 to 2^64 - 1, in decimal digits only.
uint64_t parsePositiveCount(const std::string& option, const std::string& text);

}  // namespace Vemora
