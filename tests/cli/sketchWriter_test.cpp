#include "io/sketchWriter.h"
#include "foundation/mathConstants.h"
#include "io/atomicFile.h"
#include "io/imageReader.h"

#include <vemora/vector/stStrokeWidthMeter.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "rasterDrawing.h"

using namespace Vemora;

namespace {

constexpr double kTol = 1e-9;

// The group code / value pairs of a DXF's ENTITIES section, one map per entity (the last value
// of each code wins, which is enough for single-point entities).
struct DxfEntity {
    std::string type;
    std::map<int, std::vector<std::string>> values;
    double real(int code, size_t i = 0) const { return std::stod(values.at(code).at(i)); }
};

std::vector<DxfEntity> dxfEntities(const std::string& dxf) {
    std::istringstream in(dxf);
    std::string code, value;
    std::vector<DxfEntity> out;
    bool inEntities = false;
    std::string lastSectionName;
    while (std::getline(in, code) && std::getline(in, value)) {
        const int c = std::stoi(code);
        if (c == 2 && !inEntities && value == "ENTITIES") inEntities = true;
        if (!inEntities) continue;
        if (c == 0) {
            if (value == "ENDSEC") break;
            out.push_back({value, {}});
        } else if (!out.empty()) {
            out.back().values[c].push_back(value);
        }
    }
    return out;
}

std::string dxfOf(const stSketch_c& sketch, const stDrawingFrame_c& frame) {
    std::ostringstream out;
    writeDxf(sketch, frame, out);
    return out.str();
}

std::string svgOf(const stSketch_c& sketch, const stDrawingFrame_c& frame,
                  const utRasterData_c* overlay = nullptr) {
    std::ostringstream out;
    writeSvg(sketch, frame, out, overlay);
    return out.str();
}

double norm360(double d) {
    d = std::fmod(d, 360.0);
    return d < 0 ? d + 360.0 : d;
}
double norm2pi(double t) {
    t = std::fmod(t, 2 * kPi);
    return t < 0 ? t + 2 * kPi : t;
}

stDrawingFrame_c frame100x50() {
    return stDrawingFrame_c::forImage(100, 50, 0.0, stUnits_e::Pixels);
}

}  // namespace

TEST(sketchWriterTest, InkAtTheTopLeftIsNearTheTopInCadAndTheOriginInSvg) {
    stSketch_c sketch;
    sketch.addEntity(new stLine_c({1, 2}, {10, 2}));

    const auto entities = dxfEntities(dxfOf(sketch, frame100x50()));
    ASSERT_EQ(entities.size(), 1u);
    EXPECT_EQ(entities[0].type, "LINE");
    EXPECT_NEAR(entities[0].real(10), 1.0, kTol);
    EXPECT_NEAR(entities[0].real(20), 48.0, kTol);
    EXPECT_NEAR(entities[0].real(11), 10.0, kTol);
    EXPECT_NEAR(entities[0].real(21), 48.0, kTol);

    EXPECT_NE(svgOf(sketch, frame100x50()).find("d=\"M1 2L10 2\""), std::string::npos);

    // 254 dpi in millimetres: a pixel is 0.1 mm, the image 5 mm high.
    const auto mm = dxfEntities(
        dxfOf(sketch, stDrawingFrame_c::forImage(100, 50, 254.0, stUnits_e::Millimetres)));
    EXPECT_NEAR(mm[0].real(10), 0.1, kTol);
    EXPECT_NEAR(mm[0].real(20), 4.8, kTol);
}

