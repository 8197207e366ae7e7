#include "parameterKeys.h"

#include <vemora/xml/stXmlNode.h>

#include <strings.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Vemora {

namespace {
using P = stVectorizationParams_c;

struct Key {
    const char* name;
    bool P::*flag;
    int P::*integer;
    double P::*real;
};

// The parameter set's keys with the field each one fills.
const Key kKeys[] = {
    {"Raster\\Clasterizer\\RunClasterization", &P::runClasterization, nullptr, nullptr},
    {"Raster\\Clasterizer\\PixelClasterSize", nullptr, &P::pixelClasterSize, nullptr},
    {"Algorithm\\Sparse\\BlackLevel", nullptr, &P::blackLevel, nullptr},
    {"Algorithm\\Sparse\\InitialLengthStep", nullptr, &P::initialLengthStep, nullptr},
    {"Algorithm\\Sparse\\WidthDeviationThreshold", nullptr, nullptr, &P::widthDeviationThreshold},
    {"Algorithm\\Sparse\\ScanLineThreshold", nullptr, &P::scanLineThreshold, nullptr},
    {"Vector\\Approximator\\PolygonalApproximation", &P::polygonalApproximation, nullptr, nullptr},
    {"Vector\\Approximator\\MaxError", nullptr, nullptr, &P::approximationMaxError},
    {"Vector\\Approximator\\MaxErrorUseWidth", &P::approximationMaxErrorUseWidth, nullptr, nullptr},
    {"Vector\\Refiner\\RunRefiner", &P::runRefiner, nullptr, nullptr},
    {"Vector\\Refiner\\LinkCollinear", &P::linkCollinear, nullptr, nullptr},
    {"Vector\\Refiner\\LinkCollinearMaxDeviation", nullptr, nullptr, &P::linkCollinearMaxDeviation},
    {"Vector\\Refiner\\LinkCollinearUseWidth", &P::linkCollinearUseWidth, nullptr, nullptr},
    {"Vector\\Refiner\\LinkCollinearMaxDistance", nullptr, nullptr, &P::linkCollinearMaxDistance},
    {"Vector\\Refiner\\LinkCollinearMaxWidthDeviation", nullptr, nullptr,
     &P::linkCollinearMaxWidthDeviation},
    {"Vector\\Refiner\\MergeGaps", &P::mergeGaps, nullptr, nullptr},
    {"Vector\\Refiner\\MergeGapsMaxDistance", nullptr, nullptr, &P::mergeGapsMaxDistance},
    {"Vector\\Refiner\\MergeGapsUseWidth", &P::mergeGapsUseWidth, nullptr, nullptr},
    {"Vector\\Recognizer\\RunRecognizer", &P::runRecognizer, nullptr, nullptr},
    {"Vector\\Recognizer\\RoundedCornersRectangle", &P::roundedCornersRectangle, nullptr, nullptr},
    {"Vector\\Recognizer\\Rectangle", &P::rectangle, nullptr, nullptr},
    {"Vector\\Recognizer\\Triangle", &P::triangle, nullptr, nullptr},
    {"Vector\\Recognizer\\StraightLine", &P::straightLine, nullptr, nullptr},
    {"Vector\\Recognizer\\Arc", &P::arc, nullptr, nullptr},
    {"Vector\\Recognizer\\MaxError", nullptr, nullptr, &P::recognizerMaxError},
    {"Vector\\Recognizer\\UseWidth", &P::useWidth, nullptr, nullptr},
    {"Vector\\Recognizer\\EllipseRecognition", &P::ellipseRecognition, nullptr, nullptr},
    {"Vector\\Recognizer\\EllipseDeviation", nullptr, nullptr, &P::ellipseDeviation},
    {"Vector\\Recognizer\\EllipseTolerance", nullptr, nullptr, &P::ellipseTolerance},
    {"Vector\\Recognizer\\EllipseMaxEccentricity", nullptr, nullptr, &P::ellipseMaxEccentricity},
    {"Vector\\Recognizer\\EllipseMinEccentricity", nullptr, nullptr, &P::ellipseMinEccentricity},
};

std::wstring widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// `where` names the source of the value: "--set" or the parameter file.
[[noreturn]] void refuse(const std::string& where, const std::string& key, const std::string& what,
                         const std::string& value) {
    throw std::invalid_argument(where + " " + key + ": " + what + ", not '" + value + "'");
}

// " from LOW to HIGH" for a key with bounds, else nothing.
std::string bounds(const std::string& key, double& low, double& high) {
    if (!stVectorizationParams_c::range(widen(key).c_str(), low, high)) {
        low = -HUGE_VAL;
        high = HUGE_VAL;
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, " from %g to %g", low, high);
    return text;
}

bool parseFlag(const std::string& where, const std::string& key, const std::string& v) {
    for (const char* yes : {"true", "yes", "on", "1"})
        if (strcasecmp(v.c_str(), yes) == 0) return true;
    for (const char* no : {"false", "no", "off", "0"})
        if (strcasecmp(v.c_str(), no) == 0) return false;
    refuse(where, key, "expects true or false", v);
}

int parseInteger(const std::string& where, const std::string& key, const std::string& v) {
    double low, high;
    const std::string range = bounds(key, low, high);
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || errno == ERANGE || n < -2147483647L || n > 2147483647L ||
        double(n) < low || double(n) > high)
        refuse(where, key, "expects an integer" + range, v);
    return int(n);
}

