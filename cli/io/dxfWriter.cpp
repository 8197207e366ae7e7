// DXF R2000 (AC1015), ASCII. The file carries what a strict reader checks for: the header
// variables, the symbol tables a drawing needs (viewport, line types, layer 0, text style,
// application id, dimension style, block records), the model and paper space blocks, the
// entities, and the named-object dictionary with its layouts, every object with a handle and
// its owner.
//
// Sketch coordinates have y downward; CAD's y points up. A point (x, y) becomes
// (x, height - y) times the frame's scale, and every angle changes sign with it, so a circular
// arc that runs clockwise on the screen runs counter-clockwise in CAD and its DXF start and end
// angles trade places.

#include "sketchWriter.h"

#include "entityGeometry.h"

#include <vemora/vector/stStrokeWidthMeter.h>

#include <array>
#include <charconv>
#include <ostream>
#include <string>
#include <string_view>

namespace Vemora {

namespace {

// Standard lineweights, hundredths of a millimetre.
constexpr std::array<int, 24> kLineweights = {0,  5,   9,   13,  15,  18,  20,  25,
                                              30, 35,  40,  50,  53,  60,  70,  80,
                                              90, 100, 106, 120, 140, 158, 200, 211};
// A pixel without a stated resolution is taken as the 96-per-inch pixel of screens.
constexpr double kMmPerBarePixel = 25.4 / 96.0;
constexpr double kDefaultWidth = 1.0;
// Layers of the width classes, when the drawing's widths form two.
constexpr const char* kThinLayer = "THIN";
constexpr const char* kThickLayer = "THICK";

// Group codes and values gathered as text, handed to a stream in one piece.
class tmpDxfOut_c {
public:
    // Writes the text gathered so far to out and starts afresh.
    void flushTo(std::ostream& out) {
        out.write(text_.data(), std::streamsize(text_.size()));
        text_.clear();
    }

    // The group code right-aligned in three columns, as "%3d" writes it, then the value.
    void code(int c, std::string_view value) {
        char buf[16];
        const auto res = std::to_chars(buf, buf + sizeof buf, c);
        const std::ptrdiff_t digits = res.ptr - buf;
        if (digits < 3) text_.append(size_t(3 - digits), ' ');
        text_.append(buf, size_t(digits));
        text_.push_back('\n');
        text_.append(value.data(), value.size());
        text_.push_back('\n');
    }
    void code(int c, const std::string& value) { code(c, std::string_view(value)); }
    void code(int c, const char* value) { code(c, std::string_view(value)); }
    void code(int c, int value) {
        char buf[16];
        const auto res = std::to_chars(buf, buf + sizeof buf, value);
        code(c, std::string_view(buf, size_t(res.ptr - buf)));
    }
    void real(int c, double v) {
        // Shortest text that reads back to the same double, locale-free.
        char buf[32];
        if (v == 0.0) v = 0.0;  // no "-0"
        const auto res = std::to_chars(buf, buf + sizeof buf, v);
        code(c, std::string_view(buf, size_t(res.ptr - buf)));
    }
    void point(int c, double x, double y) {
        real(c, x);
        real(c + 10, y);
        real(c + 20, 0.0);
    }

    unsigned newHandle() { return next_++; }
    unsigned nextHandle() const { return next_; }
    void handle(int c, unsigned h) {
        char buf[16];
        const auto res = std::to_chars(buf, buf + sizeof buf, h, 16);
        for (char* p = buf; p != res.ptr; ++p)
            if (*p >= 'a' && *p <= 'f') *p = char(*p - 'a' + 'A');
        code(c, std::string_view(buf, size_t(res.ptr - buf)));
    }

private:
    std::string text_;
    unsigned next_ = 1;
};

// The handles of the fixed structure, drawn before anything is written because records refer to
// each other in both directions.
struct tmpHandles_c {
    unsigned vportTable, vportActive, ltypeTable, ltByBlock, ltByLayer, ltContinuous, layerTable,
        layer0, styleTable, styleStandard, viewTable, ucsTable, appidTable, appidAcad,
        dimstyleTable, dimstyleStandard, blockRecordTable, modelRecord, paperRecord, modelBlock,
        modelEnd, paperBlock, paperEnd, rootDict, groupDict, layoutDict, modelLayout, paperLayout;

