#pragma once

// The vertices of an entity as the sketch refiner's engines see them: the two ends of a line, the
// two ends of an arc (index 0 at its end angle), every point of a spline. Other entity kinds have
// none and take no part.

#include <vemora/foundation/utPoint.h>

namespace Vemora {

class stEntity_c;

int refinerVertexCount(stEntity_c& entity);
utPoint_c refinerVertexAt(stEntity_c& entity, int i);
// Lines and splines move; arcs and everything else stay.
void refinerMoveVertex(stEntity_c& entity, int i, const utPoint_c& p);

}  // namespace Vemora
