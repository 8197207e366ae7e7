#include "parameterKeys.h"

#include <strings.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

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

[[noreturn]] void refuse(const std::string& key, const char* what, const std::string& value) {
    throw std::invalid_argument("--set " + key + ": " + what + ", not '" + value + "'");
}

bool parseFlag(const std::string& key, const std::string& v) {
    for (const char* yes : {"true", "yes", "on", "1"})
        if (strcasecmp(v.c_str(), yes) == 0) return true;
    for (const char* no : {"false", "no", "off", "0"})
        if (strcasecmp(v.c_str(), no) == 0) return false;
    refuse(key, "expects true or false", v);
}

int parseInteger(const std::string& key, const std::string& v) {
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || errno == ERANGE || n < -2147483647L || n > 2147483647L)
        refuse(key, "expects an integer", v);
    return int(n);
}

double parseReal(const std::string& key, const std::string& v) {
    errno = 0;
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    if (v.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(d))
        refuse(key, "expects a number", v);
    return d;
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
    for (const Key& k : kKeys) {
        if (key != k.name) continue;
        if (k.flag) {
            params.*k.flag = parseFlag(key, value);
        } else if (k.integer) {
            params.*k.integer = parseInteger(key, value);
        } else {
            params.*k.real = parseReal(key, value);
        }
        return;
    }
    throw std::invalid_argument("--set: unknown key '" + key + "' (see --help for the keys)");
}

}  // namespace Vemora
