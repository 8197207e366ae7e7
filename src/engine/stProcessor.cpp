#include <vemora/engine/stProcessor.h>

#include <vemora/engine/stToolContext.h>
#include <vemora/foundation/utException.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/sketch/stSketch.h>
#include <vemora/xml/stXmlNode.h>

#include <cmath>
#include <memory>
#include <new>
#include <typeinfo>
#include <vector>

#include "engine/toolNotifications.h"

namespace Vemora {

stAbstractTool_c::~stAbstractTool_c() = default;

// ---------------------------------------------------------------------------------------------
// Descriptors of the processor bases: abstract, no factory.

stDescriptor_c* stProcessor_c::desc() {
    static stDescriptor_c d(L"Processor", nullptr, stConfigurable_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stProcessor_c::isA() { return desc(); }

stDescriptor_c* stRasterProcessor_c::desc() {
    static stDescriptor_c d(L"RasterProcessor", nullptr, stProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stRasterProcessor_c::isA() { return desc(); }

stDescriptor_c* stTracingAlgorithm_c::desc() {
    static stDescriptor_c d(L"TracingAlgorithm", nullptr, stProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stTracingAlgorithm_c::isA() { return desc(); }

stDescriptor_c* stSketchProcessor_c::desc() {
    static stDescriptor_c d(L"SketchProcessor", nullptr, stProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stSketchProcessor_c::isA() { return desc(); }

// ---------------------------------------------------------------------------------------------
// Notifications go to the owning tool; on its own a processor is never cancelled.

stProcessor_c::~stProcessor_c() = default;

bool stProcessor_c::notifyStarted() {
    return owner_ ? stToolNotifications_c::started(*owner_) : true;
}

bool stProcessor_c::notifyStepStarted(const wchar_t* step) {
    return owner_ ? stToolNotifications_c::stepStarted(*owner_, step) : true;
}

bool stProcessor_c::notifyProgress(int percent) {
    return owner_ ? stToolNotifications_c::progress(*owner_, percent) : true;
}

void stProcessor_c::notifyStepFinished(const wchar_t* step) {
    if (owner_) stToolNotifications_c::stepFinished(*owner_, step);
}

void stProcessor_c::notifyFinished() {
    if (owner_) stToolNotifications_c::finished(*owner_);
}

void stProcessor_c::notifyError(const wchar_t* a, const wchar_t* b) {
    if (owner_) stToolNotifications_c::error(*owner_, a, b);
}

void stProcessor_c::notifyLogMessage(const wchar_t* a, const wchar_t* b) {
    if (owner_) stToolNotifications_c::logMessage(*owner_, a, b);
}

// ---------------------------------------------------------------------------------------------
// The three ways of applying a processor to a context. None lets an exception out.

bool stRasterProcessor_c::apply(stToolContext_c* context) {
    std::unique_ptr<utRasterData_c> copy;
    try {
        const utRasterData_c* working = context->getRaster();
        if (!working) return false;
        copy = std::make_unique<utRasterData_c>(*working);
    } catch (...) {
        return false;
    }
    utRasterData_c* const input = copy.get();
    try {
        utRasterData_c* result = process(copy.release());
        if (result) context->setRaster(result);
        return true;
    } catch (...) {
        // A process deletes its input only as its last act, so one that threw left the copy
        // alive and ours again.
        context->setRaster(input);
        return false;
    }
}

bool stSketchProcessor_c::apply(stToolContext_c* context) {
    setContext(context);
    if (!consumesInput()) {
        try {
            stSketch_c* result = process(context->getVectors());
            if (result) context->setVectors(result);
            return true;
        } catch (...) {
            return false;
        }
    }
    // The processor deletes its input: the context lets go of it first, and takes it back if the
    // processor fails (a failing processor leaves its input alone).
    stSketch_c* input = context->releaseVectors();
    try {
        stSketch_c* result = process(input);
        context->setVectors(result);
        return true;
    } catch (...) {
        context->setVectors(input);
        return false;
    }
}

void stTracingAlgorithm_c::rotatePoint(const utPoint_c& centre, utPoint_c& point, double angle) {
    const double dx = point.x() - centre.x();
    const double dy = point.y() - centre.y();
    point.set(centre.x() + std::cos(angle) * dx + std::sin(angle) * dy,
              centre.y() + std::cos(angle) * dy - std::sin(angle) * dx);
}

bool stTracingAlgorithm_c::apply(stToolContext_c* context) {
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
    if (!context->getSelectionRectangle(x1, y1, x2, y2)) x1 = y1 = 0.0;

    std::unique_ptr<stSketch_c> sketch;
    bool result = false;
    try {
        const utRasterData_c* working = context->getRaster();
        if (working) {
            utRasterData_c copy(*working);
            double sx = 1.0, sy = 1.0, angle = 0.0, mx = 0.0, my = 0.0;
            utPoint_c centre(0.0, 0.0);
            context->getScalingInfo(sx, sy);
            context->getRotationInfo(centre, angle);
            context->getMoveInfo(mx, my);

            double px = 0.0, py = 0.0;
            if (context->getPickPoint(px, py)) {
                const utPoint_c pick(px, py);
                sketch.reset(trace(&copy, &pick, x1, y1));
            } else {
                sketch.reset(trace(&copy, nullptr, x1, y1));
            }
            result = sketch != nullptr;

            if (sketch &&
                (sx != 1.0 || sy != 1.0 || centre != utPoint_c(0.0, 0.0) || angle != 0.0)) {
                auto transform = [&](utPoint_c p) {
                    utPoint_c q((p.x() - mx) * sx, (p.y() - my) * sy);
                    rotatePoint(centre, q, angle);
                    return q;
                };
                for (int i = 0; i < sketch->entitiesCount(); ++i) {
                    stEntity_c* e = sketch->entityAt(i);
                    if (typeid(*e) != typeid(stSpline_c)) continue;  // exactly splines
                    auto* spline = static_cast<stSpline_c*>(e);
                    for (int j = 0; j < spline->pointCount(); ++j)
                        spline->movePointAt(j, transform(spline->pointAt(j)));
                    if (spline->hasControlPoints()) {
                        std::vector<utPoint_c> control;
                        for (const utPoint_c& c : spline->controlPoints())
                            control.push_back(transform(c));
                        spline->setControlPoints(control);
                    }
                }
            }
        }
    } catch (...) {
        result = false;
    }
    if (sketch) context->setVectors(sketch.release());
    return result;
}

// ---------------------------------------------------------------------------------------------

stProcessorInfo_c::stProcessorInfo_c(stXmlElement_c* element) {
    if (!element) return;
    processorName_ = element->getAttribute(L"processorName");
    description_ = element->getValue(L"Description ");
    name_ = element->getAttribute(L"name");
}

}  // namespace Vemora
