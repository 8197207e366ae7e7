#pragma once

// The geometry the junctions processor works with: where entities meet, how far an entity leans
// away from an axis, and how it is turned onto one. Angles are in degrees.

#include <vemora/foundation/utPoint.h>

#include <vector>

namespace Vemora {

class stEntity_c;
class stEllipseArc_c;
class stLine_c;

namespace junctions {

// The start and end points the processor works with: a line's p1 and p2, an elliptic arc's points
// at its start and end angles, an ellipse's ends of its a axis, a spline's first and last points,
// a point twice. False for the other kinds (nothing is written then).
bool entityEnds(const stEntity_c& entity, utPoint_c& start, utPoint_c& end);

// What the junction search needs of an entity: only lines and elliptic arcs meet anything, and both
// meet through their two ends alone.
struct tmpShape_c {
    enum Kind { kNone, kLine, kEllipseArc };
    Kind kind = kNone;
    utPoint_c start;
    utPoint_c end;
};
tmpShape_c shapeOf(const stEntity_c& entity);

// The points where a and b meet within the tolerance d, appended to `out`: the crossing of two
// lines, the middle of two elliptic arc ends, an elliptic arc's end near a line's end.
void meetingPoints(const tmpShape_c& a, const tmpShape_c& b, double d, std::vector<utPoint_c>& out);

// Pass 0 measures against the vertical, so an entity lying horizontally gives 90; pass 1 against
// the horizontal. Lines by their direction, ellipses and elliptic arcs by their a axis. False for
// other kinds and for a direction of zero length.
bool measureAngle(const stEntity_c& entity, int pass, double& degrees);

// Turns a line's ends by -theta about the pivot; lowers an ellipse's or an elliptic arc's rotation
// by theta. Other kinds stay.
void turnEntity(stEntity_c& entity, const utPoint_c& pivot, double theta);

// True when p satisfies the arc's conic equation to within 1e-4. An arc whose six coefficients are
// all zero has no equation of its own: its a, b, rotation and centre give one.
bool onArcConic(const stEllipseArc_c& arc, const utPoint_c& p);

// The angle of p on the arc's ellipse, brought to the turn nearest `near` so that an end angle of
// 360 or beyond keeps its place.
double angleOnEllipse(const stEllipseArc_c& arc, const utPoint_c& p, double near);

}  // namespace junctions
}  // namespace Vemora
