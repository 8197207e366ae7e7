// Stroke widths: the run of ink across an entity's centre line, measured at points along it, and
// its median made the entity's width.

#include <vemora/engine/stToolContext.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/sketch/stSketch.h>
#include <vemora/vector/stStrokeWidthMeter.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "config/propertyTable.h"
#include "raster/inkTest.h"
#include "vector/centreLine.h"

namespace Vemora {

namespace {

stConfigurable_c* create() { return new stStrokeWidthMeter_c(); }

const wchar_t* const kStep = L"Stroke widths...";

// The run across a stroke is followed in quarter pixels; its ends lie half a step beyond the last
// ink point on either side.
constexpr double kRunStep = 0.25;
constexpr double kLeastSampleStep = 0.25;
constexpr double kMostReach = 4096.0;

class tmpInkRuns_c {
public:
    tmpInkRuns_c(const utRasterData_c& raster, int blackLevel, double reach)
        : raster_(raster), limit_(inkSumLimit(blackLevel)), reach_(reach) {}

    // The width of the ink across p along the unit normal n; negative when p is on paper.
    double across(const utPoint_c& p, double nx, double ny) const {
        if (!ink(p.x(), p.y())) return -1.0;
        double plus = 0.0, minus = 0.0;
        while (plus + kRunStep <= reach_ &&
               ink(p.x() + (plus + kRunStep) * nx, p.y() + (plus + kRunStep) * ny)) {
            plus += kRunStep;
        }
        while (minus + kRunStep <= reach_ &&
               ink(p.x() - (minus + kRunStep) * nx, p.y() - (minus + kRunStep) * ny)) {
            minus += kRunStep;
        }
        return plus + minus + kRunStep;
    }

private:
    // Pixel centres lie at whole coordinates.
    bool ink(double x, double y) const {
        const double fx = std::floor(x + 0.5), fy = std::floor(y + 0.5);
        if (!(fx >= 0.0 && fy >= 0.0 && fx < raster_.width() && fy < raster_.height())) {
            return false;
        }
        return isInkBelow(raster_.pixel(unsigned(fx), unsigned(fy)), limit_);
    }

    const utRasterData_c& raster_;
    int limit_;
    double reach_;
};

// The runs across the polyline at points `step` apart, the first half a step from its start (or
// at its middle when it is shorter than that).
std::vector<double> runsAlong(const std::vector<utPoint_c>& line, double step,
                              const tmpInkRuns_c& runs) {
    std::vector<double> widths;
    const auto keep = [&](double w) {
        if (w > 0.0) widths.push_back(w);
    };
    if (line.size() == 1) {
        // A dot: the narrower of its runs along x and y.
        const double wx = runs.across(line[0], 1.0, 0.0), wy = runs.across(line[0], 0.0, 1.0);
        keep(std::min(wx, wy));
        return widths;
    }
    const double length = polylineLength(line);
    double next = std::min(step / 2.0, length / 2.0), travelled = 0.0;
    for (size_t i = 1; i < line.size(); ++i) {
        const utPoint_c& a = line[i - 1];
        const utPoint_c& b = line[i];
        const double dx = b.x() - a.x(), dy = b.y() - a.y(), d = std::hypot(dx, dy);
        if (!(d > 0.0)) continue;
        const double ux = dx / d, uy = dy / d;
        while (next <= travelled + d) {
            const double t = next - travelled;
            keep(runs.across(utPoint_c(a.x() + t * ux, a.y() + t * uy), -uy, ux));
            next += step;
        }
        travelled += d;
    }
    return widths;
}

double median(std::vector<double>& v) {
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2) return upper;
    return (upper + *std::max_element(v.begin(), v.begin() + std::ptrdiff_t(mid))) / 2.0;
}

}  // namespace

const tmpPropertyTable_c<stStrokeWidthMeter_c>& stStrokeWidthMeter_c::properties() {
    static const tmpPropertyTable_c<stStrokeWidthMeter_c> table = [] {
        using M = stStrokeWidthMeter_c;
        tmpPropertyTable_c<M> t;
        t.integer(L"BlackLevel", &M::blackLevel_)
            .real(L"SampleStep", &M::sampleStep_)
            .real(L"MaxWidth", &M::maxWidth_);
        return t;
    }();
    return table;
}

stDescriptor_c* stStrokeWidthMeter_c::desc() {
    static stDescriptor_c d(L"StrokeWidthMeter", &create, stSketchProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stStrokeWidthMeter_c::isA() { return desc(); }
void stStrokeWidthMeter_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

bool stStrokeWidthMeter_c::measure(stSketch_c& sketch, const utRasterData_c& raster,
                                   const utPoint_c& origin) {
    const double step = sampleStep_ >= kLeastSampleStep ? sampleStep_ : kLeastSampleStep;
    const double reach = std::clamp(maxWidth_ / 2.0, kRunStep, kMostReach);
    const tmpInkRuns_c runs(raster, blackLevel_, std::isfinite(reach) ? reach : kRunStep);
    const int count = sketch.entitiesCount();
    int reported = -1;
    for (int i = 0; i < count; ++i) {
        stEntity_c* e = sketch.entityAt(i);
        std::vector<utPoint_c> line = centreLine(*e);
        for (utPoint_c& p : line) p = utPoint_c(p.x() - origin.x(), p.y() - origin.y());
        std::vector<double> widths = runsAlong(line, step, runs);
        if (!widths.empty()) {
            stEntityAttributes_c attributes = e->attributes();
            attributes.setWidth(median(widths));
            e->setAttributes(&attributes);
            e->updateExtents();
        }
        const int percent = int(int64_t(i + 1) * 100 / count);
        if (percent != reported) {
            reported = percent;
            if (!notifyProgress(percent)) return false;
        }
    }
    sketch.updateExtents();
    return true;
}

stSketch_c* stStrokeWidthMeter_c::process(stSketch_c* sketch) {
    stToolContext_c* const c = context();
    const utRasterData_c* const raster = c ? c->getRaster() : nullptr;
    if (!sketch || !raster) return sketch;
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
    if (!c->getSelectionRectangle(x1, y1, x2, y2)) x1 = y1 = 0.0;
    notifyStarted();
    if (notifyStepStarted(kStep)) {
        try {
            measure(*sketch, *raster, utPoint_c(x1, y1));
        } catch (...) {
            notifyStepFinished(kStep);
            notifyFinished();
            throw;
        }
    }
    notifyStepFinished(kStep);
    notifyFinished();
    return sketch;
}

}  // namespace Vemora
