#pragma once

// A sketch for the junctions processor: broken strokes with corners, splines, arcs, circles and
// points, plus elliptic arcs starting near line ends, strokes crossing the rows and exact
// duplicates of some entities further on.

#include <vemora/foundation/utGeCurve.h>
#include <vemora/sketch/stSketch.h>

#include <memory>

#include "brokenStrokes.h"

namespace vemora_test {

inline std::unique_ptr<Vemora::stSketch_c> junctionScene(int entities, unsigned seed = 11) {
    using namespace Vemora;
    std::unique_ptr<stSketch_c> sketch = std::move(brokenStrokes(entities, true, seed).sketch);
    const int n = sketch->entitiesCount();
    for (int i = 0; i < n; ++i) {
        const auto* line = dynamic_cast<const stLine_c*>(sketch->entityAt(i));
        if (!line) continue;
        if (i % 23 == 0) {
            // An elliptic arc whose start lies 1.5 right and 1 below the line's end.
            const utPoint_c at0 = ellipsePointAtAngle(0, 6, 4, 30, 0, 0);
            const utPoint_c c(line->p2().x() + 1.5 - at0.x(), line->p2().y() + 1 - at0.y());
            sketch->addEntity(new stEllipseArc_c(6, 4, 30, 0, 120, c));
        }
        if (i % 31 == 0) {  // nearly upright, across three rows
            const utPoint_c m((line->p1().x() + line->p2().x()) / 2, line->p1().y());
            sketch->addEntity(
                new stLine_c(utPoint_c(m.x() - 10, m.y() - 3), utPoint_c(m.x() - 9.5, m.y() + 20)));
        }
        if (i % 17 == 0) sketch->addEntity(line->clone());
    }
    return sketch;
}

}  // namespace vemora_test
