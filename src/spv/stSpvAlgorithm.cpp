#include <vemora/spv/stSpvAlgorithm.h>

#include <vemora/sketch/stSketch.h>

#include <cassert>
#include <memory>
#include <vector>

#include "config/propertyTable.h"
#include "spv/stSpvAlgorithmImpl.h"

namespace Vemora {

namespace {
using Settings = stSpvAlgorithmImpl_c::Settings;

const tmpPropertyTable_c<Settings>& properties() {
    static const tmpPropertyTable_c<Settings> table = [] {
        tmpPropertyTable_c<Settings> t;
        t.integer(L"BlackLevel", &Settings::blackLevel)
            .integer(L"LengthStepLength", &Settings::lengthStep)
            .real(L"MaxWidthDeviation", &Settings::maxWidthDeviation)
            .integer(L"ScanLineThreshold", &Settings::scanStep);
        return t;
    }();
    return table;
}

stConfigurable_c* create() { return new stSpvAlgorithm_c(); }
}  // namespace

stSpvAlgorithm_c::stSpvAlgorithm_c() : impl_(std::make_unique<stSpvAlgorithmImpl_c>()) {}

stSpvAlgorithm_c::stSpvAlgorithm_c(const stSpvAlgorithm_c& other)
    : stTracingAlgorithm_c(other), impl_(std::make_unique<stSpvAlgorithmImpl_c>(*other.impl_)) {}

stSpvAlgorithm_c& stSpvAlgorithm_c::operator=(const stSpvAlgorithm_c& other) {
    if (this == &other) return *this;
    stTracingAlgorithm_c::operator=(other);
    *impl_ = *other.impl_;
    return *this;
}

stSpvAlgorithm_c::~stSpvAlgorithm_c() = default;

stDescriptor_c* stSpvAlgorithm_c::desc() {
    static stDescriptor_c d(L"SpvAlgorithm", &create, stTracingAlgorithm_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stSpvAlgorithm_c::isA() { return desc(); }

stXmlElement_c* stSpvAlgorithm_c::toXml(stXmlElement_c* element) const { return element; }

void stSpvAlgorithm_c::fromXml(stXmlElement_c* element) {
    properties().read(impl_->settings, element);
}

const stVectorizationParams_c& stSpvAlgorithm_c::params() const { return impl_->settings.params; }
void stSpvAlgorithm_c::setParams(const stVectorizationParams_c& params) {
    impl_->settings.params = params;
}
int stSpvAlgorithm_c::lengthStep() const { return impl_->settings.lengthStep; }
void stSpvAlgorithm_c::setLengthStep(int step) { impl_->settings.lengthStep = step; }
double stSpvAlgorithm_c::maxWidthDeviation() const { return impl_->settings.maxWidthDeviation; }
void stSpvAlgorithm_c::setMaxWidthDeviation(double deviation) {
    impl_->settings.maxWidthDeviation = deviation;
}
int stSpvAlgorithm_c::scanStep() const { return impl_->settings.scanStep; }
void stSpvAlgorithm_c::setScanStep(int step) { impl_->settings.scanStep = step; }
int stSpvAlgorithm_c::blackLevel() const { return impl_->settings.blackLevel; }

bool stSpvAlgorithm_c::setBlackLevel(int level) {
    if (level < 0 || level > 255) return false;
    impl_->settings.blackLevel = level;
    return true;
}

bool stSpvAlgorithm_c::isBlack(int col, int row) const { return impl_->isBlack(col, row); }

stSketch_c* stSpvAlgorithm_c::trace(utRasterData_c* raster, const utPoint_c* start, double dx,
                                    double dy) {
    static const wchar_t* const kStep = L"Vectorization...";
    notifyStarted();
    try {
        impl_->prepareRun(raster);
        // A cancel at the start of the step traces nothing.
        if (notifyStepStarted(kStep)) {
            const stSpvAlgorithmImpl_c::Progress progress = [this](int percent) {
                return notifyProgress(percent);
            };
            impl_->runTracking(start, &progress);
            notifyStepFinished(kStep);
        }
    } catch (...) {
        impl_->endRun();
        throw;
    }
    impl_->endRun();
    stSketch_c* sketch = stSpvAlgorithmImpl_c::translate(impl_->sketch(), dx, dy);
    notifyFinished();
    return sketch;
}

// ---------------------------------------------------------------------------------------------
// Polygonal approximation

namespace {
// A line through a and q as its unit normal and offset: value(x) is the signed distance of x.
struct tmpConeLine_c {
    utVector_c n;
    double offset = 0.0;

    tmpConeLine_c() = default;
    tmpConeLine_c(const utPoint_c& a, const utPoint_c& q) {
        const double len = (q - a).length();
        n = utVector_c(-(q.y() - a.y()) / len, (q.x() - a.x()) / len);
        offset = n * a;
    }
    double value(const utPoint_c& x) const { return n * x - offset; }
};

constexpr double kConeZero = 1e-7;
bool positive(double v) { return v > kConeZero; }
bool negative(double v) { return v < -kConeZero; }
bool zero(double v) { return !positive(v) && !negative(v); }

// The two points at tolerance either side of p, across the direction from the anchor.
void sidePoints(const utPoint_c& anchor, const utPoint_c& p, double tolerance, utPoint_c& plus,
                utPoint_c& minus) {
    const utVector_c u = (p - anchor).flip().unit();
    plus = p + u * tolerance;
    minus = p - u * tolerance;
}
}  // namespace

stSpvPolybar_c* stSpvAlgorithm_c::polygonalApproximation(const stSpvPolybar_c& polybar,
                                                         double tolerance) {
    const int n = polybar.pointCount();
    if (n < 3) return new stSpvPolybar_c(polybar);

    std::vector<stSpvPoint_c> out{polybar.pointAt(0)};
    utPoint_c anchor = polybar.pointAt(0);
    bool hasCone = false;
    tmpConeLine_c left, right;
    const stSpvPoint_c* prev = nullptr;

    auto buildCone = [&](const utPoint_c& p) {
        // A point on the anchor itself opens no cone.
        if ((p - anchor).length2() == 0.0) return;
        utPoint_c plus, minus;
        sidePoints(anchor, p, tolerance, plus, minus);
        left = tmpConeLine_c(anchor, plus);
        right = tmpConeLine_c(anchor, minus);
        hasCone = true;
    };

    for (int i = 1; i < n; ++i) {
        const stSpvPoint_c& p = polybar.pointAt(i);
        if (!hasCone) {
            buildCone(p);
        } else {
            const double l1 = left.value(p), l2 = right.value(p);
            if (negative(l1) && positive(l2)) {
                // Inside: narrow the cone to this point's own tolerance band.
                utPoint_c plus, minus;
                sidePoints(anchor, p, tolerance, plus, minus);
                if (negative(left.value(plus))) left = tmpConeLine_c(anchor, plus);
                if (positive(right.value(minus))) right = tmpConeLine_c(anchor, minus);
            } else if (zero(l1) || zero(l2)) {
                // On an edge of the cone: passed over.
            } else {
                // Outside: the point before it is a corner and the next anchor.
                out.push_back(*prev);
                anchor = *prev;
                hasCone = false;
                buildCone(p);
            }
        }
        prev = &p;
    }
    if (hasCone) out.push_back(polybar.pointAt(n - 1));
    return new stSpvPolybar_c(out);
}

}  // namespace Vemora
