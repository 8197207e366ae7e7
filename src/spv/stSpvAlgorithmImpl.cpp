#include "spv/stSpvAlgorithmImpl.h"

#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "raster/inkTest.h"
#include "raster/utInkMask.h"

namespace Vemora {

namespace {
constexpr int kLeft = 0;
constexpr int kUp = 1;
constexpr int kRight = 2;
constexpr int kDown = 3;

constexpr int kSeedBeamLimit = 30000;  // pixels a seed beam may run through ink
constexpr int kWidthBeamLimit = 60;    // pixels a width beam may run through ink
constexpr int kMaxSeedPasses = 20;

// The width of a step is measured across the direction of travel.
int widthDirection(int direction) {
    return direction == kLeft || direction == kRight ? stSpvPoint_c::kAlongY
                                                     : stSpvPoint_c::kAlongX;
}

// The half-step point is centred across the direction of travel like any other; where the half
// step ends beside a junction, that centring slides it along the crossing stroke. Such a point lies
// off the stroke being traced and would put a spike into it, so it is kept only when it stays
// within one stroke width of the step it halves.
bool onStroke(int px, int py, int x0, int y0, int x1, int y1, double width) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double len = std::sqrt(dx * dx + dy * dy);
    const double off =
        std::fabs((px - x0) * dy - (py - y0) * dx) / len;  // distance from the step's line
    return off <= width;
}

void move(int& x, int& y, int direction, int distance) {
    switch (direction) {
        case kLeft:
            x -= distance;
            break;
        case kUp:
            y -= distance;
            break;
        case kRight:
            x += distance;
            break;
        case kDown:
            y += distance;
            break;
        default:
            break;
    }
}

// A beam's steps from the ink run ahead of its start: `run` ink pixels out of the `room` pixels
// between the start and the border, at most `limit` counted. The beam ends on the limit's last
// ink pixel, on the first white pixel it enters, or on the border; one step counts 0.
int beamSteps(int run, int room, int limit) {
    const int steps = run == limit ? limit : run < room ? run + 1 : run;
    return steps == 1 ? 0 : steps;
}

// A limit below 1 is never reached.
int beamLimit(int maxSteps) { return maxSteps >= 1 ? maxSteps : std::numeric_limits<int>::max(); }
}  // namespace
inline bool stSpvAlgorithmImpl_c::inkAt(int col, int row) const { return ink_->at(col, row); }
stSpvAlgorithmImpl_c::stSpvAlgorithmImpl_c() = default;
stSpvAlgorithmImpl_c::stSpvAlgorithmImpl_c(const stSpvAlgorithmImpl_c& other) = default;
stSpvAlgorithmImpl_c::~stSpvAlgorithmImpl_c() = default;

stSpvAlgorithmImpl_c& stSpvAlgorithmImpl_c::operator=(const stSpvAlgorithmImpl_c& other) {
    if (this == &other) return *this;
    settings = other.settings;
    raster_ = other.raster_;
    ink_ = other.ink_;
    rowRuns_ = other.rowRuns_;
    columnRuns_ = other.columnRuns_;
    centred_ = other.centred_;
    spvSketch_.clear();
    spvSketch_ = other.spvSketch_;  // appends clones to the now empty sketch
    index_ = other.index_;
    scanColumn_ = other.scanColumn_;
    scanRow_ = other.scanRow_;
    track_ = other.track_;
    seeds_ = other.seeds_;
    return *this;
}

bool stSpvAlgorithmImpl_c::isBlack(int col, int row) const {
    return raster_ && isInk(raster_->pixel(unsigned(col), unsigned(row)), settings.blackLevel);
}

// ---------------------------------------------------------------------------------------------
// A run

void stSpvAlgorithmImpl_c::prepareRun(utRasterData_c* raster) {
    assert(raster && "tracing needs a raster");
    raster_ = raster;
    spvSketch_.clear();
    index_.reset(int(raster->height()), 1);
    ink_ = std::make_shared<const utInkMask_c>(*raster, settings.blackLevel);
    rowRuns_.assign(raster->height(), {0, 0});
    columnRuns_.assign(raster->width(), {0, 0});
    centred_.clear();
    scanRow_ = 0;
    scanColumn_ = 0;
    seeds_.clear();
}

