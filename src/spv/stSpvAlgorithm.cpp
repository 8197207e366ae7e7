#include <vemora/spv/stSpvAlgorithm.h>

#include <vemora/sketch/stSketch.h>

#include <memory>
#include <vector>

#include "config/propertyTable.h"
#include "spv/stSpvAlgorithmImpl.h"
#include "vector/polygonalCone.h"

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

stSpvPolybar_c* stSpvAlgorithm_c::polygonalApproximation(const stSpvPolybar_c& polybar,
                                                         double tolerance) {
    const int n = polybar.pointCount();
    if (n < 3) return new stSpvPolybar_c(polybar);
    std::vector<size_t> corners;
    const bool open = polygonalConeVertices(
        size_t(n), [&](size_t i) -> const utPoint_c& { return polybar.pointAt(int(i)); }, tolerance,
        corners);
    std::vector<stSpvPoint_c> out;
    out.reserve(corners.size() + 1);
    for (size_t i : corners) out.push_back(polybar.pointAt(int(i)));
    // The last point joins the corners only when a cone was open at the end: copies of one point
    // never open one and stay that one point.
    if (open) out.push_back(polybar.pointAt(n - 1));
    return new stSpvPolybar_c(std::move(out));
}

}  // namespace Vemora
