// SVG in the sketch's own coordinates: one user unit per pixel, y downward, so nothing is
// flipped. Every entity is a path; the source image, when asked for, lies underneath as an
// embedded PNG at reduced opacity.

#include "sketchWriter.h"

#include "entityGeometry.h"
#include "imageReader.h"

#include <png.h>

#include <charconv>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <sstream>
#include <vector>

namespace Vemora {

namespace {

constexpr double kOverlayOpacity = 0.35;

std::string num(double v) {
    char buf[32];
    if (v == 0.0) v = 0.0;
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
    return std::string(buf, res.ptr);
}

std::string pt(const utPoint_c& p) { return num(p.x()) + " " + num(p.y()); }

// ----- the overlay: the raster as a PNG, base64 ---------------------------------------------

struct tmpPngSink_c {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> rgb;
    std::vector<png_bytep> rows;
    char message[200] = {};

    ~tmpPngSink_c() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void onPngError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<tmpPngSink_c*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}
void onPngWarning(png_structp, png_const_charp) {}

void appendBytes(png_structp png, png_bytep data, size_t n) noexcept {
    auto* sink = static_cast<tmpPngSink_c*>(png_get_io_ptr(png));
    try {
        sink->bytes.insert(sink->bytes.end(), data, data + n);
    } catch (const std::bad_alloc&) {
        // Reported after the jump, from the sink's message.
        png_error(png, "out of memory");
    }
}

// As in the PNG reader, the jump from libpng lands in this frame, which owns nothing.
bool encodeSteps(tmpPngSink_c* sink, unsigned w, unsigned h) {
    if (setjmp(png_jmpbuf(sink->png))) return false;
    png_set_write_fn(sink->png, sink, appendBytes, nullptr);
    png_set_IHDR(sink->png, sink->info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(sink->png, sink->info);
    png_write_image(sink->png, sink->rows.data());
    png_write_end(sink->png, nullptr);
    return true;
}

std::vector<unsigned char> encodePng(const utRasterData_c& raster) {
    const unsigned w = raster.width(), h = raster.height();
    tmpPngSink_c sink;
    sink.rgb.resize(size_t(w) * h * 3);
    sink.rows.resize(h);
    for (unsigned y = 0; y < h; ++y) {
        sink.rows[y] = sink.rgb.data() + size_t(y) * w * 3;
        for (unsigned x = 0; x < w; ++x) {
            const uint32_t p = raster.pixel(x, y);
            unsigned char* out = sink.rows[y] + size_t(x) * 3;
            out[0] = (p >> 16) & 0xFF;
            out[1] = (p >> 8) & 0xFF;
            out[2] = p & 0xFF;
        }
    }
    sink.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onPngError, onPngWarning);
    if (!sink.png) throw std::bad_alloc();
    sink.info = png_create_info_struct(sink.png);
    if (!sink.info) throw std::bad_alloc();
    if (!encodeSteps(&sink, w, h)) {
        throw stFileError_c(std::string("overlay image: ") + sink.message);
    }
    return std::move(sink.bytes);
}

std::string base64(const std::vector<unsigned char>& in) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
        for (int k = 3; k >= 0; --k) out += kAlphabet[(v >> (6 * k)) & 63];
    }
    if (i < in.size()) {
        const uint32_t v =
            uint32_t(in[i]) << 16 | (i + 1 < in.size() ? uint32_t(in[i + 1]) << 8 : 0);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < in.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// ----- the entities -----------------------------------------------------------------------

class tmpPathWriter_c : public stEntityVisitor_c {
public:
    explicit tmpPathWriter_c(std::ostream& out) : out_(out) {}

    void visitPoint(stPoint_c& e) override {
        if (finite(e.p())) path(e, "M" + pt(e.p()) + "h0");
    }

    void visitLine(stLine_c& e) override {
        if (finite(e.p1()) && finite(e.p2())) path(e, "M" + pt(e.p1()) + "L" + pt(e.p2()));
    }

    void visitArc(stArc_c& e) override {
        if (arcIsChord(e)) {
            if (finite(e.p1()) && finite(e.p3())) path(e, "M" + pt(e.p1()) + "L" + pt(e.p3()));
            return;
        }
        if (!writableArc(e)) return;
        const stArcSpan_c span = arcSpan(e);
        if (std::fabs(span.sweep) >= 2.0 * kPi) {
            circlePath(e, e.center(), e.radius());
            return;
        }
        utPoint_c p0, p1;
        e.pointAtAngle(span.start, p0[0], p0[1]);
        e.pointAtAngle(span.start + span.sweep, p1[0], p1[1]);
        // Growing angles turn the positive way of SVG's y-down space: sweep flag 1.
        const std::string r = num(e.radius());
        path(e, "M" + pt(p0) + "A" + r + " " + r + " 0 " +
                    (std::fabs(span.sweep) > kPi ? "1 " : "0 ") + (span.sweep > 0 ? "1 " : "0 ") +
                    pt(p1));
    }

    void visitCircle(stCircle_c& e) override {
        if (writableCircle(e.center(), e.radius())) circlePath(e, e.center(), e.radius());
    }

    void visitEllipse(stEllipse_c& e) override {
        if (!writableEllipse(e.a(), e.b(), e.phi(), e.center())) return;
        const stEllipseArc_c whole(e.a(), e.b(), e.phi(), 0.0, 360.0, e.center());
        ellipsePath(e, whole, {0.0, 360.0});
    }

    void visitEllipseArc(stEllipseArc_c& e) override {
        if (!writableEllipse(e.a(), e.b(), e.phi(), e.center()) || !finite(e.startAngle()) ||
            !finite(e.endAngle())) {
            return;
        }
        ellipsePath(e, e, ellipseSpan(e));
    }

    void visitSpline(stSpline_c& e) override {
        const auto& controls = e.controlPoints();
        std::string d;
        if (isBezierChain(controls) && allFinite(controls)) {
            d = "M" + pt(controls[0]);
            for (size_t i = 1; i + 2 < controls.size(); i += 3) {
                d += "C" + pt(controls[i]) + " " + pt(controls[i + 1]) + " " + pt(controls[i + 2]);
            }
        } else {
            const auto& pts = e.points();
            if (pts.empty() || !allFinite(pts)) return;
            d = "M" + pt(pts[0]);
            if (pts.size() == 1) d += "h0";
            for (size_t i = 1; i < pts.size(); ++i) d += "L" + pt(pts[i]);
        }
        path(e, d);
    }

private:
    void path(const stEntity_c& e, const std::string& d) {
        out_ << "<path d=\"" << d << "\"";
        const double w = e.attributes().width();
        if (finite(w) && w > 0.0 && w != 1.0) out_ << " stroke-width=\"" << num(w) << "\"";
        const long colour = e.attributes().color();
        if (colour != 0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "#%06lX",
                          static_cast<unsigned long>(colour) & 0xFFFFFFul);
            out_ << " stroke=\"" << buf << "\"";
        }
        out_ << "/>\n";
    }

    void circlePath(const stEntity_c& e, const utPoint_c& c, double r) {
        const std::string rr = num(r) + " " + num(r) + " 0 0 1 ";
        path(e, "M" + num(c.x() + r) + " " + num(c.y()) + "A" + rr + num(c.x() - r) + " " +
                    num(c.y()) + "A" + rr + num(c.x() + r) + " " + num(c.y()) + "Z");
    }

    // The elliptic arc's own angle grows the positive way of SVG's y-down space (sweep flag 1);
    // its a axis points at -phi there.
    void ellipsePath(const stEntity_c& e, const stEllipseArc_c& arc, const stEllipseSpan_c& span) {
        const std::string radii =
            num(arc.a()) + " " + num(arc.b()) + " " + num(arc.phi() == 0.0 ? 0.0 : -arc.phi());
        std::string d = "M" + pt(arc.pointAtAngle(span.start));
        if (span.sweep >= 360.0) {
            d += "A" + radii + " 0 1 " + pt(arc.pointAtAngle(span.start + 180.0));
            d += "A" + radii + " 0 1 " + pt(arc.pointAtAngle(span.start)) + "Z";
        } else {
            d += "A" + radii + (span.sweep > 180.0 ? " 1 1 " : " 0 1 ") +
                 pt(arc.pointAtAngle(span.start + span.sweep));
        }
        path(e, d);
    }

    std::ostream& out_;
};

}  // namespace