// The run's working memory goes before the sketch is built, and the raster, which the caller may
// free once the run is over, is let go of; the next run starts afresh.
void stSpvAlgorithmImpl_c::endRun() {
    raster_ = nullptr;
    ink_.reset();
    index_.reset(0, 1);
    rowRuns_ = {};
    columnRuns_ = {};
    centred_ = {};
    seeds_ = {};
}

void stSpvAlgorithmImpl_c::runTracking(const utPoint_c* start, const Progress* progress) {
    // An image without pixels has no strokes, and its ink mask has no bits to read.
    if (raster_->width() == 0 || raster_->height() == 0) return;
    if (!start) {
        for (;;) {
            if (seeds_.empty()) {
                if (!findTrack(progress)) return;
                dropCoveredSeeds();
                continue;
            }
            getTrack(track_);
            if (!(traceTrack(track_) && appendTrack(track_, inkEnds_))) retraceFromScan();
        }
    }
    // A start outside the raster (NaN included) has no stroke under it. The test is made on the
    // doubles: converting first would wrap a start of 2^31 or more into the raster's range.
    if (!(start->x() >= 0.0 && start->x() < double(raster_->width()) && start->y() >= 0.0 &&
          start->y() < double(raster_->height())))
        return;
    const int x = int(start->x());
    const int y = int(start->y());
    if (!isBlack(x, y)) return;
    stSpvPoint_c seed;
    int direction = -1;
    findInitialPoint(x, y, seed, direction);
    track_ = stSpvTrackInfo_c(seed, direction);
    if (traceTrack(track_)) appendTrack(track_, inkEnds_);
}

namespace {
// Turns each SPV primitive into the sketch entity of the same shape.
class tmpSketchTranslator_c : public stSpvPrimitiveVisitor_c {
public:
    tmpSketchTranslator_c(stSketch_c& target, double dx, double dy) : target_(target), d_(dx, dy) {}

    void visitSpvBar(const stSpvBar_c& bar) override {
        target_.addEntity(new stLine_c(bar.p1() + d_, bar.p2() + d_));
    }
    void visitSpvPolybar(const stSpvPolybar_c& polybar) override {
        std::vector<utPoint_c> points;
        points.reserve(polybar.points().size());
        for (const stSpvPoint_c& p : polybar.points()) points.push_back(p + d_);
        target_.addEntity(new stSpline_c(std::move(points)));
    }
    void visitSpvArc(const stSpvArc_c& arc) override {
        if (arc.startAngle() != arc.endAngle()) {
            target_.addEntity(
                new stArc_c(arc.center() + d_, arc.r(), arc.startAngle(), arc.endAngle()));
        } else {
            target_.addEntity(new stCircle_c(arc.center() + d_, arc.r()));
        }
    }

private:
    stSketch_c& target_;
    const utVector_c d_;
};
}  // namespace

stSketch_c* stSpvAlgorithmImpl_c::translate(const stSpvSketch_c& spvSketch, double dx, double dy) {
    auto sketch = std::make_unique<stSketch_c>();
    tmpSketchTranslator_c translator(*sketch, dx, dy);
    spvSketch.visit(translator);
    return sketch.release();
}

// ---------------------------------------------------------------------------------------------
// Pixel beams. Each walks one pixel at a time; "steps" counts the pixels entered, the last of
// which may be white.

int stSpvAlgorithmImpl_c::beam(int x, int y, bool& hitEdge, int direction, int maxSteps) const {
    hitEdge = false;
    switch (direction) {
        case kLeft:
            return beamLeft(x, y, hitEdge, maxSteps);
        case kUp:
            return beamUp(x, y, hitEdge, maxSteps);
        case kRight:
            return beamRight(x, y, hitEdge, maxSteps);
        case kDown:
            return beamDown(x, y, hitEdge, maxSteps);
        default:
            return -1;
    }
}

int stSpvAlgorithmImpl_c::beamLeft(int x, int y, bool& hitEdge, int maxSteps) const {
    hitEdge = false;
    const int room = x;
    if (room <= 0) return 0;
    const int limit = std::min(beamLimit(maxSteps), room);
    return beamSteps(ink_->rowRun(x - 1, y, -1, limit), room, beamLimit(maxSteps));
}

int stSpvAlgorithmImpl_c::beamRight(int x, int y, bool& hitEdge, int maxSteps) const {
    hitEdge = false;
    const int room = int(raster_->width()) - 1 - x;
    if (room <= 0) return 0;
    const int limit = std::min(beamLimit(maxSteps), room);
    return beamSteps(ink_->rowRun(x + 1, y, 1, limit), room, beamLimit(maxSteps));
}