double parseReal(const std::string& where, const std::string& key, const std::string& v) {
    double low, high;
    const std::string range = bounds(key, low, high);
    errno = 0;
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    if (v.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(d) || d < low || d > high)
        refuse(where, key, "expects a number" + range, v);
    return d;
}

const Key* find(const std::string& key) {
    for (const Key& k : kKeys)
        if (key == k.name) return &k;
    return nullptr;
}

void assign(stVectorizationParams_c& params, const Key& k, const std::string& where,
            const std::string& value) {
    if (k.flag) {
        params.*k.flag = parseFlag(where, k.name, value);
    } else if (k.integer) {
        params.*k.integer = parseInteger(where, k.name, value);
    } else {
        params.*k.real = parseReal(where, k.name, value);
    }
}

// The text of a value as written in a file: blanks around it dropped, characters beyond ASCII
// shown as '?' (no value has any).
std::string fileText(const wchar_t* text) {
    std::string s;
    for (const wchar_t* c = text; *c; ++c) s += *c < 0x80 ? char(*c) : '?';
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}
}  // namespace

const std::vector<std::string>& parameterKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        for (const Key& key : kKeys) k.emplace_back(key.name);
        return k;
    }();
    return keys;
}

void setParameter(stVectorizationParams_c& params, const std::string& key,
                  const std::string& value) {
    const Key* k = find(key);
    if (!k)
        throw std::invalid_argument("--set: unknown key '" + key + "' (see --help for the keys)");
    assign(params, *k, "--set", value);
}

void setParameters(stVectorizationParams_c& params, stXmlElement_c* element,
                   const std::string& file) {
    // Every value present is checked before the set is read; the library then reads the file (a
    // key left out reads as 0 or false), and the checked values go over what it read, so a value
    // the check accepted (" true ", "on") means the same in the run.
    stVectorizationParams_c checked;
    std::vector<std::pair<const Key*, std::string>> present;
    for (const Key& k : kKeys) {
        const wchar_t* text = element ? element->getValue(widen(k.name).c_str()) : nullptr;
        if (!text) continue;
        present.emplace_back(&k, fileText(text));
        assign(checked, k, file + ":", present.back().second);
    }
    params.fromXml(element);
    for (const auto& [k, text] : present) assign(params, *k, file + ":", text);
}

}  // namespace Vemora