    explicit tmpHandles_c(tmpDxfOut_c& o) {
        for (unsigned* h :
             {&vportTable,       &vportActive,      &ltypeTable,  &ltByBlock,   &ltByLayer,
              &ltContinuous,     &layerTable,       &layer0,      &styleTable,  &styleStandard,
              &viewTable,        &ucsTable,         &appidTable,  &appidAcad,   &dimstyleTable,
              &dimstyleStandard, &blockRecordTable, &modelRecord, &paperRecord, &modelBlock,
              &modelEnd,         &paperBlock,       &paperEnd,    &rootDict,    &groupDict,
              &layoutDict,       &modelLayout,      &paperLayout}) {
            *h = o.newHandle();
        }
    }
};

// The layers of the width classes: none when thickFrom is 0, else THIN below it and THICK from
// it on.
struct tmpWidthLayers_c {
    double thickFrom = 0.0;
    unsigned thin = 0, thick = 0;

    tmpWidthLayers_c(tmpDxfOut_c& o, double thickWidth) : thickFrom(thickWidth) {
        if (thickFrom > 0.0) {
            thin = o.newHandle();
            thick = o.newHandle();
        }
    }
    const char* layerOf(const stEntity_c& e) const {
        if (!(thickFrom > 0.0)) return "0";
        return e.attributes().width() >= thickFrom ? kThickLayer : kThinLayer;
    }
};

// Writes the entities of the model space, each turned into CAD coordinates.
class tmpEntityWriter_c : public stEntityVisitor_c {
public:
    tmpEntityWriter_c(tmpDxfOut_c& o, const stDrawingFrame_c& f, unsigned owner,
                      const tmpWidthLayers_c& layers)
        : o_(o), f_(f), owner_(owner), layers_(layers) {}

    void visitPoint(stPoint_c& e) override {
        if (!finite(e.p())) return;
        begin(e, "POINT", "AcDbPoint");
        o_.point(10, x(e.p()), y(e.p()));
    }

    void visitLine(stLine_c& e) override { line(e, e.p1(), e.p2()); }

    void visitArc(stArc_c& e) override {
        if (arcIsChord(e)) {
            line(e, e.p1(), e.p3());
            return;
        }
        if (!writableArc(e)) return;
        const stArcSpan_c span = arcSpan(e);
        if (std::fabs(span.sweep) >= 2.0 * kPi) {
            circle(e, e.center(), e.radius());
            return;
        }
        // Sketch angle t is CAD angle -t. DXF arcs run counter-clockwise from 50 to 51.
        const double a0 = -span.start, a1 = -(span.start + span.sweep);
        const double from = span.sweep > 0.0 ? a1 : a0;
        const double to = span.sweep > 0.0 ? a0 : a1;
        begin(e, "ARC", "AcDbCircle");
        o_.point(10, x(e.center()), y(e.center()));
        o_.real(40, e.radius() * f_.scale);
        o_.code(100, "AcDbArc");
        o_.real(50, degrees(from));
        o_.real(51, degrees(to));
    }

    void visitCircle(stCircle_c& e) override {
        if (!writableCircle(e.center(), e.radius())) return;
        circle(e, e.center(), e.radius());
    }

    void visitEllipse(stEllipse_c& e) override {
        ellipse(e, e.a(), e.b(), e.phi(), e.center(), nullptr);
    }

    void visitEllipseArc(stEllipseArc_c& e) override {
        if (!finite(e.startAngle()) || !finite(e.endAngle())) return;
        ellipse(e, e.a(), e.b(), e.phi(), e.center(), &e);
    }

    void visitSpline(stSpline_c& e) override {
        const auto& controls = e.controlPoints();
        if (isBezierChain(controls) && allFinite(controls)) {
            bezierSpline(e, controls);
            return;
        }
        const auto& pts = e.points();
        if (pts.empty() || !allFinite(pts)) return;
        if (pts.size() == 1) {
            begin(e, "POINT", "AcDbPoint");
            o_.point(10, x(pts[0]), y(pts[0]));
            return;
        }
        // A spline without control points is the polygon through its points.
        size_t n = pts.size();
        const bool closed = n > 2 && pts.front() == pts.back();
        if (closed) --n;
        begin(e, "LWPOLYLINE", "AcDbPolyline");
        o_.code(90, int(n));
        o_.code(70, closed ? 1 : 0);
        for (size_t i = 0; i < n; ++i) {
            o_.real(10, x(pts[i]));
            o_.real(20, y(pts[i]));
        }
    }

private:
    double x(const utPoint_c& p) const { return p.x() * f_.scale; }
    double y(const utPoint_c& p) const { return (double(f_.height) - p.y()) * f_.scale; }
    static double degrees(double radians) {
        double d = std::fmod(radians * 180.0 / kPi, 360.0);
        if (d < 0.0) d += 360.0;
        return d;
    }