int stSpvAlgorithmImpl_c::beamUp(int x, int y, bool& hitEdge, int maxSteps) const {
    hitEdge = false;
    const int room = y;
    if (room <= 0) return 0;
    const int limit = std::min(beamLimit(maxSteps), room);
    return beamSteps(ink_->columnRun(x, y - 1, -1, limit), room, beamLimit(maxSteps));
}

int stSpvAlgorithmImpl_c::beamDown(int x, int y, bool& hitEdge, int maxSteps) const {
    hitEdge = false;
    const int room = int(raster_->height()) - 1 - y;
    if (room <= 0) return 0;
    const int limit = std::min(beamLimit(maxSteps), room);
    return beamSteps(ink_->columnRun(x, y + 1, 1, limit), room, beamLimit(maxSteps));
}

// ---------------------------------------------------------------------------------------------
// Seeds

namespace {
// The two seed beams from position `at` of a line (row or column) whose last position is `last`,
// from the ink run through `at`: the remembered run when it holds `at`, else the run measured
// anew by measure(from, step) and remembered.
template <class Measure>
void seedBeamsFromRun(int at, int last, std::pair<int, int>& run, const Measure& measure,
                      int& before, int& after) {
    if (!(run.first <= at && at < run.second)) {
        run.first = at - measure(at, -1) + 1;
        run.second = at + measure(at, 1);
    }
    before = at <= 0 ? 0 : beamSteps(std::min(at - run.first, kSeedBeamLimit), at, kSeedBeamLimit);
    after = at >= last ? 0
                       : beamSteps(std::min(run.second - 1 - at, kSeedBeamLimit), last - at,
                                   kSeedBeamLimit);
}

constexpr int kWholeRun = std::numeric_limits<int>::max();
}  // namespace

void stSpvAlgorithmImpl_c::seedBeamsAlongRow(int x, int y, int& left, int& right) const {
    bool edge = false;
    if (!inkAt(x, y)) {
        left = beam(x, y, edge, kLeft, kSeedBeamLimit);
        right = beam(x, y, edge, kRight, kSeedBeamLimit);
        return;
    }
    const auto measure = [&](int from, int step) { return ink_->rowRun(from, y, step, kWholeRun); };
    seedBeamsFromRun(x, int(raster_->width()) - 1, rowRuns_[size_t(y)], measure, left, right);
}

void stSpvAlgorithmImpl_c::seedBeamsAlongColumn(int x, int y, int& up, int& down) const {
    bool edge = false;
    if (!inkAt(x, y)) {
        up = beam(x, y, edge, kUp, kSeedBeamLimit);
        down = beam(x, y, edge, kDown, kSeedBeamLimit);
        return;
    }
    const auto measure = [&](int from, int step) {
        return ink_->columnRun(x, from, step, kWholeRun);
    };
    seedBeamsFromRun(y, int(raster_->height()) - 1, columnRuns_[size_t(x)], measure, up, down);
}

bool stSpvAlgorithmImpl_c::findInitialPoint(int x, int y, stSpvPoint_c& pt, int& direction,
                                            int* slot) const {
    // The first pass centres both ways.
    int l = 0, r = 0, u = 0, d = 0;
    seedBeamsAlongRow(x, y, l, r);
    int g = x - (l - r) / 2;
    int hRun = l + r;
    seedBeamsAlongColumn(g, y, u, d);
    int h = y - (u - d) / 2;
    int vRun = u + d;
    bool covered = false;
    if (slot) *slot = -1;
    if (std::abs(x - g) > 1 || std::abs(y - h) > 1) {
        const int a = g, b = h;
        if (centred_.empty()) centred_.resize(kCentredSlots);
        const size_t at = (unsigned(a) * 73856093u ^ unsigned(b) * 19349663u) % kCentredSlots;
        Centred& known = centred_[at];
        if (known.a == a && known.b == b && known.vRunIn == vRun) {
            g = known.g;
            h = known.h;
            hRun = known.hRun;
            vRun = known.vRun;
            covered = known.covered;
        } else {
            const int vRunIn = vRun;
            centreFurther(a, b, g, h, hRun, vRun);
            known = Centred{a, b, vRunIn, g, h, hRun, vRun, false};
        }
        if (slot) *slot = int(at);
    }
    if (vRun <= hRun) {
        direction = kRight;
        pt = stSpvPoint_c(g, h, vRun, pt.wDir());
    } else {
        direction = kDown;
        pt = stSpvPoint_c(g, h, hRun, pt.wDir());
    }
    return !covered;
}

