#pragma once

// The building blocks of compiled paths (see stXmlElement_c::selectNodes): a step pairs a node
// iterator, which visits candidate nodes from a context node, with a node selector, which turns
// each candidate into a result or rejects it; an element selector may carry one predicate.

#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

#include <memory>

namespace Vemora {

class stXmlNode_c;

// ---------------------------------------------------------------------------
// Node iterators

// After next() has returned null once, the following next() starts over from the beginning.
class VEMORA_API stXmlNodeIterator_c {
public:
    virtual ~stXmlNodeIterator_c();
    virtual void reset(stXmlNode_c* start);
    // The next node, or null at the end.
    virtual stXmlNode_c* next();
    // The node last returned by next().
    virtual stXmlNode_c* current() const { return current_; }

protected:
    virtual stXmlNode_c* first(stXmlNode_c* start) const = 0;
    // The node after n, or null.
    virtual stXmlNode_c* after(stXmlNode_c* start, stXmlNode_c* n) const = 0;

private:
    stXmlNode_c* start_ = nullptr;
    stXmlNode_c* current_ = nullptr;
    bool running_ = false;
};

// The children of the start node in document order.
class VEMORA_API stXmlChildrenIterator_c : public stXmlNodeIterator_c {
protected:
    stXmlNode_c* first(stXmlNode_c* start) const override;
    stXmlNode_c* after(stXmlNode_c* start, stXmlNode_c* n) const override;
};

// All descendants of the start node, each after its own descendants, siblings in document order.
class VEMORA_API stXmlDeepChildrenIterator_c : public stXmlNodeIterator_c {
protected:
    stXmlNode_c* first(stXmlNode_c* start) const override;
    stXmlNode_c* after(stXmlNode_c* start, stXmlNode_c* n) const override;
};

// The document element of the start node's document, once.
class VEMORA_API stXmlRootIterator_c : public stXmlNodeIterator_c {
protected:
    stXmlNode_c* first(stXmlNode_c* start) const override;
    stXmlNode_c* after(stXmlNode_c*, stXmlNode_c*) const override { return nullptr; }
};

// The start node itself, once.
class VEMORA_API stXmlThisIterator_c : public stXmlNodeIterator_c {
protected:
    stXmlNode_c* first(stXmlNode_c* start) const override { return start; }
    stXmlNode_c* after(stXmlNode_c*, stXmlNode_c*) const override { return nullptr; }
};

// ---------------------------------------------------------------------------
// Predicates

// Decides whether an element selector accepts a candidate. Comparisons are exact.
class VEMORA_API stXmlXPathPredicate_c {
public:
    virtual ~stXmlXPathPredicate_c();
    virtual bool match(const stXmlNode_c* node) = 0;
    virtual void reset() = 0;
};

class VEMORA_API stXmlXPathFactory_c {
public:
    // Each returns a new predicate owned by the caller.
    // The n-th candidate (0-based) offered since the last reset; every match() counts one.
    static stXmlXPathPredicate_c* createNumericPredicate(int n);
    // A candidate with a child element of that name.
    static stXmlXPathPredicate_c* createElementExistencePredicate(const wchar_t* name);
    // A candidate with a child element of that name whose text (its text children joined)
    // equals value.
    static stXmlXPathPredicate_c* createElementValuePredicate(const wchar_t* name,
                                                              const wchar_t* value);
    // An element carrying that attribute.
    static stXmlXPathPredicate_c* createAttributeExistencePredicate(const wchar_t* name);
    // An element carrying that attribute with that value.
    static stXmlXPathPredicate_c* createAttributeValuePredicate(const wchar_t* name,
                                                                const wchar_t* value);
};

// ---------------------------------------------------------------------------
// Node selectors

class VEMORA_API stXmlNodeSelector_c {
public:
    virtual ~stXmlNodeSelector_c();
    // What candidate c yields, or null.
    virtual stXmlNode_c* select(stXmlNode_c* c) = 0;
    // select(c), or what can be made from c when that is null.
    virtual stXmlNode_c* selectOrCreate(stXmlNode_c* c) = 0;
    virtual void reset() {}
};

class VEMORA_API stSelectThis_c : public stXmlNodeSelector_c {
public:
    stXmlNode_c* select(stXmlNode_c* c) override { return c; }
    stXmlNode_c* selectOrCreate(stXmlNode_c* c) override { return c; }
};

class VEMORA_API stSelectParent_c : public stXmlNodeSelector_c {
public:
    stXmlNode_c* select(stXmlNode_c* c) override;
    stXmlNode_c* selectOrCreate(stXmlNode_c* c) override { return select(c); }
};

// An element of that name accepted by the predicate, if any.
class VEMORA_API stSelectElement_c : public stXmlNodeSelector_c {
public:
    // Takes ownership of predicate, which may be null.
    stSelectElement_c(const wchar_t* name, stXmlXPathPredicate_c* predicate);
    ~stSelectElement_c() override;
    stXmlNode_c* select(stXmlNode_c* c) override;
    // select(c), else a new element of that name appended as the last child of c.
    stXmlNode_c* selectOrCreate(stXmlNode_c* c) override;
    void reset() override;
    // A new element of that name appended as the last child of c (null when c is null).
    stXmlNode_c* create(stXmlNode_c* c) const;

private:
    utString_c name_;
    std::unique_ptr<stXmlXPathPredicate_c> predicate_;
};

// The attribute of that name on c.
class VEMORA_API stSelectAttribute_c : public stXmlNodeSelector_c {
public:
    explicit stSelectAttribute_c(const wchar_t* name) : name_(name) {}
    stXmlNode_c* select(stXmlNode_c* c) override;
    // select(c), else a new empty attribute when c already carries at least one attribute, else
    // null: a path never gives an element its first attribute.
    stXmlNode_c* selectOrCreate(stXmlNode_c* c) override;

private:
    utString_c name_;
};

}  // namespace Vemora
