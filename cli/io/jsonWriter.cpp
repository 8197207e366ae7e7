// The JSON form of a sketch, for tools: every entity with every defining value, in sketch
// coordinates. The schema is described in cli/README.md; keep the two in step.

#include "sketchWriter.h"

#include "entityGeometry.h"

#include <nlohmann/json.hpp>

#include <map>

namespace Vemora {

namespace {

using Json = nlohmann::ordered_json;

Json point(const utPoint_c& p) { return Json::array({p.x(), p.y()}); }

Json points(const std::vector<utPoint_c>& v) {
    Json a = Json::array();
    for (const utPoint_c& p : v) a.push_back(point(p));
    return a;
}

class tmpJsonCollector_c : public stEntityVisitor_c {
public:
    Json entities = Json::array();
    std::map<std::string, int> counts;

    void visitPoint(stPoint_c& e) override {
        Json j = begin(e, "point");
        j["p"] = point(e.p());
        add(std::move(j));
    }
    void visitLine(stLine_c& e) override {
        Json j = begin(e, "line");
        j["p1"] = point(e.p1());
        j["p2"] = point(e.p2());
        add(std::move(j));
    }
    void visitArc(stArc_c& e) override {
        Json j = begin(e, "arc");
        j["center"] = point(e.center());
        j["radius"] = e.radius();
        j["startAngle"] = e.startAngle();
        j["endAngle"] = e.endAngle();
        j["p1"] = point(e.p1());
        j["p2"] = point(e.p2());
        j["p3"] = point(e.p3());
        const stArcSpan_c span = arcSpan(e);
        j["sweep"] = arcIsChord(e) ? 0.0 : span.sweep;
        j["coefficients"] = coefficients(e);
        add(std::move(j));
    }
    void visitCircle(stCircle_c& e) override {
        Json j = begin(e, "circle");
        j["center"] = point(e.center());
        j["radius"] = e.radius();
        add(std::move(j));
    }
    void visitEllipse(stEllipse_c& e) override {
        Json j = begin(e, "ellipse");
        j["center"] = point(e.center());
        j["a"] = e.a();
        j["b"] = e.b();
        j["phi"] = e.phi();
        add(std::move(j));
    }
    void visitEllipseArc(stEllipseArc_c& e) override {
        Json j = begin(e, "ellipseArc");
        j["center"] = point(e.center());
        j["a"] = e.a();
        j["b"] = e.b();
        j["phi"] = e.phi();
        j["startAngle"] = e.startAngle();
        j["endAngle"] = e.endAngle();
        const stEllipseSpan_c span = ellipseSpan(e);
        j["startPoint"] = point(e.pointAtAngle(span.start));
        j["endPoint"] = point(e.pointAtAngle(span.start + span.sweep));
        j["coefficients"] = coefficients(e);
        add(std::move(j));
    }
    void visitSpline(stSpline_c& e) override {
        Json j = begin(e, "spline");
        j["points"] = points(e.points());
        j["controlPoints"] = points(e.controlPoints());
        add(std::move(j));
    }
    bool enterPolyline(stPolyline_c& e) override {
        add(begin(e, "polyline"));
        return false;
    }
    bool enterRegion(stRegion_c& e) override {
        add(begin(e, "region"));
        return false;
    }

private:
    template <class T>
    static Json coefficients(const T& e) {
        double c[6];
        e.polynomialCoefficients(&c[0], &c[1], &c[2], &c[3], &c[4], &c[5]);
        return Json::array({c[0], c[1], c[2], c[3], c[4], c[5]});
    }

    Json begin(const stEntity_c& e, const char* type) {
        ++counts[type];
        Json j;
        j["type"] = type;
        j["handle"] = e.handle();
        j["color"] = e.attributes().color();
        j["lineType"] = e.attributes().lineType();
        j["width"] = e.attributes().width();
        return j;
    }
    void add(Json j) { entities.push_back(std::move(j)); }
};

}  // namespace

void writeJson(const stSketch_c& sketch, const stDrawingFrame_c& frame, std::ostream& out) {
    tmpJsonCollector_c collector;
    for (int i = 0; i < sketch.entitiesCount(); ++i) {
        if (stEntity_c* e = sketch.entityAt(i)) e->visit(collector);
    }
    Json doc;
    doc["format"] = "vemora-sketch";
    doc["version"] = 1;
    doc["image"] = {{"width", frame.width}, {"height", frame.height}};
    doc["units"] = unitsName(frame.units);
    doc["scale"] = frame.scale;
    Json counts;
    int total = 0;
    for (const char* kind : {"line", "arc", "circle", "ellipse", "ellipseArc", "spline", "point",
                             "polyline", "region"}) {
        const int n = collector.counts[kind];
        counts[kind] = n;
        total += n;
    }
    counts["total"] = total;
    doc["counts"] = std::move(counts);
    doc["entities"] = std::move(collector.entities);
    out << doc.dump(1) << '\n';
}

}  // namespace Vemora