void stSpvAlgorithmImpl_c::centreFurther(int a, int b, int& g, int& h, int& hRun, int& vRun) const {
    // The passes alternate, horizontal first.
    for (int pass = 2; pass <= kMaxSeedPasses; ++pass) {
        g = a;
        h = b;
        if (pass % 2 == 0) {
            int l = 0, r = 0;
            seedBeamsAlongRow(a, b, l, r);
            g = a - (l - r) / 2;
            hRun = l + r;
        } else {
            int u = 0, d = 0;
            seedBeamsAlongColumn(g, b, u, d);
            h = b - (u - d) / 2;
            vRun = u + d;
        }
        if (std::abs(a - g) <= 1 && std::abs(b - h) <= 1) break;
        a = g;
        b = h;
    }
}

bool stSpvAlgorithmImpl_c::findLocalPoint(int x, int y, const stSpvPoint_c& centred,
                                          stSpvPoint_c& pt, int& direction) const {
    int l = 0, r = 0, u = 0, d = 0;
    seedBeamsAlongRow(x, y, l, r);
    seedBeamsAlongColumn(x, y, u, d);
    const int hRun = l + r, vRun = u + d;
    if (vRun <= hRun) {
        direction = kRight;
        pt = stSpvPoint_c(x, y - (u - d) / 2, vRun, -1);
    } else {
        direction = kDown;
        pt = stSpvPoint_c(x - (l - r) / 2, y, hRun, -1);
    }
    if (pt.x() == centred.x() && pt.y() == centred.y()) return false;
    return !index_.covers(int(pt.x()), int(pt.y()));
}

void stSpvAlgorithmImpl_c::queueSeed(const stSpvPoint_c& seed, int direction, int slot, int scanX,
                                     int scanY) {
    seeds_.push_back(Seed{seed, direction, slot, scanX, scanY});
}

void stSpvAlgorithmImpl_c::retraceFromScan() {
    if (taken_.scanX < 0 || index_.covers(taken_.scanX, taken_.scanY)) return;
    stSpvPoint_c local;
    int direction = -1;
    if (!findLocalPoint(taken_.scanX, taken_.scanY, taken_.point, local, direction)) return;
    taken_.scanX = -1;
    track_.reseed(local, direction);
    if (traceTrack(track_)) appendTrack(track_, inkEnds_);
}

// A line's runs are gathered first and the words of the ink bits across them, which centring
// each seed reads first, asked for all at once: they lie far apart in memory, and waiting for
// them one by one took most of the scan's time. A run reaching the far border (at `length`) is
// not closed and gives no seed. at(p) is the pixel at place p of the line; `remembered` is the
// line's entry among the remembered runs.
template <class ForEachRun, class At>
void stSpvAlgorithmImpl_c::scanLine(int length, std::pair<int, int>& remembered,
                                    ForEachRun&& forEachRun, At&& at, bool alongRow) {
    const auto middle = [&at](int begin, int end) {
        return at(begin + int(unsigned(end - begin) / 2u));
    };
    scannedRuns_.clear();
    forEachRun([&](int begin, int end) {
        if (end == length) return;
        scannedRuns_.emplace_back(begin, end);
        const auto [x, y] = middle(begin, end);
        if (alongRow) {
            ink_->prefetchColumn(x, y);
        } else {
            ink_->prefetchRow(x, y);
        }
    });
    stSpvPoint_c seed;
    int direction = -1;
    for (const auto& [begin, end] : scannedRuns_) {
        // The run through the middle is this one: no need to measure it again.
        remembered = {begin, end};
        const auto [x, y] = middle(begin, end);
        int slot = -1;
        if (findInitialPoint(x, y, seed, direction, &slot)) {
            queueSeed(seed, direction, slot, x, y);
        } else if (!index_.covers(x, y)) {
            // Centred onto a traced stroke from a place no stroke covers: the stroke the scan
            // met is seeded where it was met.
            stSpvPoint_c local;
            if (findLocalPoint(x, y, seed, local, direction))
                queueSeed(local, direction, -1, -1, -1);
        }
    }
}