TEST(sketchWriterTest, ArcAnglesFlipWithY) {
    struct Row {
        const char* name;
        stEntity_c* arc;
        double start, end;  // DXF degrees
    } rows[] = {
        // Through the point below the centre on screen: the lower half in CAD too, 180 -> 360.
        {"three points, lower half", new stArc_c({60, 25}, {50, 35}, {40, 25}), 180, 0},
        // The same ends through the upper point.
        {"three points, upper half", new stArc_c({60, 25}, {50, 15}, {40, 25}), 0, 180},
        // Angles grow from 0 to -90 (= 270) degrees: three quarters down, left and up the screen,
        // so in CAD three quarters clockwise from 0, DXF 90 -> 0.
        {"angles, three quarters", new stArc_c({50, 25}, 10, 0, -kPi / 2), 90, 0},
        // Sketch -3 pi / 4 to 3 pi / 4 through 170 degrees: a quarter around the left in both
        // systems.
        {"three points across pi",
         new stArc_c({50 - 7.0710678118654755, 25 - 7.0710678118654755},
                     {50 + 10 * std::cos(kPi * 17 / 18), 25 + 10 * std::sin(kPi * 17 / 18)},
                     {50 - 7.0710678118654755, 25 + 7.0710678118654755}),
         135, 225},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stSketch_c sketch;
        sketch.addEntity(row.arc);
        const auto e = dxfEntities(dxfOf(sketch, frame100x50()));
        ASSERT_EQ(e.size(), 1u);
        ASSERT_EQ(e[0].type, "ARC");
        EXPECT_NEAR(e[0].real(10), 50.0, 1e-6);
        EXPECT_NEAR(e[0].real(20), 25.0, 1e-6);
        EXPECT_NEAR(e[0].real(40), 10.0, 1e-6);
        EXPECT_NEAR(norm360(e[0].real(50) - row.start + 1e-7), 1e-7, 1e-6);
        EXPECT_NEAR(norm360(e[0].real(51) - row.end + 1e-7), 1e-7, 1e-6);
    }
}

TEST(sketchWriterTest, CollinearArcIsWrittenAsItsChord) {
    stSketch_c sketch;
    sketch.addEntity(new stArc_c({0, 0}, {5, 0}, {10, 0}));
    const auto e = dxfEntities(dxfOf(sketch, frame100x50()));
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].type, "LINE");
    EXPECT_NEAR(e[0].real(11), 10.0, kTol);
}

TEST(sketchWriterTest, EllipseArcParametersFlipWithY) {
    // Sketch angle 0 -> 90 from the a axis runs down the screen: in CAD from (cx + 20, cy)
    // clockwise to (cx, cy - 10), so DXF parameters 270 degrees -> 360.
    stSketch_c sketch;
    sketch.addEntity(new stEllipseArc_c(20, 10, 0, 0, 90, {50, 25}));
    // phi 30: the a axis leans up the screen, so in CAD it points at +30 degrees; b > a makes
    // b the major axis, a quarter turn clockwise from a.
    sketch.addEntity(new stEllipse_c(20, 10, 30, {50, 25}));
    sketch.addEntity(new stEllipse_c(10, 20, 30, {50, 25}));
    const auto e = dxfEntities(dxfOf(sketch, frame100x50()));
    ASSERT_EQ(e.size(), 3u);

    EXPECT_EQ(e[0].type, "ELLIPSE");
    EXPECT_NEAR(e[0].real(11), 20.0, kTol);
    EXPECT_NEAR(e[0].real(21), 0.0, kTol);
    EXPECT_NEAR(e[0].real(40), 0.5, kTol);
    EXPECT_NEAR(e[0].real(41), 1.5 * kPi, 1e-9);
    EXPECT_NEAR(norm2pi(e[0].real(42) + 1e-7), 1e-7, 1e-9);

    const double c30 = std::cos(kPi / 6), s30 = std::sin(kPi / 6);
    EXPECT_NEAR(e[1].real(11), 20 * c30, kTol);
    EXPECT_NEAR(e[1].real(21), 20 * s30, kTol);
    EXPECT_NEAR(e[1].real(41), 0.0, kTol);
    EXPECT_NEAR(e[1].real(42), 2 * kPi, kTol);
    EXPECT_NEAR(e[2].real(11), 20 * s30, kTol);
    EXPECT_NEAR(e[2].real(21), -20 * c30, kTol);
    EXPECT_NEAR(e[2].real(40), 0.5, kTol);
}

TEST(sketchWriterTest, SplinesBecomeBSplinesOrPolylines) {
    stSketch_c sketch;
    auto* curve = new stSpline_c({{0, 0}, {30, 0}});
    // Two Bezier pieces: 7 control points, each inner knot three times.
    curve->setControlPoints({{0, 0}, {5, 5}, {10, 5}, {15, 0}, {20, -5}, {25, -5}, {30, 0}});
    sketch.addEntity(curve);
    sketch.addEntity(new stSpline_c({{0, 0}, {10, 0}, {10, 10}, {0, 0}}));
    auto* wide = new stLine_c({0, 0}, {1, 1});
    const stEntityAttributes_c wideAttributes(0, 0, 3.0);
    wide->setAttributes(&wideAttributes);
    sketch.addEntity(wide);

    const auto e = dxfEntities(dxfOf(sketch, frame100x50()));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].type, "SPLINE");
    EXPECT_EQ(e[0].values.at(40).size(), 11u);
    EXPECT_EQ(e[0].values.at(40)[4], "1");
    EXPECT_EQ(e[0].values.at(40)[7], "2");
    EXPECT_EQ(e[0].values.at(10).size(), 7u);
    EXPECT_EQ(e[1].type, "LWPOLYLINE");
    EXPECT_EQ(e[1].values.at(90)[0], "3");  // closed: the repeated point is dropped
    EXPECT_EQ(e[1].values.at(70)[0], "1");
    // 3 px at 96 per inch is 0.79 mm: lineweight 80.
    EXPECT_EQ(e[2].values.at(370)[0], "80");
}

