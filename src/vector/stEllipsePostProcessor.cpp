#include <vemora/vector/stEllipsePostProcessor.h>

#include <vemora/sketch/stSketch.h>

#include <vector>

namespace Vemora {

stEllipsePostProcessor_c::~stEllipsePostProcessor_c() = default;

bool stEllipsePostProcessor_c::checkPoint(utPoint_c p, const utPoint_c& q, double d) {
    return (p - q).length() < d;
}

stSketch_c* stEllipsePostProcessor_c::process(stSketch_c* sketch) {
    sketch_ = sketch;
    if (!sketch) return nullptr;
    std::vector<utPoint_c> ends;
    for (int i = 0; i < sketch->entitiesCount(); ++i) {
        if (const auto* arc = dynamic_cast<const stEllipseArc_c*>(sketch->entityAt(i))) {
            ends.push_back(arc->pointAtAngle(arc->startAngle()));
            ends.push_back(arc->pointAtAngle(arc->endAngle()));
        }
    }
    for (const utPoint_c& q : ends) {
        for (int i = 0; i < sketch->entitiesCount(); ++i) {
            stEntity_c* e = sketch->entityAt(i);
            bool moved = false;
            if (auto* line = dynamic_cast<stLine_c*>(e)) {
                if (checkPoint(line->p1(), q, distance_)) {
                    line->setP1(q);
                    moved = true;
                }
                if (checkPoint(line->p2(), q, distance_)) {
                    line->setP2(q);
                    moved = true;
                }
            } else if (auto* spline = dynamic_cast<stSpline_c*>(e)) {
                const int n = spline->pointCount();
                if (n > 0 && checkPoint(spline->pointAt(0), q, distance_)) {
                    spline->movePointAt(0, q);
                    moved = true;
                }
                if (n > 0 && checkPoint(spline->pointAt(n - 1), q, distance_)) {
                    spline->movePointAt(n - 1, q);
                    moved = true;
                }
            }
            // Searches that follow (the refiner's) find entities by their extents.
            if (moved) e->updateExtents();
        }
    }
    return sketch;
}

}  // namespace Vemora