void stSpvAlgorithmImpl_c::scanRow(int row) {
    scanLine(
        int(raster_->width()), rowRuns_[size_t(row)],
        [&](auto&& f) { ink_->forEachRowRun(row, f); },
        [row](int p) { return std::pair<int, int>(p, row); }, true);
}

void stSpvAlgorithmImpl_c::scanColumn(int col) {
    scanLine(
        int(raster_->height()), columnRuns_[size_t(col)],
        [&](auto&& f) { ink_->forEachColumnRun(col, f); },
        [col](int p) { return std::pair<int, int>(col, p); }, false);
}

bool stSpvAlgorithmImpl_c::findTrack(const Progress* progress) {
    const int width = int(raster_->width());
    const int height = int(raster_->height());
    // A scan step below 1 would never leave the first line.
    const int step = std::max(settings.scanStep, 1);
    auto report = [&]() {
        const int percent = (scanRow_ + scanColumn_) * 100 / (height + width);
        if (percent % 5 == 0 && progress && *progress && !(*progress)(percent)) {
            scanRow_ = height;
            scanColumn_ = width;
        }
    };
    while (scanRow_ < height && seeds_.empty()) {
        scanRow(scanRow_);
        scanRow_ += step;
        report();
    }
    while (scanColumn_ < width && seeds_.empty()) {
        scanColumn(scanColumn_);
        scanColumn_ += step;
        report();
    }
    return !seeds_.empty();
}

// Tracing only adds to the index, so a seed on a traced stroke now is on one still when its turn
// comes, and tracing would abandon it at once. Most seeds are such; asked about all together,
// their lookups in the index overlap in memory instead of waiting for one another.
void stSpvAlgorithmImpl_c::dropCoveredSeeds() {
    coveredSeeds_.resize(seeds_.size());
    for (size_t i = 0; i < seeds_.size(); ++i) {
        const stSpvPoint_c& p = seeds_[i].point;
        coveredSeeds_[i] = index_.covers(int(p.x()), int(p.y()));
    }
    size_t kept = 0;
    for (size_t i = 0; i < seeds_.size(); ++i) {
        const Seed s = seeds_[i];  // a copy: the kept seeds are written over the queue
        if (!coveredSeeds_[i]) {
            seeds_[kept++] = s;
            continue;
        }
        if (s.scanX >= 0 && !index_.covers(s.scanX, s.scanY)) {
            // The stroke the scan met is seeded where it was met instead.
            Seed local{stSpvPoint_c(), -1, -1, -1, -1};
            if (findLocalPoint(s.scanX, s.scanY, s.point, local.point, local.direction))
                seeds_[kept++] = local;
        }
        if (s.slot >= 0) {
            // Later seeds centred to this point need not be asked about again. The place may
            // hold another point by now; it is marked only when it holds this one.
            Centred& known = centred_[size_t(s.slot)];
            if (known.g == int(s.point.x()) && known.h == int(s.point.y())) known.covered = true;
        }
    }
    seeds_.resize(kept);
}

