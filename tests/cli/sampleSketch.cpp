// Writes one sketch holding every entity kind as DXF and JSON into the folder given, for the
// ezdxf round trip of checkDxf.py.
#include "io/sketchWriter.h"

#include <cmath>
#include <cstdio>
#include <exception>

#include "foundation/mathConstants.h"

using namespace Vemora;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(&sketch, {10, 10}, {150, 20}));
    sketch.addEntity(new stArc_c({40, 60}, {60, 80}, {80, 60}));
    sketch.addEntity(new stArc_c({120, 70}, 15, 0.25 * kPi, 1.75 * kPi));
    sketch.addEntity(new stCircle_c({30, 110}, 12));
    sketch.addEntity(new stEllipse_c(25, 10, 30, {100, 110}));
    sketch.addEntity(new stEllipse_c(8, 20, -15, {170, 40}));
    sketch.addEntity(new stEllipseArc_c(30, 12, 20, 200, 380, {160, 100}));
    auto* curve = new stSpline_c({{10, 140}, {70, 140}});
    curve->setControlPoints(
        {{10, 140}, {20, 125}, {30, 125}, {40, 140}, {50, 155}, {60, 155}, {70, 140}});
    sketch.addEntity(curve);
    sketch.addEntity(new stSpline_c({{90, 130}, {120, 135}, {110, 150}, {90, 130}}));
    sketch.addEntity(new stSpline_c({{130, 140}, {140, 150}, {150, 140}}));
    sketch.addEntity(new stPoint_c({5, 5}));
    auto* wide = new stLine_c({180, 10}, {190, 150});
    const stEntityAttributes_c wideAttributes(0, 0, 4.0);
    wide->setAttributes(&wideAttributes);
    sketch.addEntity(wide);

    const std::string dir = argv[1];
    const stDrawingFrame_c frame =
        stDrawingFrame_c::forImage(200, 160, 300.0, stUnits_e::Millimetres);
    try {
        writeSketchFile(dir + "/sample.dxf", stOutputFormat_e::Dxf, sketch, frame);
        writeSketchFile(dir + "/sample.json", stOutputFormat_e::Json, sketch, frame);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