TEST(sketchWriterTest, ThickAndThinStrokesLandOnLayersOfTheirOwnWithTheirWidths) {
    // Outlines of 7 px and dimension lines of 2 px, measured on the drawing, 300 dpi.
    utRasterData_c drawing = vemora_test::blankRaster(100, 50);
    vemora_test::drawStroke(drawing, 10, 10, 90, 10, 7.0);
    vemora_test::drawStroke(drawing, 90, 10, 90, 40, 7.0);
    vemora_test::drawStroke(drawing, 10, 30.5, 80, 30.5, 2.0);
    vemora_test::drawStroke(drawing, 10, 40.5, 80, 40.5, 2.0);
    stSketch_c sketch;
    sketch.addEntity(new stLine_c({10, 10}, {90, 10}));
    sketch.addEntity(new stLine_c({90, 10}, {90, 40}));
    sketch.addEntity(new stLine_c({10, 30.5}, {80, 30.5}));
    sketch.addEntity(new stLine_c({10, 40.5}, {80, 40.5}));
    stStrokeWidthMeter_c meter;
    ASSERT_TRUE(meter.measure(sketch, drawing, utPoint_c(0, 0)));

    const stDrawingFrame_c mm = stDrawingFrame_c::forImage(100, 50, 300.0, stUnits_e::Millimetres);
    const std::string dxf = dxfOf(sketch, mm);
    const auto e = dxfEntities(dxf);
    ASSERT_EQ(e.size(), 4u);
    // 7 px at 300 dpi is 0.59 mm: lineweight 60; 2 px is 0.17 mm: 18.
    const char* layers[] = {"THICK", "THICK", "THIN", "THIN"};
    const char* weights[] = {"60", "60", "18", "18"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(e[i].values.at(8)[0], layers[i]);
        EXPECT_EQ(e[i].values.at(370)[0], weights[i]);
    }
    EXPECT_NE(dxf.find("LAYER\n  5\n"), std::string::npos);
    EXPECT_NE(dxf.find("\n  2\nTHICK\n"), std::string::npos);
    EXPECT_NE(dxf.find("\n  2\nTHIN\n"), std::string::npos);

    const std::string svg = svgOf(sketch, mm);
    EXPECT_NE(svg.find("M10 10L90 10\" stroke-width=\"7\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("M10 30.5L80 30.5\" stroke-width=\"2\""), std::string::npos) << svg;

    // One width throughout: everything stays on layer 0.
    stSketch_c even;
    even.addEntity(new stLine_c({10, 30.5}, {80, 30.5}));
    even.addEntity(new stLine_c({10, 40.5}, {80, 40.5}));
    ASSERT_TRUE(meter.measure(even, drawing, utPoint_c(0, 0)));
    for (const DxfEntity& d : dxfEntities(dxfOf(even, mm))) EXPECT_EQ(d.values.at(8)[0], "0");
}

TEST(sketchWriterTest, SvgArcsKeepTheirTurnAndOverlayEmbedsThePicture) {
    stSketch_c sketch;
    sketch.addEntity(new stArc_c({60, 25}, {50, 35}, {40, 25}));
    // Three quarters of a circle, growing angles: down the screen first.
    sketch.addEntity(new stArc_c({50, 25}, 10, 0, 1.5 * kPi));
    utRasterData_c picture(2, 2);
    const std::string svg = svgOf(sketch, frame100x50(), &picture);
    EXPECT_NE(svg.find(" 1 40 25\"/>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("M60 25A10 10 0 1 1 50 15\"/>"), std::string::npos) << svg;
    // The PNG signature, base64-encoded.
    EXPECT_NE(svg.find("data:image/png;base64,iVBORw0KGgo"), std::string::npos);
    EXPECT_NE(svg.find("opacity=\"0.35\""), std::string::npos);
    EXPECT_EQ(svgOf(sketch, frame100x50()).find("<image"), std::string::npos);
}