bool stSpvAlgorithmImpl_c::getTrack(stSpvTrackInfo_c& track) {
    if (seeds_.empty() && !findTrack()) return false;
    taken_ = seeds_.back();
    seeds_.pop_back();
    track.reseed(taken_.point, taken_.direction);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Tracking

bool stSpvAlgorithmImpl_c::lengthRun(int& x, int& y, int& len, int direction, int maxSteps) const {
    bool edge = false;
    len = beam(x, y, edge, direction, maxSteps);
    move(x, y, direction, len);
    const int lastX = int(raster_->width()) - 1;
    const int lastY = int(raster_->height()) - 1;
    if (len > 0 || !inkAt(x, y)) {
        // Back onto the last black pixel, where there is room to step back.
        bool room = false;
        switch (direction) {
            case kLeft:
                room = x < lastX;
                break;
            case kUp:
                room = y < lastY;
                break;
            case kRight:
                room = x > 0;
                break;
            case kDown:
                room = y > 0;
                break;
            default:
                break;
        }
        if (len > 1 && room) move(x, y, direction, -1);
    } else {
        bool onBorder = true;
        switch (direction) {
            case kLeft:
                onBorder = x == 0;
                break;
            case kUp:
                onBorder = y == 0;
                break;
            case kRight:
                onBorder = x == lastX;
                break;
            case kDown:
                onBorder = y == lastY;
                break;
            default:
                break;
        }
        if (!onBorder) {
            move(x, y, direction, 1);
            len = 1;
        }
    }
    return true;
}

bool stSpvAlgorithmImpl_c::widthRun(int& x, int& y, int& wMinus, int& wPlus, int direction) const {
    bool edge = false;
    if (direction == kLeft || direction == kRight) {
        wMinus = beam(x, y, edge, kUp, kWidthBeamLimit);
        wPlus = beam(x, y, edge, kDown, kWidthBeamLimit);
        y -= (wMinus - wPlus) / 2;
    } else {
        wMinus = beam(x, y, edge, kLeft, kWidthBeamLimit);
        wPlus = beam(x, y, edge, kRight, kWidthBeamLimit);
        x -= (wMinus - wPlus) / 2;
    }
    return true;
}

// The width beams of the next full step from (x, y) cross the ink bits far from those just read;
// asked for now, they arrive while this step is being judged.
void stSpvAlgorithmImpl_c::prefetchWidthBeams(int x, int y, int direction) const {
    move(x, y, direction, settings.lengthStep);
    x = std::clamp(x, 0, int(raster_->width()) - 1);
    y = std::clamp(y, 0, int(raster_->height()) - 1);
    if (direction == kLeft || direction == kRight) {
        ink_->prefetchColumn(x, y);
    } else {
        ink_->prefetchRow(x, y);
    }
}

int stSpvAlgorithmImpl_c::traceStep(int& x, int& y, int& len, int& wMinus, int& wPlus,
                                    int direction, int maxSteps) const {
    lengthRun(x, y, len, direction, maxSteps);
    widthRun(x, y, wMinus, wPlus, direction);
    if (len != 1 || wMinus + wPlus != 0) return 0;
    // A lone pixel ahead with no width: stuck when the pixel behind is ink too.
    int bx = x, by = y;
    move(bx, by, direction, -1);
    if (!inkAt(bx, by)) return 0;
    len = 0;
    return 1;
}

bool stSpvAlgorithmImpl_c::traceTrack(stSpvTrackInfo_c& track) {
    inkEnds_ = 0;
    while (track.state() >= stSpvTrackInfo_c::kSeeded &&
           track.state() <= stSpvTrackInfo_c::kBackward) {
        const int old = track.state();
        track.nextState();
        if (old == stSpvTrackInfo_c::kBackward) break;

        const int dir = track.currentDirection();
        const int wDir = widthDirection(dir);
        int x = int(track.currentPoint().x());
        int y = int(track.currentPoint().y());
        if (track.state() == stSpvTrackInfo_c::kForward && index_.covers(x, y))
            return false;  // the seed lies on a stroke traced before

        int step = settings.lengthStep;
        bool reducing = false;
        bool recovering = false;
        int savedLen = 0;
        bool onInk = false;
        while (step > 0) {
            int nx = x, ny = y, len = 0, wMinus = 0, wPlus = 0;
            const int status = traceStep(nx, ny, len, wMinus, wPlus, dir, step);
            const int width = wMinus + wPlus;
            prefetchWidthBeams(nx, ny, dir);

            const double mean = track.averageWidth();
            const double ratio = (mean > 0.0 && mean != 1.0) ? width / mean : 0.0;
            const bool steadyWidth = ratio == 0.0 || (1.0 / settings.maxWidthDeviation < ratio &&
                                                      ratio < settings.maxWidthDeviation);
            // A reduced step may be as wide as twice the run ahead of the point it starts from,
            // and one pixel more: that point is centred across the stroke, not along the run it
            // steps on, so an even run leaves it a pixel fewer ahead than behind, and a steep
            // stroke traced by halves would end there.
            const bool longEnough = (reducing && width <= 2 * savedLen + 1) || len >= width;

            // Whether the step runs into a stroke traced before; asked of the index only when
            // the step passes every other test.
            auto visited = [&]() {
                const stSpvPoint_c& end = track.currentPoint();
                if (nx == int(end.x()) && ny == int(end.y())) return false;
                // Most steps run where nothing is traced yet, which the index's coarse tiles
                // tell at once. The footprint's corners lie at most half the larger run width
                // (or half a pixel) off its ends; one more pixel covers rounding.
                const double margin =
                    std::max({std::fabs(end.w()), std::fabs(double(width)), 1.0}) / 2.0 + 1.0;
                if (!index_.mayCover(std::min(end.x(), double(nx)) - margin,
                                     std::min(end.y(), double(ny)) - margin,
                                     std::max(end.x(), double(nx)) + margin,
                                     std::max(end.y(), double(ny)) + margin))
                    return false;
                const stSpvSkewRect_c reach(stSpvPoint_c(end.x(), end.y(), end.w(), wDir),
                                            stSpvPoint_c(nx, ny, width, wDir));
                return index_.meets(reach);
            };

            if (status == 0 && len > 0 && steadyWidth && longEnough && !visited()) {
                if (recovering && step == settings.lengthStep) {
                    // The first full step after a reduction also marks its middle.
                    int hx = x, hy = y, hLen = 0, hMinus = 0, hPlus = 0;
                    traceStep(hx, hy, hLen, hMinus, hPlus, dir, step / 2);
                    if ((hx != nx || hy != ny) &&
                        onStroke(hx, hy, x, y, nx, ny, track.averageWidth()))
                        track.addPoint(hx, hy, int(track.averageWidth()), wDir);
                }
                recovering = false;
                track.addPoint(nx, ny, width, wDir);
                x = nx;
                y = ny;
                if (reducing) {
                    step = settings.lengthStep;
                    recovering = true;
                    reducing = false;
                }
            } else {
                // Whether the pass, should it end here, leaves its stroke going on: the step
                // landed on ink that has a width and no traced stroke covers, not on paper.
                onInk = status == 0 && width > 0 && inkAt(nx, ny) && !index_.covers(nx, ny);
                // A one-pixel step rejected at full length has no half to try, yet it is the only
                // step a one-pixel diagonal offers: it is tried once more as a reduced step.
                const bool first = !reducing;
                if (!reducing) {
                    reducing = true;
                    savedLen = len;
                }
                step = first && len == 1 ? 1 : len / 2;
            }
        }
        if (onInk) ++inkEnds_;
    }
    return track.points().size() > 1;
}

int stSpvAlgorithmImpl_c::widthCorrection() const {
    // Clamped before the product is converted: a size near the integer limit has no integer width.
    const int size = std::clamp(settings.params.pixelClasterSize, 0,
                                stVectorizationParams_c::kMaxPixelClasterSize);
    return settings.params.runClasterization ? int(size * 1.7) : 0;
}

stSpvPrimitive_c* stSpvAlgorithmImpl_c::createPrimitive(const stSpvTrackInfo_c& track) const {
    const int correction = widthCorrection();
    std::vector<stSpvPoint_c> points(track.points().begin(), track.points().end());
    for (stSpvPoint_c& p : points) p.setW(p.w() - correction);
    if (points.size() == 2) return new stSpvBar_c(points[0], points[1]);
    return new stSpvPolybar_c(std::move(points));
}

bool stSpvAlgorithmImpl_c::appendTrack(const stSpvTrackInfo_c& track, int inkEnds) {
    // A dot or a blob, not a stroke: no longer than twice the width its primitive would get. (The
    // runs a track measures count a pixel of paper on either side, which the width correction
    // takes off again; against the runs themselves, the quarters of a small ring were dropped.)
    // A track whose passes both ended where its stroke goes on, turning or widening over ink no
    // stroke covers yet, is a piece of a stroke that bends too tightly for one track, as a small
    // ring's quarter is: it is kept when it is longer than its narrowest width.
    const double length = track.length();
    if (length <= 2.0 * (track.averageWidth() - widthCorrection())) {
        double narrowest = track.averageWidth();
        for (const stSpvPoint_c& p : track.points()) narrowest = std::min(narrowest, p.w());
        if (inkEnds < 2 || length <= narrowest - widthCorrection()) return false;
    }
    std::unique_ptr<stSpvPrimitive_c> primitive(createPrimitive(track));
    const auto& points = track.points();
    std::vector<utSkewRect_c> footprints;
    footprints.reserve(points.size());
    for (size_t i = 1; i < points.size(); ++i) {
        // Repeated points have no footprint (and no axis to build one on).
        if (points[i - 1] == points[i]) continue;
        footprints.push_back(stSpvSkewRect_c(points[i - 1], points[i]));
    }
    index_.add(footprints);
    spvSketch_.append(primitive.release());
    return true;
}

}  // namespace Vemora
