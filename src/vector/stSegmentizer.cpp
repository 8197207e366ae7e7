#include <vemora/vector/stSegmentizer.h>

#include <vemora/engine/stToolContext.h>
#include <vemora/sketch/stSketch.h>
#include <vemora/vector/stEntityRecognizer.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <functional>
#include <memory>
#include <utility>

#include "config/propertyTable.h"
#include "foundation/mathConstants.h"
#include "vector/bezierFit.h"
#include "vector/cloningVisitor.h"

namespace Vemora {

namespace {

constexpr double kClosedRunDistance = 1.0;
constexpr double kClosedSplineTolerance = 0.1;
constexpr double kSamePoint = 1e-6;
constexpr double kLevelShift2 = 0.0001;  // squared; smaller shifts of a level run are ignored
constexpr double kAdaptiveBaseSize = 100.0;

enum SegmentType : int {
    kStraight = 0,
    kHorizontal = 1,
    kVertical = 2,
    kFreeCurve = 3,
    kCircle = 4,
    kArc = 5,
    kEllipse = 6,
    kEllipticArc = 7,
};

stConfigurable_c* create() { return new stSegmentizer_c(); }

double distance(const utPoint_c& p, const utPoint_c& q) { return (p - q).length(); }

bool sameRunPoint(const utPoint_c& p, const utPoint_c& q) { return !p.notEqualTo(q, kSamePoint); }

double angleInFullTurn(const utVector_c& v) {
    double a = std::atan2(v.y(), v.x());
    if (a < 0.0) a += 2.0 * kPi;
    return a;
}

// One end of a run in a chain: its point, the neighbour beyond it (null at an open end) and how
// that neighbour moves its own end that touches this one.
struct tmpRunEnd_c {
    utPoint_c& point;
    stSegmentInfo_c* neighbour;
    void (stSegmentInfo_c::*follow)(const utPoint_c&, stSegmentInfo_c*);
};

// Moving the start and moving the end of a run are mirror images: moved goes to p, other is the
// far end. origin is the run that started the move.
void moveRunEnd(stSegmentInfo_c& run, const tmpRunEnd_c& moved, const tmpRunEnd_c& other,
                const utPoint_c& p, stSegmentInfo_c* origin) {
    utVector_c d = p - moved.point;
    moved.point = p;
    const int type = run.getSegmentType();
    switch (type) {
        case kStraight:
            if (other.neighbour && (other.neighbour->getSegmentType() == kArc ||
                                    other.neighbour->getSegmentType() == kEllipticArc))
                other.neighbour->recalculateParameters();
            break;
        case kHorizontal:
        case kVertical:
            // A level run shifts as a whole across its direction, and its far neighbour follows.
            if (type == kHorizontal)
                d.setX(0.0);
            else
                d.setY(0.0);
            if (d.length2() > kLevelShift2) {
                other.point = other.point + d;
                if (other.neighbour)
                    (other.neighbour->*other.follow)(utPoint_c(other.point), origin);
            }
            break;
        case kFreeCurve:
        case kArc:
        case kEllipticArc:
            run.recalculateParameters();
            break;
        default:
            break;
    }
    if (moved.neighbour && moved.neighbour != origin)
        (moved.neighbour->*moved.follow)(utPoint_c(moved.point), origin);
}

// Hands every entity of the input sketch to the segmentizer's line and spline steps, and copies
// the others into the output sketch.
class tmpSplineSplitter_c : public tmpCloningVisitor_c {
public:
    tmpSplineSplitter_c(stSketch_c& output, std::function<void(stLine_c&)> onLine,
                        std::function<void(stSpline_c&)> onSpline)
        : tmpCloningVisitor_c(output), onLine_(std::move(onLine)), onSpline_(std::move(onSpline)) {}

