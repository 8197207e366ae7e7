#pragma once

// What a run of the sketch refiner's engines keeps of the sketch: one info per entity and the gaps
// found around its end vertices (the terms are those of vector/sketchRefinerEngines.h).

#include <vemora/foundation/utGeCurve.h>
#include <vemora/foundation/utPoint.h>

#include <vector>

namespace Vemora {

class stEntity_c;
class tmpEntityInfo_c;
class tmpGapVertexEntry_c;
class tmpGapEdgeEntry_c;

class tmpGapEntryVisitor_c {
public:
    virtual void visitVertex(tmpGapVertexEntry_c& entry) = 0;
    virtual void visitEdge(tmpGapEdgeEntry_c& entry) = 0;
    virtual ~tmpGapEntryVisitor_c() = default;
};

class tmpGapEntry_c {
public:
    virtual ~tmpGapEntry_c() = default;
    // The vertex index; -1 for a segment.
    virtual int index() const = 0;
    virtual void accept(tmpGapEntryVisitor_c& visitor) = 0;
    virtual tmpGapEntry_c* clone() const = 0;  // the caller owns the copy
    virtual bool isFirst() const { return false; }
    virtual bool isLast() const { return false; }
    tmpEntityInfo_c* info() const { return info_; }

protected:
    explicit tmpGapEntry_c(tmpEntityInfo_c* info) : info_(info) {}
    tmpEntityInfo_c* info_;  // not owned
};

class tmpGapVertexEntry_c : public tmpGapEntry_c {
public:
    tmpGapVertexEntry_c(tmpEntityInfo_c* info, int index) : tmpGapEntry_c(info), index_(index) {}
    int index() const override { return index_; }
    void accept(tmpGapEntryVisitor_c& visitor) override { visitor.visitVertex(*this); }
    tmpGapEntry_c* clone() const override { return new tmpGapVertexEntry_c(*this); }
    bool isFirst() const override { return index_ == 0; }
    // Against the entity's current vertex count: a spline that grew has moved its last vertex.
    bool isLast() const override;
    // The info's entity (an info keeps its entity for the whole run), not owned.
    stEntity_c* entity() const;

private:
    int index_;
};

// A segment of an entity, kept as its infinite line.
class tmpGapEdgeEntry_c : public tmpGapEntry_c {
public:
    tmpGapEdgeEntry_c(tmpEntityInfo_c* info, const utGeLine_c& line)
        : tmpGapEntry_c(info), line_(line) {}
    int index() const override { return -1; }
    void accept(tmpGapEntryVisitor_c& visitor) override { visitor.visitEdge(*this); }
    tmpGapEntry_c* clone() const override { return new tmpGapEdgeEntry_c(*this); }
    const utGeLine_c& line() const { return line_; }

private:
    utGeLine_c line_;
};

// A gap's entries live in the engine (a noisy scan makes millions of them, so they are kept in
// blocks rather than one allocation each); the gap holds them in order.
class tmpGapInfo_c {
public:
    // Appends without looking for the same vertex: a vertex found from both sides is there twice.
    void append(tmpGapEntry_c* entry) { entries.push_back(entry); }
    // Drops the first vertex entry of (info, index) from the gap; false when there is none.
    bool removeVertex(const tmpEntityInfo_c* info, int index);

    std::vector<tmpGapEntry_c*> entries;  // owned by the engine
    utPoint_c mergePoint;
};

class tmpEntityInfo_c {
public:
    explicit tmpEntityInfo_c(stEntity_c* e) : entity(e) {}

    stEntity_c* entity;                // not owned
    tmpGapInfo_c* startGap = nullptr;  // the gap of vertex 0, owned by the engine
    tmpGapInfo_c* endGap = nullptr;    // the gap of the last vertex, owned by the engine
    bool absorbed = false;
    bool startSearched = false;
    bool endSearched = false;
};

}  // namespace Vemora