    void begin(const stEntity_c& e, const char* type, const char* subclass) {
        o_.code(0, type);
        o_.handle(5, o_.newHandle());
        o_.handle(330, owner_);
        o_.code(100, "AcDbEntity");
        o_.code(8, layers_.layerOf(e));
        const int lw = lineweight(e.attributes().width());
        if (lw >= 0) o_.code(370, lw);
        o_.code(100, subclass);
    }

    // The nearest standard lineweight to a width that was set (not the default); -1 for none.
    int lineweight(double widthPixels) const {
        if (!finite(widthPixels) || widthPixels <= 0.0 || widthPixels == kDefaultWidth) return -1;
        double mm = widthPixels * f_.scale;
        if (f_.units == stUnits_e::Inches) mm *= 25.4;
        if (f_.units == stUnits_e::Pixels) mm = widthPixels * kMmPerBarePixel;
        const double hundredths = mm * 100.0;
        int best = kLineweights[0];
        for (int w : kLineweights) {
            if (std::fabs(w - hundredths) < std::fabs(best - hundredths)) best = w;
        }
        return best;
    }

    void line(const stEntity_c& e, const utPoint_c& p1, const utPoint_c& p2) {
        if (!finite(p1) || !finite(p2)) return;
        begin(e, "LINE", "AcDbLine");
        o_.point(10, x(p1), y(p1));
        o_.point(11, x(p2), y(p2));
    }

    void circle(const stEntity_c& e, const utPoint_c& c, double r) {
        begin(e, "CIRCLE", "AcDbCircle");
        o_.point(10, x(c), y(c));
        o_.real(40, r * f_.scale);
    }

    void ellipse(const stEntity_c& e, double a, double b, double phi, const utPoint_c& c,
                 const stEllipseArc_c* arc) {
        if (!writableEllipse(a, b, phi, c)) return;
        // The a axis in CAD coordinates (y flipped) and the b axis a quarter turn clockwise from
        // it; the major axis is the longer of the two.
        double ux, uy;
        ellipseAxis(phi, ux, uy);
        uy = -uy;
        double mx = ux, my = uy, major = a, minor = b;
        if (b > a) {
            mx = uy;
            my = -ux;
            major = b;
            minor = a;
        }
        double start = 0.0, end = 2.0 * kPi;
        if (arc) {
            const stEllipseSpan_c span = ellipseSpan(*arc);
            if (span.sweep < 360.0) {
                // DXF parameters run counter-clockwise; the sketch's angle grows clockwise in
                // CAD, so its end point starts the DXF arc.
                start =
                    parameter(arc->pointAtAngle(span.start + span.sweep), c, mx, my, major, minor);
                end = parameter(arc->pointAtAngle(span.start), c, mx, my, major, minor);
                if (!finite(start) || !finite(end)) return;
            }
        }
        begin(e, "ELLIPSE", "AcDbEllipse");
        o_.point(10, x(c), y(c));
        o_.point(11, mx * major * f_.scale, my * major * f_.scale);
        o_.real(210, 0.0);
        o_.real(220, 0.0);
        o_.real(230, 1.0);
        o_.real(40, minor / major);
        o_.real(41, start);
        o_.real(42, end);
    }

    // The DXF parameter of a sketch point on the ellipse: its eccentric angle from the major
    // axis, counter-clockwise in CAD, in [0, 2 pi).
    double parameter(const utPoint_c& p, const utPoint_c& c, double mx, double my, double major,
                     double minor) const {
        const double dx = p.x() - c.x(), dy = -(p.y() - c.y());
        const double along = (dx * mx + dy * my) / major;
        const double across = (-dx * my + dy * mx) / minor;
        double t = std::atan2(across, along);
        if (t < 0.0) t += 2.0 * kPi;
        return t;
    }

