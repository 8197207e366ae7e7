#pragma once

// The sketch-wide steps around the junctions processor's work: dropping duplicated and degenerate
// entities, cutting splines into chains of lines, and turning the chains back into splines.

#include <memory>
#include <vector>

namespace Vemora {

class stLine_c;
class stSketch_c;

namespace junctions {

using tmpSplineChains_c = std::vector<std::vector<stLine_c*>>;

// Clones of the entities of `in`, in order, without those equal to a later entity (of exact
// duplicates the last one stays), lines whose ends coincide and two-point splines whose points
// coincide. `indexed` looks duplicates up by their values instead of comparing every pair; the
// result is the same.
std::unique_ptr<stSketch_c> withoutDuplicates(const stSketch_c& in, bool indexed);

// A copy of `in` with every spline cut into lines: two points give one line, more give a chain
// of lines that is appended to `chains`. Lines whose ends coincide and splines of fewer than two
// points are left out; polylines and regions are copied without their contents.
std::unique_ptr<stSketch_c> cutSplines(stSketch_c& in, tmpSplineChains_c& chains);

// Replaces every chain's lines in `sketch` by one spline through their start points and the end
// of the last line (a point repeating the previous one is left out), appended in chain order.
void rebuildSplines(stSketch_c& sketch, const tmpSplineChains_c& chains);

}  // namespace junctions
}  // namespace Vemora
