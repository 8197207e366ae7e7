#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cassert>

namespace Vemora {

stSketch_c::stSketch_c(const stSketch_c& other)
    : stEntity_c(other), handleCounter_(other.handleCounter_), entities_(other.cloneEntities()) {
    for (const auto& e : entities_) e->owner_ = this;
}

stSketch_c& stSketch_c::operator=(const stSketch_c& other) {
    if (this == &other) return *this;
    // Clone first: `other` may be one of our own entities, deleted by the replacement below.
    auto copies = other.cloneEntities();
    // The sketch keeps its own place (owner and handle) in whatever holds it.
    stSketch_c* const owner = owner_;
    const int handle = handle_;
    stEntity_c::operator=(other);
    owner_ = owner;
    handle_ = handle;
    handleCounter_ = other.handleCounter_;
    entities_ = std::move(copies);
    for (const auto& e : entities_) e->owner_ = this;
    return *this;
}

stSketch_c::~stSketch_c() = default;

std::vector<std::unique_ptr<stEntity_c>> stSketch_c::cloneEntities() const {
    std::vector<std::unique_ptr<stEntity_c>> copies;
    copies.reserve(entities_.size());
    for (const auto& e : entities_) {
        // An entity type without a copy yields none; there is nothing to hold then.
        std::unique_ptr<stEntity_c> copy(e ? e->clone() : nullptr);
        if (copy) copies.push_back(std::move(copy));
    }
    return copies;
}

stEntity_c* stSketch_c::entityAt(int i) const {
    assert(i >= 0 && i < entitiesCount());
    return entities_[static_cast<size_t>(i)].get();
}

void stSketch_c::addEntity(stEntity_c* e) {
    if (!e) return;
    assert(e != this);
    std::unique_ptr<stEntity_c> owned(e);
    entities_.push_back(std::move(owned));
    e->owner_ = this;
    growBy(*e);
}

void stSketch_c::eraseEntity(stEntity_c* e) {
    const auto it =
        std::find_if(entities_.begin(), entities_.end(),
                     [e](const std::unique_ptr<stEntity_c>& p) { return p.get() == e; });
    if (it == entities_.end()) return;
    it->release();  // the caller owns it now
    entities_.erase(it);
    updateExtents();
}

void stSketch_c::clear() { entities_.clear(); }

void stSketch_c::removeAll() {
    for (auto& e : entities_) e.release();  // ownership passes to the caller
    entities_.clear();
}

void stSketch_c::mergeInSketch(stSketch_c* s) {
    if (!s || s == this) return;
    entities_.reserve(entities_.size() + s->entities_.size());
    for (auto& e : s->entities_) {
        if (!e) continue;
        e->owner_ = this;
        growBy(*e);
        entities_.push_back(std::move(e));
    }
    s->removeAll();
}

stEntity_c* stSketch_c::findEntity(int handle) const {
    if (handle < 0) return nullptr;
    for (const auto& e : entities_) {
        if (e && e->handle() == handle) return e.get();
    }
    return nullptr;
}

void stSketch_c::visit(stEntityVisitor_c& visitor) {
    if (visitor.enterSketch(*this)) {
        // By index: a visitor may append entities while it walks.
        for (size_t i = 0; i < entities_.size(); ++i) {
            if (stEntity_c* e = entities_[i].get()) e->visit(visitor);
        }
    }
    visitor.leaveSketch(*this);
}

void stSketch_c::growBy(const stEntity_c& e) {
    // An entity without geometry (a polyline, an empty sketch) still has the "no box" state,
    // whose corners would stretch the sketch to +-1e99.
    if (e.extents().isUninitialized()) return;
    extents_.inflate(e.extents());
}

void stSketch_c::updateExtents() {
    for (const auto& e : entities_) {
        if (e) growBy(*e);
    }
}

stEntity_c* stSketch_c::clone() const { return new stSketch_c(*this); }

}  // namespace Vemora