    // Cubic Bezier pieces as one cubic B-spline: every inner knot three times.
    void bezierSpline(const stEntity_c& e, const std::vector<utPoint_c>& controls) {
        const int pieces = int(controls.size() - 1) / 3;
        begin(e, "SPLINE", "AcDbSpline");
        o_.real(210, 0.0);
        o_.real(220, 0.0);
        o_.real(230, 1.0);
        o_.code(70, 8);  // planar
        o_.code(71, 3);
        o_.code(72, int(controls.size()) + 4);
        o_.code(73, int(controls.size()));
        o_.code(74, 0);
        o_.real(42, 1e-10);
        o_.real(43, 1e-10);
        for (int k = 0; k < 4; ++k) o_.real(40, 0.0);
        for (int i = 1; i < pieces; ++i) {
            for (int k = 0; k < 3; ++k) o_.real(40, double(i));
        }
        for (int k = 0; k < 4; ++k) o_.real(40, double(pieces));
        for (const utPoint_c& p : controls) o_.point(10, x(p), y(p));
    }

    tmpDxfOut_c& o_;
    const stDrawingFrame_c& f_;
    unsigned owner_;
    const tmpWidthLayers_c& layers_;
};

void header(tmpDxfOut_c& o, const stDrawingFrame_c& f, unsigned handseed) {
    const double w = f.width * f.scale, h = f.height * f.scale;
    o.code(0, "SECTION");
    o.code(2, "HEADER");
    o.code(9, "$ACADVER");
    o.code(1, "AC1015");
    o.code(9, "$DWGCODEPAGE");
    o.code(3, "ANSI_1252");
    o.code(9, "$INSBASE");
    o.point(10, 0.0, 0.0);
    o.code(9, "$EXTMIN");
    o.point(10, 0.0, 0.0);
    o.code(9, "$EXTMAX");
    o.point(10, w, h);
    o.code(9, "$LIMMIN");
    o.real(10, 0.0);
    o.real(20, 0.0);
    o.code(9, "$LIMMAX");
    o.real(10, w);
    o.real(20, h);
    o.code(9, "$INSUNITS");
    o.code(70, f.units == stUnits_e::Millimetres ? 4 : f.units == stUnits_e::Inches ? 1 : 0);
    o.code(9, "$MEASUREMENT");
    o.code(70, f.units == stUnits_e::Inches ? 0 : 1);
    o.code(9, "$LWDISPLAY");
    o.code(290, 1);
    o.code(9, "$HANDSEED");
    o.handle(5, handseed);
    o.code(0, "ENDSEC");
    o.code(0, "SECTION");
    o.code(2, "CLASSES");
    o.code(0, "ENDSEC");
}

void tableStart(tmpDxfOut_c& o, const char* name, unsigned handle, int count) {
    o.code(0, "TABLE");
    o.code(2, name);
    o.handle(5, handle);
    o.handle(330, 0);
    o.code(100, "AcDbSymbolTable");
    o.code(70, count);
}

void record(tmpDxfOut_c& o, const char* type, unsigned handle, unsigned table, const char* subclass,
            const char* name) {
    o.code(0, type);
    o.handle(std::string(type) == "DIMSTYLE" ? 105 : 5, handle);
    o.handle(330, table);
    o.code(100, "AcDbSymbolTableRecord");
    o.code(100, subclass);
    o.code(2, name);
    o.code(70, 0);
}

void tables(tmpDxfOut_c& o, const tmpHandles_c& h, const tmpWidthLayers_c& layers,
            const stDrawingFrame_c& f) {
    const double w = std::max(1.0, f.width * f.scale), ht = std::max(1.0, f.height * f.scale);
    o.code(0, "SECTION");
    o.code(2, "TABLES");

    tableStart(o, "VPORT", h.vportTable, 1);
    record(o, "VPORT", h.vportActive, h.vportTable, "AcDbViewportTableRecord", "*Active");
    o.real(10, 0.0);
    o.real(20, 0.0);
    o.real(11, 1.0);
    o.real(21, 1.0);
    o.real(12, w / 2);
    o.real(22, ht / 2);
    o.real(13, 0.0);
    o.real(23, 0.0);
    o.real(14, 10.0);
    o.real(24, 10.0);
    o.real(15, 10.0);
    o.real(25, 10.0);
    o.point(16, 0.0, 0.0);
    o.real(36, 1.0);
    o.point(17, 0.0, 0.0);
    o.real(40, ht * 1.1);
    o.real(41, w / ht);
    o.real(42, 50.0);
    o.real(43, 0.0);
    o.real(44, 0.0);
    o.real(50, 0.0);
    o.real(51, 0.0);
    for (const auto& [c, v] :
         {std::pair{71, 0}, {72, 100}, {73, 1}, {74, 3}, {75, 0}, {76, 0}, {77, 0}, {78, 0}}) {
        o.code(c, v);
    }
    o.code(0, "ENDTAB");

    tableStart(o, "LTYPE", h.ltypeTable, 3);
    for (const auto& [handle, name, text] :
         {std::tuple{h.ltByBlock, "ByBlock", ""}, std::tuple{h.ltByLayer, "ByLayer", ""},
          std::tuple{h.ltContinuous, "Continuous", "Solid line"}}) {
        record(o, "LTYPE", handle, h.ltypeTable, "AcDbLinetypeTableRecord", name);
        o.code(3, text);
        o.code(72, 65);
        o.code(73, 0);
        o.real(40, 0.0);
    }
    o.code(0, "ENDTAB");

    const bool classes = layers.thickFrom > 0.0;
    tableStart(o, "LAYER", h.layerTable, classes ? 3 : 1);
    for (const auto& [handle, name] :
         {std::pair{h.layer0, "0"}, {layers.thin, kThinLayer}, {layers.thick, kThickLayer}}) {
        if (!handle) continue;
        record(o, "LAYER", handle, h.layerTable, "AcDbLayerTableRecord", name);
        o.code(62, 7);
        o.code(6, "Continuous");
        o.code(370, -3);
    }
    o.code(0, "ENDTAB");

    tableStart(o, "STYLE", h.styleTable, 1);
    record(o, "STYLE", h.styleStandard, h.styleTable, "AcDbTextStyleTableRecord", "Standard");
    o.real(40, 0.0);
    o.real(41, 1.0);
    o.real(50, 0.0);
    o.code(71, 0);
    o.real(42, 2.5);
    o.code(3, "txt");
    o.code(4, "");
    o.code(0, "ENDTAB");

    tableStart(o, "VIEW", h.viewTable, 0);
    o.code(0, "ENDTAB");
    tableStart(o, "UCS", h.ucsTable, 0);
    o.code(0, "ENDTAB");

    tableStart(o, "APPID", h.appidTable, 1);
    record(o, "APPID", h.appidAcad, h.appidTable, "AcDbRegAppTableRecord", "ACAD");
    o.code(0, "ENDTAB");

    tableStart(o, "DIMSTYLE", h.dimstyleTable, 1);
    o.code(100, "AcDbDimStyleTable");
    record(o, "DIMSTYLE", h.dimstyleStandard, h.dimstyleTable, "AcDbDimStyleTableRecord",
           "Standard");
    o.code(0, "ENDTAB");

    tableStart(o, "BLOCK_RECORD", h.blockRecordTable, 2);
    for (const auto& [handle, name, layout] :
         {std::tuple{h.modelRecord, "*Model_Space", h.modelLayout},
          std::tuple{h.paperRecord, "*Paper_Space", h.paperLayout}}) {
        o.code(0, "BLOCK_RECORD");
        o.handle(5, handle);
        o.handle(330, h.blockRecordTable);
        o.code(100, "AcDbSymbolTableRecord");
        o.code(100, "AcDbBlockTableRecord");
        o.code(2, name);
        o.handle(340, layout);
    }
    o.code(0, "ENDTAB");
    o.code(0, "ENDSEC");
}

void blocks(tmpDxfOut_c& o, const tmpHandles_c& h) {
    o.code(0, "SECTION");
    o.code(2, "BLOCKS");
    for (const auto& [begin, end, record, name, paper] :
         {std::tuple{h.modelBlock, h.modelEnd, h.modelRecord, "*Model_Space", false},
          std::tuple{h.paperBlock, h.paperEnd, h.paperRecord, "*Paper_Space", true}}) {
        o.code(0, "BLOCK");
        o.handle(5, begin);
        o.handle(330, record);
        o.code(100, "AcDbEntity");
        if (paper) o.code(67, 1);
        o.code(8, "0");
        o.code(100, "AcDbBlockBegin");
        o.code(2, name);
        o.code(70, 0);
        o.point(10, 0.0, 0.0);
        o.code(3, name);
        o.code(1, "");
        o.code(0, "ENDBLK");
        o.handle(5, end);
        o.handle(330, record);
        o.code(100, "AcDbEntity");
        if (paper) o.code(67, 1);
        o.code(8, "0");
        o.code(100, "AcDbBlockEnd");
    }
    o.code(0, "ENDSEC");
}

void dictionary(tmpDxfOut_c& o, unsigned handle, unsigned owner,
                std::initializer_list<std::pair<const char*, unsigned>> entries) {
    o.code(0, "DICTIONARY");
    o.handle(5, handle);
    if (owner) {
        o.code(102, "{ACAD_REACTORS");
        o.handle(330, owner);
        o.code(102, "}");
    }
    o.handle(330, owner);
    o.code(100, "AcDbDictionary");
    o.code(281, 1);
    for (const auto& [name, value] : entries) {
        o.code(3, name);
        o.handle(350, value);
    }
}

void layout(tmpDxfOut_c& o, unsigned handle, unsigned dict, unsigned record, const char* name,
            int order, const stDrawingFrame_c& f) {
    const double w = f.width * f.scale, ht = f.height * f.scale;
    o.code(0, "LAYOUT");
    o.handle(5, handle);
    o.code(102, "{ACAD_REACTORS");
    o.handle(330, dict);
    o.code(102, "}");
    o.handle(330, dict);
    o.code(100, "AcDbPlotSettings");
    o.code(1, "");
    o.code(2, "none_device");
    o.code(4, "");
    o.code(6, "");
    for (int c = 40; c <= 49; ++c) o.real(c, 0.0);
    o.real(140, 0.0);
    o.real(141, 0.0);
    o.real(142, 1.0);
    o.real(143, 1.0);
    o.code(70, 688);
    o.code(72, 0);
    o.code(73, 0);
    o.code(74, 5);
    o.code(7, "");
    o.code(75, 16);
    o.real(147, 1.0);
    o.real(148, 0.0);
    o.real(149, 0.0);
    o.code(100, "AcDbLayout");
    o.code(1, name);
    o.code(70, 1);
    o.code(71, order);
    o.real(10, 0.0);
    o.real(20, 0.0);
    o.real(11, 420.0);
    o.real(21, 297.0);
    o.point(12, 0.0, 0.0);
    o.point(14, 0.0, 0.0);
    o.point(15, w, ht);
    o.real(146, 0.0);
    o.point(13, 0.0, 0.0);
    o.point(16, 1.0, 0.0);
    o.point(17, 0.0, 1.0);
    o.code(76, 0);
    o.handle(330, record);
}

void objects(tmpDxfOut_c& o, const tmpHandles_c& h, const stDrawingFrame_c& f) {
    o.code(0, "SECTION");
    o.code(2, "OBJECTS");
    dictionary(o, h.rootDict, 0, {{"ACAD_GROUP", h.groupDict}, {"ACAD_LAYOUT", h.layoutDict}});
    dictionary(o, h.groupDict, h.rootDict, {});
    dictionary(o, h.layoutDict, h.rootDict, {{"Layout1", h.paperLayout}, {"Model", h.modelLayout}});
    layout(o, h.modelLayout, h.layoutDict, h.modelRecord, "Model", 0, f);
    layout(o, h.paperLayout, h.layoutDict, h.paperRecord, "Layout1", 1, f);
    o.code(0, "ENDSEC");
}

}  // namespace

void writeDxf(const stSketch_c& sketch, const stDrawingFrame_c& frame, std::ostream& out) {
    // Entities are written to a buffer first: the header's handle seed must name the first
    // handle after them.
    tmpDxfOut_c counter;
    const tmpHandles_c handles(counter);
    const tmpWidthLayers_c layers(counter, thickStrokeWidth(sketch));
    {
        tmpEntityWriter_c writer(counter, frame, handles.modelRecord, layers);
        for (int i = 0; i < sketch.entitiesCount(); ++i) {
            if (stEntity_c* e = sketch.entityAt(i)) e->visit(writer);
        }
    }

    tmpDxfOut_c o;
    header(o, frame, counter.nextHandle());
    tables(o, handles, layers, frame);
    blocks(o, handles);
    o.code(0, "SECTION");
    o.code(2, "ENTITIES");
    o.flushTo(out);
    counter.flushTo(out);
    o.code(0, "ENDSEC");
    objects(o, handles, frame);
    o.code(0, "EOF");
    o.flushTo(out);
}

}  // namespace Vemora
