#include <vemora/vector/stSketchRefiner.h>

#include <vemora/engine/stToolContext.h>
#include <vemora/sketch/stSketch.h>

#include <algorithm>

#include "config/propertyTable.h"
#include "vector/sketchRefinerEngines.h"

namespace Vemora {

namespace {
constexpr int kDarknessThreshold = 197;
constexpr const wchar_t* kMergeGapsStep = L"Merge gaps.";
constexpr const wchar_t* kLinkCollinearStep = L"Link collinear line segments.";
constexpr const wchar_t* kSegmentizerStep = L"Run segmentizer.";
constexpr const wchar_t* kCriticalError = L"Critical error occured.";

stConfigurable_c* create() { return new stSketchRefiner_c(); }
}  // namespace

stSketchRefiner_c::~stSketchRefiner_c() = default;

const tmpPropertyTable_c<stSketchRefiner_c>& stSketchRefiner_c::properties() {
    static const tmpPropertyTable_c<stSketchRefiner_c> table = [] {
        using R = stSketchRefiner_c;
        tmpPropertyTable_c<R> t;
        t.boolean(L"RunRefiner", &R::runRefiner_)
            .boolean(L"LinkCollinear", &R::linkCollinear_)
            .real(L"LinkCollinearMaxDeviation", &R::linkCollinearMaxDeviation_)
            .boolean(L"LinkCollinearUseWidth", &R::linkCollinearUseWidth_)
            .real(L"LinkCollinearMaxDistance", &R::linkCollinearMaxDistance_)
            .real(L"LinkCollinearMaxWidthDeviation", &R::linkCollinearMaxWidthDeviation_)
            .boolean(L"LinkCollinearRunSegmentizer", &R::linkCollinearRunSegmentizer_)
            .boolean(L"MergeGaps", &R::mergeGaps_)
            .real(L"MergeGapsMaxDistance", &R::mergeGapsMaxDistance_)
            .boolean(L"MergeGapsUseWidth", &R::mergeGapsUseWidth_);
        return t;
    }();
    return table;
}

stDescriptor_c* stSketchRefiner_c::desc() {
    static stDescriptor_c d(L"SketchRefiner", &create, stSketchProcessor_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stSketchRefiner_c::isA() { return desc(); }

stXmlElement_c* stSketchRefiner_c::toXml(stXmlElement_c* element) const { return element; }

void stSketchRefiner_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

int stSketchRefiner_c::countSubProcessors() const {
    if (!runRefiner_) return 0;
    int n = mergeGaps_ ? 1 : 0;
    if (linkCollinear_) n += linkCollinearRunSegmentizer_ ? 2 : 1;
    return n;
}

stSketch_c* stSketchRefiner_c::process(stSketch_c* sketch) {
    double sx = 1.0, sy = 1.0, ox = 0.0, oy = 0.0;
    if (stToolContext_c* c = context()) {
        c->getScalingInfo(sx, sy);
        double x2 = 0.0, y2 = 0.0;
        if (!c->getSelectionRectangle(ox, oy, x2, y2)) ox = oy = 0.0;
    }
    // Kept scaled: a second call scales again.
    const double s = std::min(sx, sy);
    linkCollinearMaxDistance_ *= s;
    mergeGapsMaxDistance_ *= s;
    if (sketch && runRefiner_) {
        mergeGapsStep(*sketch, sx, sy, ox, oy);
        linkCollinearStep(*sketch, sx, sy, ox, oy);
    }
    return sketch;
}

void stSketchRefiner_c::mergeGapsStep(stSketch_c& sketch, double sx, double sy, double ox,
                                      double oy) {
    if (!mergeGaps_ || !notifyStepStarted(kMergeGapsStep)) return;
    try {
        stToolContext_c* c = context();
        utPoint_c centre;
        double angle = 0.0;
        if (c) c->getRotationInfo(centre, angle);
        tmpGapsRefiner_c engine(&sketch, c ? c->getRaster() : nullptr, kDarknessThreshold,
                                maxWhitePixelCount_, mergeGapsMaxDistance_, sx, sy, ox, oy, angle,
                                c ? &centre : nullptr);
        engine.run(&sketch);
    } catch (...) {
        notifyError(kMergeGapsStep, kCriticalError);
    }
    notifyStepFinished(kMergeGapsStep);
}

void stSketchRefiner_c::linkCollinearStep(stSketch_c& sketch, double sx, double sy, double ox,
                                          double oy) {
    if (!linkCollinear_ || !notifyStepStarted(kLinkCollinearStep)) return;
    try {
        stToolContext_c* c = context();
        tmpLinkCollinear_c engine(&sketch, linkCollinearMaxDistance_, linkCollinearMaxDistance_,
                                  linkCollinearMaxDeviation_, linkCollinearMaxWidthDeviation_, sx,
                                  sy, ox, oy, maxWhitePixelCount_, kDarknessThreshold,
                                  c ? c->getRaster() : nullptr);
        engine.run(&sketch);
        // Announced only: the linked sketch is not segmented here.
        if (linkCollinearRunSegmentizer_) {
            if (!notifyStepStarted(kSegmentizerStep)) return;  // cancelled: no finish for either
            notifyStepFinished(kSegmentizerStep);
        }
    } catch (...) {
        notifyError(kLinkCollinearStep, kCriticalError);
    }
    notifyStepFinished(kLinkCollinearStep);
}

}  // namespace Vemora