TEST(sketchWriterTest, JsonHoldsEveryEntityAndTheCounts) {
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(&sketch, {1, 2}, {3, 4}));
    sketch.addEntity(new stCircle_c({5, 6}, 7));
    sketch.addEntity(new stEllipseArc_c(4, 2, 10, 0, 120, {8, 9}));
    sketch.addEntity(new stPolyline_c());
    std::ostringstream out;
    writeJson(sketch, stDrawingFrame_c::forImage(640, 480, 300, stUnits_e::Inches), out);
    const auto doc = nlohmann::json::parse(out.str());

    EXPECT_EQ(doc["image"]["width"], 640);
    EXPECT_EQ(doc["units"], "in");
    EXPECT_NEAR(doc["scale"].get<double>(), 1.0 / 300, 1e-15);
    EXPECT_EQ(doc["counts"]["line"], 1);
    EXPECT_EQ(doc["counts"]["arc"], 0);
    EXPECT_EQ(doc["counts"]["total"], 4);
    ASSERT_EQ(doc["entities"].size(), 4u);
    EXPECT_EQ(doc["entities"][0]["type"], "line");
    EXPECT_EQ(doc["entities"][0]["handle"], 0);
    EXPECT_EQ(doc["entities"][0]["p2"], nlohmann::json::array({3.0, 4.0}));
    EXPECT_EQ(doc["entities"][1]["radius"], 7.0);
    EXPECT_EQ(doc["entities"][2]["endAngle"], 120.0);
    EXPECT_EQ(doc["entities"][3]["type"], "polyline");
}

TEST(sketchWriterTest, FailedWritesLeaveNoFile) {
    const std::string dir = testing::TempDir() + "vemora_atomic/";
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    const auto listing = [&dir] {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d)) {
                if (e->d_name[0] != '.' || std::string(e->d_name).size() > 2) {
                    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") {
                        names.push_back(e->d_name);
                    }
                }
            }
            closedir(d);
        }
        return names;
    };
    stSketch_c sketch;
    sketch.addEntity(new stLine_c({0, 0}, {1, 1}));

    // Abandoned before commit: neither the target nor the temporary remains.
    {
        stAtomicFile_c file(dir + "out.dxf");
        file.stream() << "partial";
    }
    EXPECT_TRUE(listing().empty());

    // A successful write replaces the old file and leaves nothing else behind.
    std::ofstream(dir + "out.svg") << "old";
    writeSketchFile(dir + "out.svg", stOutputFormat_e::Svg, sketch, frame100x50());
    EXPECT_EQ(listing(), std::vector<std::string>{"out.svg"});
    std::ifstream in(dir + "out.svg");
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.rfind("<?xml", 0), 0u);

    const std::string missing = dir + "no/such/dir/out.json";
    try {
        writeSketchFile(missing, stOutputFormat_e::Json, sketch, frame100x50());
        ADD_FAILURE() << "no error";
    } catch (const stFileError_c& e) {
        EXPECT_EQ(std::string(e.what()).rfind(missing + ": ", 0), 0u) << e.what();
    }
}

TEST(sketchWriterTest, AnInterruptWhileWritingRemovesTheTemporary) {
    const std::string dir = testing::TempDir() + "vemora_interrupt/";
    for (const int signal : {SIGTERM, SIGINT}) {
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN) continue;  // started with it ignored: nothing to end
        SCOPED_TRACE(signal);
        std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
        std::ofstream(dir + "out.dxf") << "old";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            stAtomicFile_c file(dir + "out.dxf");
            file.stream() << "partial" << std::flush;
            raise(signal);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        std::set<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d)) names.insert(e->d_name);
            closedir(d);
        }
        EXPECT_EQ(names, (std::set<std::string>{".", "..", "out.dxf"}));
        std::string content;
        std::getline(std::ifstream(dir + "out.dxf"), content);
        EXPECT_EQ(content, "old");
    }
}

TEST(sketchWriterTest, OutputFormatComesFromTheExtension) {
    EXPECT_EQ(outputFormatForPath("a/b.DXF"), stOutputFormat_e::Dxf);
    EXPECT_EQ(outputFormatForPath("b.svg"), stOutputFormat_e::Svg);
    EXPECT_EQ(outputFormatForPath("x.json"), stOutputFormat_e::Json);
    EXPECT_FALSE(outputFormatForPath("x.png").has_value());
    EXPECT_FALSE(outputFormatForPath("dir.dxf/name").has_value());
}