void writeSvg(const stSketch_c& sketch, const stDrawingFrame_c& frame, std::ostream& out,
              const utRasterData_c* overlay) {
    const std::string unit = frame.units == stUnits_e::Pixels ? "" : unitsName(frame.units);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\""
        << num(frame.width * frame.scale) << unit << "\" height=\""
        << num(frame.height * frame.scale) << unit << "\" viewBox=\"0 0 " << frame.width << " "
        << frame.height << "\">\n";
    if (overlay && overlay->width() && overlay->height()) {
        out << "<image x=\"0\" y=\"0\" width=\"" << overlay->width() << "\" height=\""
            << overlay->height() << "\" opacity=\"" << kOverlayOpacity
            << "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" "
               "xlink:href=\"data:image/png;base64,"
            << base64(encodePng(*overlay)) << "\"/>\n";
    }
    // On the faded image the vectors are drawn in red so they stand apart from the ink.
    const char* stroke = overlay ? "#E00000" : "#000000";
    out << "<g fill=\"none\" stroke=\"" << stroke
        << "\" stroke-width=\"1\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    tmpPathWriter_c writer(out);
    for (int i = 0; i < sketch.entitiesCount(); ++i) {
        if (stEntity_c* e = sketch.entityAt(i)) e->visit(writer);
    }
    out << "</g>\n</svg>\n";
}

}  // namespace Vemora