    void visitLine(stLine_c& line) override { onLine_(line); }
    void visitSpline(stSpline_c& spline) override { onSpline_(spline); }

private:
    std::function<void(stLine_c&)> onLine_;
    std::function<void(stSpline_c&)> onSpline_;
};

}  // namespace

// =============================================================================================
// stSegmentInfo_c

stSegmentInfo_c::stSegmentInfo_c(const stEntityAttributes_c& attributes,
                                 const std::vector<utPoint_c>& points, int segmentType)
    : attributes_(attributes), points_(points), segmentType_(segmentType) {}

const utPoint_c& stSegmentInfo_c::startPoint() const {
    assert(!points_.empty());
    return points_.front();
}

const utPoint_c& stSegmentInfo_c::endPoint() const {
    assert(!points_.empty());
    return points_.back();
}

bool stSegmentInfo_c::isClosed() const {
    return !points_.empty() && distance(points_.front(), points_.back()) < kClosedRunDistance;
}

void stSegmentInfo_c::setStartPoint(const utPoint_c& p, stSegmentInfo_c* originator) {
    if (points_.empty() || sameRunPoint(p, points_.front()) || originator == this) return;
    moveRunEnd(*this, {points_.front(), previous_, &stSegmentInfo_c::setEndPoint},
               {points_.back(), next_, &stSegmentInfo_c::setStartPoint}, p,
               originator ? originator : this);
}

void stSegmentInfo_c::setEndPoint(const utPoint_c& p, stSegmentInfo_c* originator) {
    if (points_.empty() || sameRunPoint(p, points_.back()) || originator == this) return;
    moveRunEnd(*this, {points_.back(), next_, &stSegmentInfo_c::setStartPoint},
               {points_.front(), previous_, &stSegmentInfo_c::setEndPoint}, p,
               originator ? originator : this);
}

void stSegmentInfo_c::setStartAndEnd(const utPoint_c& start, const utPoint_c& end) {
    if (points_.empty()) return;
    if (start.notEqualTo(points_.front(), kSamePoint)) {
        points_.front() = start;
        if (previous_) previous_->setEndPoint(start, this);
    }
    if (end.notEqualTo(points_.back(), kSamePoint)) {
        points_.back() = end;
        if (next_) next_->setStartPoint(end, this);
    }
}

void stSegmentInfo_c::recalculateParameters() {
    if (segmentType_ != kArc || points_.empty()) return;
    const utPoint_c s = points_.front();
    const utPoint_c e = points_.back();
    const utVector_c chord = e - s;
    const double half = chord.length() / 2.0;
    if (half == 0.0) return;  // no chord, no circle: keep the arc as it was
    // A radius shorter than half the chord reaches neither end: take the half circle instead.
    if (a_ < half) a_ = half;
    const utPoint_c middle((s.x() + e.x()) / 2.0, (s.y() + e.y()) / 2.0);
    const utVector_c across = chord.flip() * (std::sqrt(a_ * a_ - half * half) / chord.length());
    const utPoint_c one = middle + across;
    const utPoint_c other = middle - across;
    const utPoint_c& runMiddle = points_[points_.size() / 2];
    center_ = distance(one, runMiddle) > distance(other, runMiddle) ? one : other;
    double a0 = angleInFullTurn(s - center_);
    double a1 = angleInFullTurn(e - center_);
    // Counter-clockwise from start to end over at most half a turn.
    if ((a0 < a1 && a1 - a0 > kPi) || (a0 >= a1 && a0 - a1 <= kPi)) std::swap(a0, a1);
    startAngle_ = a0;
    endAngle_ = a1;
}

stEntity_c* stSegmentInfo_c::makeEntity(double tolerance) const {
    std::unique_ptr<stEntity_c> entity;
    switch (segmentType_) {
        case kStraight:
        case kHorizontal:
        case kVertical:
            if (points_.empty()) return nullptr;
            entity = std::make_unique<stLine_c>(points_.front(), points_.back());
            break;
        case kFreeCurve: {
            auto spline = std::make_unique<stSpline_c>(points_);
            // A closed run of three points (there and back) has no curve to fit; it keeps its
            // points rather than vanishing from the drawing.
            if (points_.size() >= 3 && !(isClosed() && points_.size() < 4)) {
                std::vector<utGeBezierSegment_c> pieces;
                fitCubicBeziers(points_, tolerance / 2.0, pieces);
                std::vector<utPoint_c> control;
                control.reserve(3 * pieces.size() + 1);
                if (!pieces.empty()) control.push_back(pieces.front().controlPoint(0));
                for (const utGeBezierSegment_c& q : pieces)
                    for (int i = 1; i <= 3; ++i) control.push_back(q.controlPoint(i));
                spline->setControlPoints(control);
            }
            entity = std::move(spline);
            break;
        }
        case kCircle:
            entity = std::make_unique<stCircle_c>(center_, a_);
            break;
        case kArc:
            entity = std::make_unique<stArc_c>(center_, a_, startAngle_, endAngle_);
            break;
        case kEllipse:
            entity = std::make_unique<stEllipse_c>(a_, b_, phi_, center_);
            break;
        case kEllipticArc:
            entity =
                std::make_unique<stEllipseArc_c>(a_, b_, phi_, startAngle_, endAngle_, center_);
            break;
        default:
            return nullptr;
    }
    entity->setAttributes(&attributes_);
    entity->updateExtents();
    return entity.release();
}

// =============================================================================================
// stSegmentizer_c: configuration

stSegmentizer_c::stSegmentizer_c(stToolContext_c* context) { setContext(context); }

stSegmentizer_c::~stSegmentizer_c() = default;

const tmpPropertyTable_c<stSegmentizer_c>& stSegmentizer_c::properties() {
    static const tmpPropertyTable_c<stSegmentizer_c> table = [] {
        using S = stSegmentizer_c;
        tmpPropertyTable_c<S> t;
        t.boolean(L"UseSegmentizer", &S::useSegmentizer_)
            .boolean(L"UseDirectionDeviation", &S::useDirectionDeviation_)
            .real(L"MaxDirectionDeviation", &S::maxDirectionDeviation_)
            .boolean(L"UseMaxLengthOfASegment", &S::useMaxLengthOfASegment_)
            .real(L"MaxSegmentLength", &S::maxSegmentLength_)
            .boolean(L"UseSegmentLengthDeviation", &S::useSegmentLengthDeviation_)
            .real(L"MaxLengthDeviationFromRuningAverage", &S::maxLengthDeviationFromRuningAverage_)
            .boolean(L"UseAdaptiveSegmentation", &S::useLinearyAdaptiveSegmentation_)
            .real(L"AdaptiveDeviationRate", &S::linearyAdaptiveDeviationRate_)
            .boolean(L"RecognizeSegmentType", &S::recognizeSegmentType_)
            .boolean(L"RecognizeLineSegments", &S::recognizeLineSegments_)
            .boolean(L"RecognizeLineSegmentsHorizontal", &S::recognizeLineSegmentsHorizontal_)
            .boolean(L"RecognizeLineSegmentsVertical", &S::recognizeLineSegmentsVertical_)
            .boolean(L"RecognizeArcSegments", &S::recognizeArcSegments_)
            .boolean(L"RecognizeCircles", &S::recognizeCircles_)
            .boolean(L"RecognizeEllipticArcSegments", &S::recognizeEllipticArcSegments_)
            .boolean(L"RecognizeEllipses", &S::recognizeEllipses_)
            .boolean(L"RecognizeSplineSegments", &S::recognizeSplineSegments_)
            .real(L"MaxRecognizerDeviation", &S::recognizeMaxDeviation_);
        return t;
    }();
    return table;
}

stDescriptor_c* stSegmentizer_c::desc() {
    static stDescriptor_c d(L"Segmentizer", &create, stSketchProcessor_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stSegmentizer_c::isA() { return desc(); }

stXmlElement_c* stSegmentizer_c::toXml(stXmlElement_c* element) const { return element; }

void stSegmentizer_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

// =============================================================================================
// stSegmentizer_c: the run over a sketch

stSketch_c* stSegmentizer_c::process(stSketch_c* sketch) {
    if (!useSegmentizer_ || !sketch) return sketch;
    double sx = 1.0, sy = 1.0;
    if (stToolContext_c* c = context()) c->getScalingInfo(sx, sy);
    // Kept scaled: a second call scales again.
    const double s = std::min(sx, sy);
    recognizeMaxDeviation_ *= s;
    maxSegmentLength_ *= s;

    // The input is only read while the output is built, so a failure leaves it whole.
    auto output = std::make_unique<stSketch_c>();
    stSketch_c* const out = output.get();
    tmpSplineSplitter_c splitter(
        *out, [this, out](stLine_c& line) { processLine(line, out); },
        [this, out](stSpline_c& spline) { processSpline(spline, out); });
    sketch->visit(splitter);

    sketch->clear();
    sketch->mergeInSketch(out);
    return sketch;
}

void stSegmentizer_c::tolerancesFor(const std::vector<utPoint_c>& points, double& tolerance,
                                    double& maxLength) const {
    tolerance = recognizeMaxDeviation_;
    maxLength = maxSegmentLength_;
    if (!useLinearyAdaptiveSegmentation_ || points.empty()) return;
    // The size of the drawn points themselves: stored extents may be stale or widened by the
    // stroke width.
    double x1 = points.front().x(), x2 = x1, y1 = points.front().y(), y2 = y1;
    for (const utPoint_c& p : points) {
        x1 = std::min(x1, p.x());
        x2 = std::max(x2, p.x());
        y1 = std::min(y1, p.y());
        y2 = std::max(y2, p.y());
    }
    const double size = std::max(x2 - x1, y2 - y1);
    const double k = linearyAdaptiveDeviationRate_ / 100.0 * (size - kAdaptiveBaseSize);
    tolerance = std::max(0.0, recognizeMaxDeviation_ * (1.0 + k));
    maxLength = maxSegmentLength_ * (1.0 + k);
}

void stSegmentizer_c::processLine(stLine_c& line, stSketch_c* output) {
    const std::vector<utPoint_c> ends{line.p1(), line.p2()};
    double tolerance = 0.0, maxLength = 0.0;
    tolerancesFor(ends, tolerance, maxLength);
    stSegmentInfo_c run(line.attributes(), ends, kFreeCurve);
    if (findOutSegmentType(run, tolerance) == kStraight) {
        output->addEntity(line.clone());
        return;
    }
    refineSegment(run);
    output->addEntity(run.makeEntity(recognizeMaxDeviation_));
}

void stSegmentizer_c::processSpline(stSpline_c& spline, stSketch_c* output) {
    std::vector<utPoint_c> points = spline.points();
    // A spline without a stretch to cut has nothing to segment.
    if (points.size() < 2) {
        output->addEntity(spline.clone());
        return;
    }
    double tolerance = 0.0, maxLength = 0.0;
    tolerancesFor(points, tolerance, maxLength);

    // ---- a closed spline starts at a corner, so the cut at its closure point is a real one
    const bool closed = spline.isClosed(kClosedSplineTolerance);
    if (closed && useDirectionDeviation_) adjustClosedSplineStartPoint(points);

    // ---- one shape for the whole spline?
    stSegmentInfo_c whole(spline.attributes(), points, kFreeCurve);
    std::vector<stSegmentInfo_c> runs;
    if (findOutSegmentType(whole, tolerance) != kFreeCurve) {
        runs.push_back(whole);
        if (!closed) refineSegments(runs, tolerance);
        translateIntoSketch(runs, output);
        return;
    }

    // ---- cut at corners, then at over-long legs
    if (!useDirectionDeviation_) {
        runs.push_back(whole);
    } else if (splitSegmentOnTheBaseOfDirectionConstraints(whole, runs)) {
        refineSegments(runs, tolerance);
    }
    if (useMaxLengthOfASegment_ || useSegmentLengthDeviation_) {
        std::vector<stSegmentInfo_c> cut;
        bool split = false;
        for (const stSegmentInfo_c& run : runs)
            split = splitSegmentOnTheBaseOfLengthConstraints(
                        run, cut, maxLength, maxLengthDeviationFromRuningAverage_) ||
                    split;
        if (split) {
            runs.swap(cut);
            refineSegments(runs, tolerance);
        }
    }
    translateIntoSketch(runs, output);
}

void stSegmentizer_c::translateIntoSketch(const std::vector<stSegmentInfo_c>& runs,
                                          stSketch_c* output) const {
    for (const stSegmentInfo_c& run : runs)
        output->addEntity(run.makeEntity(recognizeMaxDeviation_));
}

// =============================================================================================
// stSegmentizer_c: cutting

bool stSegmentizer_c::checkSegmentDirectonConstraints(const utPoint_c& p0, const utPoint_c& p1,
                                                      const utPoint_c& p2) const {
    if (!useDirectionDeviation_) return false;
    const utVector_c u = p1 - p0;
    const utVector_c v = p2 - p1;
    // A repeated point has no direction: its cosine is undefined and never marks a corner.
    return (u * v) / (u.length() * v.length()) < maxDirectionDeviation_;
}

bool stSegmentizer_c::checkMaxSegmentLengthConstraint(const utPoint_c& p, const utPoint_c& q,
                                                      double maxLength) const {
    return useMaxLengthOfASegment_ && distance(p, q) > maxLength;
}

bool stSegmentizer_c::checkSegmentLengthDeviationConstraint(const utPoint_c& p, const utPoint_c& q,
                                                            double average, double ratio) const {
    if (!useSegmentLengthDeviation_ || average == 0.0) return false;
    return checkLengthDeviation(distance(p, q), average, ratio);
}

bool stSegmentizer_c::checkLengthDeviation(double length, double average, double ratio) const {
    return average > 0.0 && length / average > ratio;
}

bool stSegmentizer_c::adjustClosedSplineStartPoint(std::vector<utPoint_c>& points) const {
    const size_t n = points.size();
    if (n < 4) return false;
    // Walk backwards from the closure point: the vertex b with its neighbours after and before.
    size_t corner = n;
    for (size_t b = 0;;) {
        const size_t before = b == 0 ? n - 2 : b - 1;
        if (checkSegmentDirectonConstraints(points[b + 1], points[b], points[before])) {
            corner = b;
            break;
        }
        if (before == 0) break;
        b = before;
    }
    if (corner == n || corner == 0) return false;
    std::vector<utPoint_c> rotated(points.begin() + std::ptrdiff_t(corner), points.end());
    rotated.insert(rotated.end(), points.begin() + 1, points.begin() + std::ptrdiff_t(corner) + 1);
    points.swap(rotated);
    return true;
}

bool stSegmentizer_c::splitSegmentOnTheBaseOfDirectionConstraints(
    const stSegmentInfo_c& run, std::vector<stSegmentInfo_c>& out) const {
    const std::vector<utPoint_c>& p = run.points();
    if (run.getSegmentType() != kFreeCurve || p.size() < 3) {
        out.push_back(run);
        return false;
    }
    bool split = false;
    std::vector<utPoint_c> piece{p[0], p[1]};
    for (size_t i = 2; i < p.size(); ++i) {
        if (checkSegmentDirectonConstraints(p[i - 2], p[i - 1], p[i])) {
            out.emplace_back(run.attrs(), piece, kFreeCurve);
            piece.assign(1, p[i - 1]);
            split = true;
        }
        piece.push_back(p[i]);
    }
    if (piece.size() >= 2) out.emplace_back(run.attrs(), piece, kFreeCurve);
    return split;
}

bool stSegmentizer_c::splitSegmentOnTheBaseOfLengthConstraints(const stSegmentInfo_c& run,
                                                               std::vector<stSegmentInfo_c>& out,
                                                               double maxLength,
                                                               double maxRatio) const {
    const std::vector<utPoint_c>& p = run.points();
    if (run.isClosed() || run.getSegmentType() != kFreeCurve || p.size() < 3) {
        out.push_back(run);
        return false;
    }
    bool split = false;
    std::vector<utPoint_c> piece{p[0]};
    double sum = 0.0;
    auto emit = [&] { out.emplace_back(run.attrs(), piece, kFreeCurve); };
    for (size_t i = 1; i < p.size(); ++i) {
        if (checkMaxSegmentLengthConstraint(p[i - 1], p[i], maxLength)) {
            // The long leg becomes a run of its own.
            if (piece.size() >= 2) {
                emit();
                piece.assign(1, p[i - 1]);
            }
            piece.push_back(p[i]);
            emit();
            piece.assign(1, p[i]);
            sum = 0.0;
            split = true;
            continue;
        }
        const double average = piece.size() > 1 ? sum / double(piece.size() - 1) : 0.0;
        if (checkSegmentLengthDeviationConstraint(p[i - 1], p[i], average, maxRatio)) {
            emit();
            piece.assign(1, p[i - 1]);
            sum = 0.0;
            split = true;
        }
        sum += distance(p[i - 1], p[i]);
        piece.push_back(p[i]);
    }
    if (piece.size() >= 2) emit();
    return split;
}

// =============================================================================================
// stSegmentizer_c: classification and snapping

int stSegmentizer_c::findOutSegmentType(stSegmentInfo_c& run, double tolerance) const {
    if (!recognizeSegmentType_ || run.getSegmentType() != kFreeCurve || run.points().empty())
        return run.getSegmentType();
    const std::vector<utPoint_c>& p = run.points();
    double cx = 0, cy = 0, r = 0, start = 0, end = 0, phi = 0, a = 0, b = 0;
    auto setShape = [&](int type) {
        run.setSegmentType(type);
        run.setCenter(utPoint_c(cx, cy));
        run.setA(r);
        run.setStartAngle(start);
        run.setEndAngle(end);
    };
    auto setEllipse = [&](int type) {
        run.setSegmentType(type);
        run.setCenter(utPoint_c(cx, cy));
        run.setPhi(phi);
        run.setA(a);
        run.setB(b);
        if (type == kEllipticArc) {
            run.setStartAngle(start);
            run.setEndAngle(end);
        }
    };

    if (run.isClosed()) {
        if (recognizeCircles_ &&
            stEntityRecognizer_c::checkIfArc(p, cx, cy, r, start, end, tolerance / 2.0)) {
            run.setSegmentType(kCircle);
            run.setCenter(utPoint_c(cx, cy));
            run.setA(r);
        } else if (recognizeEllipses_ && stEntityRecognizer_c::checkIfEllipticArc(
                                             p, cx, cy, phi, a, b, start, end, tolerance)) {
            setEllipse(kEllipse);
        }
        return run.getSegmentType();
    }

    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (recognizeLineSegments_ &&
        stEntityRecognizer_c::checkIfStraightLineSegment(p, x1, y1, x2, y2, tolerance)) {
        // A straight run is never tried as an arc.
        double level = 0.0;
        if (recognizeLineSegmentsHorizontal_ &&
            stEntityRecognizer_c::checkIfHorizontal(p, level, recognizerMaxLinesError_)) {
            run.setSegmentType(kHorizontal);
            run.setA(level);
        } else if (recognizeLineSegmentsVertical_ &&
                   stEntityRecognizer_c::checkIfVertical(p, level, recognizerMaxLinesError_)) {
            run.setSegmentType(kVertical);
            run.setA(level);
        } else {
            run.setSegmentType(kStraight);
        }
    } else if (recognizeArcSegments_ &&
               stEntityRecognizer_c::checkIfArc(p, cx, cy, r, start, end, tolerance / 2.0)) {
        setShape(kArc);
    } else if (recognizeEllipticArcSegments_ && stEntityRecognizer_c::checkIfEllipticArc(
                                                    p, cx, cy, phi, a, b, start, end, tolerance)) {
        setEllipse(kEllipticArc);
    }
    return run.getSegmentType();
}

bool stSegmentizer_c::refineSegments(std::vector<stSegmentInfo_c>& runs, double tolerance) const {
    if (runs.empty()) return false;
    const bool closed =
        distance(runs.front().startPoint(), runs.back().endPoint()) < kClosedRunDistance;
    for (stSegmentInfo_c& run : runs) findOutSegmentType(run, tolerance);

    // Links point into this vector only: copies brought along from an earlier list are dropped.
    for (stSegmentInfo_c& run : runs) {
        run.setPrev(nullptr);
        run.setNext(nullptr);
    }
    for (size_t i = 0; i + 1 < runs.size(); ++i) {
        runs[i].setNext(&runs[i + 1]);
        runs[i + 1].setPrev(&runs[i]);
    }
    if (closed && runs.size() >= 2) {
        runs.front().setPrev(&runs.back());
        runs.back().setNext(&runs.front());
    }

    // A closed chain of free curves is one curve again.
    const bool allFree = std::all_of(runs.begin(), runs.end(), [](const stSegmentInfo_c& r) {
        return r.getSegmentType() == kFreeCurve;
    });
    if (closed && allFree && runs.size() >= 2) {
        std::vector<utPoint_c> merged;
        for (const stSegmentInfo_c& run : runs)
            merged.insert(merged.end(), run.points().begin(), run.points().end() - 1);
        merged.push_back(runs.front().startPoint());
        stSegmentInfo_c one(runs.front().attrs(), merged, kFreeCurve);
        runs.assign(1, one);
    }

    bool changed = false;
    for (stSegmentInfo_c& run : runs) changed = refineSegment(run) || changed;
    return changed;
}

bool stSegmentizer_c::refineSegment(stSegmentInfo_c& run) const {
    const int type = run.getSegmentType();
    if ((type != kHorizontal && type != kVertical) || run.points().empty()) return false;
    // Horizontal runs work on y, vertical runs on x.
    const int c = type == kHorizontal ? 1 : 0;
    utPoint_c s = run.startPoint();
    utPoint_c e = run.endPoint();
    const bool hasPrev = run.prev() != nullptr;
    const bool hasNext = run.next() != nullptr;
    if (hasPrev == hasNext) {
        if (s.coord(c) == run.a() && e.coord(c) == run.a()) return false;
        s.setCoord(c, run.a());
        e.setCoord(c, run.a());
    } else if (hasNext) {
        if (e.coord(c) == s.coord(c)) return false;
        e.setCoord(c, s.coord(c));
    } else {
        // Only a previous neighbour: the end it shares stays where it is.
        if (s.coord(c) == e.coord(c)) return false;
        s.setCoord(c, e.coord(c));
    }
    run.setStartAndEnd(s, e);
    return true;
}

}  // namespace Vemora
