#include <vemora/vector/stJunctionsProcessor.h>

#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cmath>

#include "config/propertyTable.h"
#include "foundation/mathConstants.h"
#include "vector/cellGrid.h"
#include "vector/junctionsCleaning.h"
#include "vector/junctionsGeometry.h"

namespace Vemora {

namespace {

constexpr const wchar_t* kStep = L"Junctions processor.";
// A turned entity counts as lying on the axis when it is this close to it, in degrees.
constexpr double kOnAxis = 1e-6;
// The straightening window never opens wider than this, in degrees.
constexpr double kMaxWindow = 45.0;

stConfigurable_c* create() { return new stJunctionsProcessor_c(); }

bool withinBox(const utPoint_c& a, const utPoint_c& b, double d) {
    return std::fabs(a.x() - b.x()) <= d && std::fabs(a.y() - b.y()) <= d;
}

double distance(const utPoint_c& a, const utPoint_c& b) { return (a - b).length(); }

// Cells hold a typical line and at least twice the reach, so that a shape meets few of them.
double cellSize(const std::vector<junctions::tmpShape_c>& shapes, double reach) {
    std::vector<double> sizes;
    for (const junctions::tmpShape_c& s : shapes) {
        if (s.kind != junctions::tmpShape_c::kLine) continue;
        const double size =
            std::max(std::fabs(s.end.x() - s.start.x()), std::fabs(s.end.y() - s.start.y()));
        if (std::isfinite(size)) sizes.push_back(size);
    }
    double cell = 2.0 * reach;
    if (!sizes.empty()) {
        std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
        cell = std::max(cell, sizes[sizes.size() / 2]);
    }
    return cell > 0.0 && std::isfinite(cell) ? cell : 1.0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Junctions and their records

void stJunctionsProcessor_c::stJunction_c::addInfo(stEntityJunctionsInfo_c* info) {
    if (std::find(infos_.begin(), infos_.end(), info) == infos_.end()) infos_.push_back(info);
}

stJunctionsProcessor_c::stEntityJunctionsInfo_c::stEntityJunctionsInfo_c(stEntity_c* entity)
    : entity_(entity) {
    refreshEnds();
}

void stJunctionsProcessor_c::stEntityJunctionsInfo_c::refreshEnds() {
    if (entity_) junctions::entityEnds(*entity_, start_, end_);
}

void stJunctionsProcessor_c::stEntityJunctionsInfo_c::addJunction(stJunction_c* junction,
                                                                  double box) {
    if (std::find(junctions_.begin(), junctions_.end(), junction) != junctions_.end()) return;
    if (!junctions_[0] && withinBox(junction->point(), start_, box)) {
        junctions_[0] = junction;
    } else if (!junctions_[1] && withinBox(junction->point(), end_, box)) {
        junctions_[1] = junction;
    } else {
        junctions_.push_back(junction);
    }
    ++count_;
}

// ---------------------------------------------------------------------------------------------
// Configuration

stJunctionsProcessor_c::stJunctionsProcessor_c() = default;

stJunctionsProcessor_c::stJunctionsProcessor_c(const stJunctionsProcessor_c& other)
    : stSketchProcessor_c(other),
      useProcessor_(other.useProcessor_),
      deviation_(other.deviation_),
      angleTolerance_(other.angleTolerance_),
      pixelDeviation_(other.pixelDeviation_),
      useMetricTolerance_(other.useMetricTolerance_),
      useIndex_(other.useIndex_) {}

stJunctionsProcessor_c& stJunctionsProcessor_c::operator=(const stJunctionsProcessor_c& other) {
    if (this != &other) {
        stSketchProcessor_c::operator=(other);
        useProcessor_ = other.useProcessor_;
        deviation_ = other.deviation_;
        angleTolerance_ = other.angleTolerance_;
        pixelDeviation_ = other.pixelDeviation_;
        useMetricTolerance_ = other.useMetricTolerance_;
        useIndex_ = other.useIndex_;
    }
    return *this;
}

stJunctionsProcessor_c::~stJunctionsProcessor_c() = default;

const tmpPropertyTable_c<stJunctionsProcessor_c>& stJunctionsProcessor_c::properties() {
    static const tmpPropertyTable_c<stJunctionsProcessor_c> table = [] {
        using J = stJunctionsProcessor_c;
        tmpPropertyTable_c<J> t;
        t.boolean(L"UseJunctionsProcessor", &J::useProcessor_)
            .real(L"JunctionsDeviation", &J::deviation_)
            .real(L"AngleTolerance", &J::angleTolerance_)
            .real(L"PixelDeviation", &J::pixelDeviation_)
            .boolean(L"UseMetricTolerance", &J::useMetricTolerance_);
        return t;
    }();
    return table;
}

stDescriptor_c* stJunctionsProcessor_c::desc() {
    static stDescriptor_c d(L"JunctionsProcessor", &create, stSketchProcessor_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stJunctionsProcessor_c::isA() { return desc(); }

stXmlElement_c* stJunctionsProcessor_c::toXml(stXmlElement_c* element) const { return element; }

void stJunctionsProcessor_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

// ---------------------------------------------------------------------------------------------
// Lookups

stJunctionsProcessor_c::stJunction_c* stJunctionsProcessor_c::findJunction(const utPoint_c& p) {
    if (junctionGrid_) {
        // Candidates come in creation order, like the scan's.
        std::vector<int> near;
        junctionGrid_->queryBox(p.x() - deviation_, p.y() - deviation_, p.x() + deviation_,
                                p.y() + deviation_, near);
        for (int i : near) {
            if (withinBox(junctions_[size_t(i)]->point(), p, deviation_))
                return junctions_[size_t(i)].get();
        }
        return nullptr;
    }
    for (const auto& j : junctions_) {
        if (withinBox(j->point(), p, deviation_)) return j.get();
    }
    return nullptr;
}

stJunctionsProcessor_c::stEntityJunctionsInfo_c* stJunctionsProcessor_c::findJunctionsInfo(
    const stEntity_c* entity) const {
    if (!entity) return nullptr;
    const auto it = infoOf_.find(entity);
    return it == infoOf_.end() ? nullptr : it->second;
}

void stJunctionsProcessor_c::clear() {
    junctionGrid_.reset();
    infoOf_.clear();
    infos_.clear();
    junctions_.clear();
}

stJunctionsProcessor_c::stEntityJunctionsInfo_c* stJunctionsProcessor_c::infoFor(
    stEntity_c* entity) {
    if (stEntityJunctionsInfo_c* info = findJunctionsInfo(entity)) return info;
    infos_.push_back(std::make_unique<stEntityJunctionsInfo_c>(entity));
    infoOf_[entity] = infos_.back().get();
    return infos_.back().get();
}

stJunctionsProcessor_c::stJunction_c* stJunctionsProcessor_c::junctionNear(const utPoint_c& p) {
    if (stJunction_c* j = findJunction(p)) return j;
    junctions_.push_back(std::make_unique<stJunction_c>(p));
    if (junctionGrid_) junctionGrid_->insertBox(junctionsCount() - 1, p.x(), p.y(), p.x(), p.y());
    return junctions_.back().get();
}

// ---------------------------------------------------------------------------------------------
// The run

stSketch_c* stJunctionsProcessor_c::process(stSketch_c* sketch) {
    notifyStarted();
    notifyStepStarted(kStep);
    if (!sketch || !useProcessor_) return sketch;
    std::unique_ptr<stSketch_c> result =
        processSketch(std::unique_ptr<stSketch_c>(static_cast<stSketch_c*>(sketch->clone())));
    notifyStepFinished(kStep);
    notifyFinished();
    return result.release();
}

std::unique_ptr<stSketch_c> stJunctionsProcessor_c::processSketch(
    std::unique_ptr<stSketch_c> sketch) {
    // Whatever a previous run left refers to entities that are gone.
    clear();
    splineChains_.clear();
    // The records point into the working sketch: they let go of it however the run ends.
    struct tmpRunEnd_c {
        stJunctionsProcessor_c& p;
        ~tmpRunEnd_c() { p.endRun(); }
    } runEnd{*this};

    // 1. Cleaning, 2. cutting splines.
    std::unique_ptr<stSketch_c> cleaned = junctions::withoutDuplicates(*sketch, useIndex_);
    sketch.reset();
    std::unique_ptr<stSketch_c> work = junctions::cutSplines(*cleaned, splineChains_);
    cleaned.reset();
    notifyProgress(20);

    // 3. Junctions; 4. straightening, then the junctions again and the ends onto them.
    buildJunctions(*work);
    straighten(0);
    straighten(1);
    clear();
    buildJunctions(*work);
    snapEnds();
    notifyProgress(90);

    // 5. Splines again; 6. the output, without lines that collapsed onto a junction.
    junctions::rebuildSplines(*work, splineChains_);
    auto out = std::make_unique<stSketch_c>();
    for (int i = 0; i < work->entitiesCount(); ++i) {
        const stEntity_c* e = work->entityAt(i);
        const auto* line = dynamic_cast<const stLine_c*>(e);
        if (!line || line->p1() != line->p2()) out->addEntity(e->clone());
    }
    endRun();
    work.reset();
    notifyProgress(100);
    return out;
}

void stJunctionsProcessor_c::endRun() {
    for (const auto& info : infos_) info->dropEntity();
    infoOf_.clear();
    splineChains_.clear();
}

// ---------------------------------------------------------------------------------------------
// Junction search

// Every entity is met with every other, in sketch order. Indexed, the others are those that share
// a grid cell with it, still in sketch order: the pairs left out meet nowhere, so the junctions and
// their order come out the same. A tolerance that is not finite leaves nothing to narrow.
void stJunctionsProcessor_c::buildJunctions(stSketch_c& sketch) {
    using junctions::tmpShape_c;
    const int n = sketch.entitiesCount();
    std::vector<tmpShape_c> shapes(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) shapes[size_t(i)] = junctions::shapeOf(*sketch.entityAt(i));
    infos_.reserve(infos_.size() + size_t(n));
    infoOf_.reserve(infoOf_.size() + size_t(n));

    const double reach = std::max(deviation_, 0.0);
    std::unique_ptr<tmpCellGrid_c> grid;
    if (useIndex_ && std::isfinite(deviation_)) {
        const double cell = cellSize(shapes, reach);
        grid = std::make_unique<tmpCellGrid_c>(cell);
        for (int i = 0; i < n; ++i) {
            const tmpShape_c& s = shapes[size_t(i)];
            if (s.kind == tmpShape_c::kLine) {
                grid->insertSegment(i, s.start, s.end, reach);
            } else if (s.kind == tmpShape_c::kEllipseArc) {
                // Elliptic arcs meet through their ends only.
                for (const utPoint_c& p : {s.start, s.end})
                    grid->insertBox(i, p.x() - reach, p.y() - reach, p.x() + reach, p.y() + reach);
            }
        }
        junctionGrid_ = std::make_unique<tmpCellGrid_c>(cell);
    }

    std::vector<int> others, more;
    std::vector<utPoint_c> points;
    const auto meet = [&](stEntityJunctionsInfo_c* info, const tmpShape_c& a, int j) {
        points.clear();
        junctions::meetingPoints(a, shapes[size_t(j)], deviation_, points);
        for (const utPoint_c& p : points) {
            stJunction_c* junction = junctionNear(p);
            info->addJunction(junction, deviation_);
            junction->addInfo(info);
        }
    };
    for (int i = 0; i < n; ++i) {
        stEntityJunctionsInfo_c* info = infoFor(sketch.entityAt(i));
        const tmpShape_c& a = shapes[size_t(i)];
        if (a.kind == tmpShape_c::kNone) continue;
        if (!grid) {
            for (int j = 0; j < n; ++j) {
                if (j != i) meet(info, a, j);
            }
            continue;
        }
        if (a.kind == tmpShape_c::kLine) {
            grid->querySegment(a.start, a.end, reach, others);
        } else {
            grid->queryBox(a.start.x() - reach, a.start.y() - reach, a.start.x() + reach,
                           a.start.y() + reach, others);
            grid->queryBox(a.end.x() - reach, a.end.y() - reach, a.end.x() + reach,
                           a.end.y() + reach, more);
            others.insert(others.end(), more.begin(), more.end());
            std::sort(others.begin(), others.end());
            others.erase(std::unique(others.begin(), others.end()), others.end());
        }
        for (int j : others) {
            if (j != i) meet(info, a, j);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Straightening

void stJunctionsProcessor_c::straighten(int pass) {
    const double window = std::min((1.0 - angleTolerance_) * 15.0, kMaxWindow);
    for (const auto& info : infos_) {
        stEntity_c* e = info->entity();
        double angle = 0.0;
        if (!e || info->turned() || !junctions::measureAngle(*e, pass, angle)) continue;
        info->setAngle(pass, angle);
        const double deviation = std::fabs(angle - 90.0);
        if (!(deviation <= window) || deviation == 0.0 || info->junctionsCount() > 2) continue;

        utPoint_c pivot((info->startPoint().x() + info->endPoint().x()) / 2.0,
                        (info->startPoint().y() + info->endPoint().y()) / 2.0);
        for (int k = 0; k < info->junctionPlaces(); ++k) {
            if (const stJunction_c* j = info->junctionAt(k)) {
                pivot = j->point();
                break;
            }
        }
        if (useMetricTolerance_) {
            // How far the farther end moves, for a turn small enough to take it as straight.
            const double reach =
                std::max(distance(pivot, info->startPoint()), distance(pivot, info->endPoint()));
            if (!(std::fabs(std::tan(deviation * kDegree)) * reach <= pixelDeviation_)) continue;
        }
        // Which way is found by trying one.
        double theta = deviation;
        std::unique_ptr<stEntity_c> trial(e->clone());
        junctions::turnEntity(*trial, pivot, theta);
        double turned = 0.0;
        if (!junctions::measureAngle(*trial, pass, turned) ||
            !(std::fabs(turned - 90.0) <= kOnAxis))
            theta = -theta;
        junctions::turnEntity(*e, pivot, theta);
        e->updateExtents();
        info->setTurned();
        info->refreshEnds();
    }
}

// ---------------------------------------------------------------------------------------------
// Ends onto junctions

void stJunctionsProcessor_c::snapEnds() {
    for (const auto& junction : junctions_) {
        const utPoint_c& q = junction->point();
        for (stEntityJunctionsInfo_c* info : junction->infos()) {
            stEntity_c* e = info->entity();
            if (auto* line = dynamic_cast<stLine_c*>(e)) {
                if (distance(line->p1(), q) <= deviation_) line->setP1(q);
                if (distance(line->p2(), q) <= deviation_) line->setP2(q);
            } else if (auto* arc = dynamic_cast<stEllipseArc_c*>(e)) {
                if (!junctions::onArcConic(*arc, q)) continue;
                if (distance(arc->pointAtAngle(arc->startAngle()), q) <= deviation_) {
                    const double g = junctions::angleOnEllipse(*arc, q, arc->startAngle());
                    arc->setParameters(nullptr, nullptr, nullptr, &g, nullptr, nullptr);
                }
                if (distance(arc->pointAtAngle(arc->endAngle()), q) <= deviation_) {
                    const double g = junctions::angleOnEllipse(*arc, q, arc->endAngle());
                    arc->setParameters(nullptr, nullptr, nullptr, nullptr, &g, nullptr);
                }
            } else {
                continue;
            }
            e->updateExtents();
            info->refreshEnds();
        }
    }
}

}  // namespace Vemora
