#include "optionValues.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace Vemora {

std::pair<int, int> parseIntPair(const std::string& option, const std::string& text) {
    const size_t comma = text.find(',');
    try {
        if (comma != std::string::npos) {
            size_t a = 0, b = 0;
            const int x = std::stoi(text.substr(0, comma), &a);
            const int y = std::stoi(text.substr(comma + 1), &b);
            if (a == comma && b == text.size() - comma - 1) return {x, y};
        }
    } catch (const std::exception&) {
    }
    throw std::runtime_error(option + ": expected two integers as X,Y, not '" + text + "'");
}

double parseDpi(const std::string& option, const std::string& text) {
    // The tool never sets a locale: strtod reads the C locale's decimal point.
    char* end = nullptr;
    const double dpi = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    const bool whole = end && *end == '\0';
    if (!whole || !std::isfinite(dpi) || dpi < kMinDpi || dpi > kMaxDpi) {
        throw std::runtime_error(option +
                                 ": expected a resolution from 0.01 to 10000000 dots per " +
                                 "inch, not '" + text + "'");
    }
    return dpi;
}

uint64_t parsePositiveCount(const std::string& option, const std::string& text) {
    uint64_t value = 0;
    bool valid = !text.empty();
    for (const char c : text) {
        const unsigned digit = unsigned(c - '0');
        if (digit > 9 || value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            valid = false;
            break;
        }
        value = value * 10 + digit;
    }
    if (!valid || value == 0) {
        throw std::runtime_error(option + ": expected a whole number from 1 to " +
                                 std::to_string(std::numeric_limits<uint64_t>::max()) + ", not '" +
                                 text + "'");
    }
    return value;
}

}  // namespace Vemora
