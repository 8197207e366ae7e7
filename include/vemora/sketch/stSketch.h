#pragma once

#include <vemora/sketch/stEntity.h>

#include <memory>
#include <vector>

namespace Vemora {

// A flat list of owned entities; itself an entity, so it can be cloned and visited like one.
// Extents only grow: removing entities leaves the box as it was.
class VEMORA_API stSketch_c : public stEntity_c {
public:
    stSketch_c() = default;
    // Deep copy: every entity is cloned with its handle and owned by the new sketch.
    stSketch_c(const stSketch_c& other);
    // Deletes the current entities, then copies deeply.
    stSketch_c& operator=(const stSketch_c& other);
    // Deletes every entity it holds.
    ~stSketch_c() override;

    int entitiesCount() const { return static_cast<int>(entities_.size()); }
    // i below entitiesCount().
    stEntity_c* entityAt(int i) const;
    bool isEmpty() const { return entities_.empty(); }

    // Takes ownership of `e` and appends it (amortised constant time); the entity becomes owned by
    // this sketch, keeps its handle, and the sketch's extents grow by the entity's. `e` must not
    // be held by any sketch's list already. Null is ignored.
    void addEntity(stEntity_c* e);
    // Removes the first occurrence of `e` from the list without deleting it: the caller owns it.
    void eraseEntity(stEntity_c* e);
    // Deletes every entity.
    void clear();
    // Empties the list without deleting: the caller takes ownership of every entity.
    void removeAll();
    // Moves every entity of `s`, in order, to the end of this sketch and leaves `s` empty.
    // Null, or this sketch itself, changes nothing.
    void mergeInSketch(stSketch_c* s);
    // The next handle of this sketch.
    int newHandle() { return handleCounter_++; }
    // The first entity with this handle, or null; negative handles find nothing.
    stEntity_c* findEntity(int handle) const;

    // enterSketch; when it answers true every entity in list order; then leaveSketch.
    void visit(stEntityVisitor_c& visitor) override;
    // Grows by the extents of every entity that has any.
    void updateExtents() override;
    // A deep copy; the caller owns it.
    stEntity_c* clone() const override;

private:
    void growBy(const stEntity_c& e);
    std::vector<std::unique_ptr<stEntity_c>> cloneEntities() const;

    int handleCounter_ = 0;
    std::vector<std::unique_ptr<stEntity_c>> entities_;
};

}  // namespace Vemora
