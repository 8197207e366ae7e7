#include <vemora/vector/stPolygonalApproximator.h>

#include <vemora/engine/stToolContext.h>
#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "config/propertyTable.h"
#include "vector/cloningVisitor.h"
#include "vector/polygonalCone.h"

namespace Vemora {

namespace {

const wchar_t* const kStep = L"Polygonal approximation...";

// A spline is reduced again, one unit wider each time, while it keeps more vertices than this.
constexpr size_t kMaxVertices = 70;
constexpr int kMaxPasses = 4;

stConfigurable_c* create() { return new stPolygonalApproximator_c(); }

// Distance of b from the line through a and c; from a itself when c is a.
double distanceFromChord(const utPoint_c& a, const utPoint_c& b, const utPoint_c& c) {
    const utVector_c chord = c - a;
    const utVector_c ab = b - a;
    const double length = chord.length();
    if (length == 0.0) return ab.length();
    return std::fabs(chord.x() * ab.y() - chord.y() * ab.x()) / length;
}

// Hands every spline to the approximation and clones the other entities into the output; the
// members of polylines and regions travel with their clone.
class tmpSplineProcessor_c : public tmpCloningVisitor_c {
public:
    tmpSplineProcessor_c(stSketch_c& output, double tolerance)
        : tmpCloningVisitor_c(output), tolerance_(tolerance) {}

    void visitSpline(stSpline_c& spline) override;

private:
    double tolerance_;
};

void tmpSplineProcessor_c::visitSpline(stSpline_c& spline) {
    const std::vector<utPoint_c>& points = spline.points();
    if (points.size() < 2) return;
    if (points.size() == 2) {
        add(new stLine_c(points[0], points[1]));
        return;
    }
    std::vector<utPoint_c> kept;
    double h = tolerance_;
    for (int pass = 0; pass < kMaxPasses; ++pass, h += 1.0) {
        kept = points;
        stPolygonalApproximator_c::PolygonalApproximation(kept, h);
        if (kept.size() <= kMaxVertices) break;
    }
    // Three vertices close to one line are a line; not so when the ends meet, which would make
    // a line of no length out of a closed loop.
    if (kept.size() == 3 && kept[0] != kept[2] &&
        distanceFromChord(kept[0], kept[1], kept[2]) < tolerance_) {
        add(new stLine_c(kept[0], kept[2]));
        return;
    }
    add(new stSpline_c(std::move(kept)));
}

}  // namespace

// =============================================================================================
// The shared pass

void stPolygonalApproximator_c::PolygonalApproximation(std::vector<utPoint_c>& points,
                                                       double tolerance) {
    if (points.size() < 3) return;
    std::vector<size_t> vertices;
    polygonalConeVertices(
        points.size(), [&points](size_t i) -> const utPoint_c& { return points[i]; }, tolerance,
        vertices);
    std::vector<utPoint_c> out;
    out.reserve(vertices.size() + 1);
    for (size_t i : vertices) out.push_back(points[i]);
    out.push_back(points.back());
    points = std::move(out);
}

// =============================================================================================
// stPolygonalApproximator_c

stPolygonalApproximator_c::stPolygonalApproximator_c() = default;

stPolygonalApproximator_c::stPolygonalApproximator_c(double tolerance) : maxError_(tolerance) {}

stPolygonalApproximator_c::~stPolygonalApproximator_c() = default;

const tmpPropertyTable_c<stPolygonalApproximator_c>& stPolygonalApproximator_c::properties() {
    static const tmpPropertyTable_c<stPolygonalApproximator_c> table = [] {
        using P = stPolygonalApproximator_c;
        tmpPropertyTable_c<P> t;
        t.boolean(L"UsePolygonalApproximation", &P::usePolygonalApproximation_)
            .real(L"MaxError", &P::maxError_)
            .boolean(L"MaxErrorUseWidth", &P::maxErrorUseWidth_);
        return t;
    }();
    return table;
}

stDescriptor_c* stPolygonalApproximator_c::desc() {
    static stDescriptor_c d(L"PolygonalApproximator", &create, stSketchProcessor_c::desc(),
                            nullptr);
    return &d;
}

stDescriptor_c* stPolygonalApproximator_c::isA() { return desc(); }

stXmlElement_c* stPolygonalApproximator_c::toXml(stXmlElement_c* element) const { return element; }

void stPolygonalApproximator_c::fromXml(stXmlElement_c* element) {
    properties().read(*this, element);
}

int stPolygonalApproximator_c::countSubProcessors() const {
    return usePolygonalApproximation_ ? 1 : 0;
}

stSketch_c* stPolygonalApproximator_c::process(stSketch_c* sketch) {
    if (!usePolygonalApproximation_) return sketch;
    notifyStarted();
    if (!notifyStepStarted(kStep)) return sketch;
    if (sketch) sketch = iProcessApproximation(sketch);
    notifyStepFinished(kStep);
    notifyFinished();
    return sketch;
}

stSketch_c* stPolygonalApproximator_c::iProcessApproximation(stSketch_c* sketch) {
    auto output = std::make_unique<stSketch_c>();
    double sx = 1.0, sy = 1.0;
    if (stToolContext_c* c = context()) c->getScalingInfo(sx, sy);
    // Kept scaled: a second run scales again.
    maxError_ *= std::min(sx, sy);
    tmpSplineProcessor_c processor(*output, maxError_);
    sketch->visit(processor);
    return output.release();
}

// =============================================================================================
// stSkleskyGonzalesApproximation_c

stSkleskyGonzalesApproximation_c::~stSkleskyGonzalesApproximation_c() = default;

stSketch_c* stSkleskyGonzalesApproximation_c::process(stSketch_c* sketch) {
    if (!sketch) return nullptr;
    auto output = std::make_unique<stSketch_c>();
    for (int i = 0; i < sketch->entitiesCount(); ++i) {
        const stEntity_c* e = sketch->entityAt(i);
        const auto* spline = dynamic_cast<const stSpline_c*>(e);
        if (!spline) {
            output->addEntity(e->clone());
            continue;
        }
        std::vector<utPoint_c> points = spline->points();
        if (points.size() == 2) {
            output->addEntity(new stLine_c(points[0], points[1]));
        } else if (points.size() >= 3) {
            stPolygonalApproximator_c::PolygonalApproximation(points, width_ / 2.0);
            output->addEntity(new stSpline_c(std::move(points)));
        }
    }
    delete sketch;
    return output.release();
}

}  // namespace Vemora
