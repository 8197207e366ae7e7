#include <vemora/xml/stXmlNode.h>
#include <vemora/xml/stXmlXPathFactory.h>

#include <climits>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "xml/stXmlPath.h"

namespace Vemora {

namespace {
constexpr const wchar_t* kXPathFailure = L"XPath";
constexpr const wchar_t* kBadAttributeName = L"XPath error!";
constexpr const wchar_t* kNumberExpected = L"XPath error - a numeric character was expected!";
constexpr const wchar_t* kBadAfterSeparator = L"XPath error - Bad token after '\\' in XPath step!";
constexpr const wchar_t* kBadAfterDeepSeparator =
    L"XPath error - Bad token after '\\\\' in XPath step!";
constexpr const wchar_t* kBadStep = L"XPath error - Bad token in XPath step!";
constexpr const wchar_t* kBadPredicate = L"XPath error - bad token in XPath step predicate!";
constexpr const wchar_t* kValueExpected = L"XPath error - String or number was expected after '='!";
constexpr const wchar_t* kBracketExpected = L"XPath error - ']' was expected!";

bool sameName(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

// The joined values of the text children of n.
std::wstring textOf(const stXmlNode_c& n) {
    std::wstring text;
    for (const stXmlNode_c* c = n.getFirstChild(); c; c = c->getNextSibling()) {
        if (c->getNodeType() == stXmlNode_c::TEXT_NODE && c->getNodeValue())
            text += c->getNodeValue();
    }
    return text;
}
}  // namespace

stXmlNode_c* stXmlNodeSet_c::item(int i) const {
    return i >= 0 && size_t(i) < nodes_.size() ? nodes_[size_t(i)] : nullptr;
}

bool stXmlNodeSet_c::add(stXmlNode_c* node) {
    if (!node || !seen_.insert(node).second) return false;
    nodes_.push_back(node);
    return true;
}

// ---------------------------------------------------------------------------
// Iterators

stXmlNodeIterator_c::~stXmlNodeIterator_c() = default;

void stXmlNodeIterator_c::reset(stXmlNode_c* start) {
    start_ = start;
    current_ = nullptr;
    running_ = false;
}

stXmlNode_c* stXmlNodeIterator_c::next() {
    if (!start_) return nullptr;
    current_ = running_ ? after(start_, current_) : first(start_);
    running_ = current_ != nullptr;
    return current_;
}

stXmlNode_c* stXmlChildrenIterator_c::first(stXmlNode_c* start) const {
    return start->getFirstChild();
}

stXmlNode_c* stXmlChildrenIterator_c::after(stXmlNode_c*, stXmlNode_c* n) const {
    return n->getNextSibling();
}

namespace {
// The first node of n's subtree in post-order: down the first children as far as they go.
stXmlNode_c* deepestFirst(stXmlNode_c* n) {
    while (stXmlNode_c* c = n->getFirstChild()) n = c;
    return n;
}
}  // namespace

stXmlNode_c* stXmlDeepChildrenIterator_c::first(stXmlNode_c* start) const {
    stXmlNode_c* const c = start->getFirstChild();
    return c ? deepestFirst(c) : nullptr;
}

stXmlNode_c* stXmlDeepChildrenIterator_c::after(stXmlNode_c* start, stXmlNode_c* n) const {
    if (n == start) return nullptr;
    if (stXmlNode_c* sibling = n->getNextSibling()) return deepestFirst(sibling);
    stXmlNode_c* const parent = n->getParentNode();
    return parent == start ? nullptr : parent;
}

stXmlNode_c* stXmlRootIterator_c::first(stXmlNode_c* start) const {
    stXmlDocument_c* doc = start->getOwnerDocument();
    if (!doc && start->getNodeType() == stXmlNode_c::DOCUMENT_NODE)
        doc = dynamic_cast<stXmlDocument_c*>(start);
    return doc ? doc->getDocumentElement() : nullptr;
}

// ---------------------------------------------------------------------------
// Predicates

stXmlXPathPredicate_c::~stXmlXPathPredicate_c() = default;

namespace {
class tmpNumericPredicate_c : public stXmlXPathPredicate_c {
public:
    explicit tmpNumericPredicate_c(int n) : n_(n) {}
    bool match(const stXmlNode_c*) override { return count_++ == n_; }
    void reset() override { count_ = 0; }

private:
    int n_;
    long long count_ = 0;
};

class tmpElementPredicate_c : public stXmlXPathPredicate_c {
public:
    tmpElementPredicate_c(const wchar_t* name, const wchar_t* value, bool compare)
        : name_(name), value_(value ? value : L""), compare_(compare) {}
    bool match(const stXmlNode_c* node) override {
        if (!node) return false;
        for (const stXmlNode_c* c = node->getFirstChild(); c; c = c->getNextSibling()) {
            if (c->getNodeType() != stXmlNode_c::ELEMENT_NODE || !sameName(c->getNodeName(), name_))
                continue;
            if (!compare_ || textOf(*c) == value_) return true;
        }
        return false;
    }
    void reset() override {}

private:
    utString_c name_;
    std::wstring value_;
    bool compare_;
};

class tmpAttributePredicate_c : public stXmlXPathPredicate_c {
public:
    tmpAttributePredicate_c(const wchar_t* name, const wchar_t* value, bool compare)
        : name_(name), value_(value ? value : L""), compare_(compare) {}
    bool match(const stXmlNode_c* node) override {
        const stXmlElement_c* e = dynamic_cast<const stXmlElement_c*>(node);
        if (!e || !name_) return false;
        const wchar_t* const v = e->getAttribute(name_);
        return v && (!compare_ || value_ == v);
    }
    void reset() override {}

private:
    utString_c name_;
    std::wstring value_;
    bool compare_;
};
}  // namespace

stXmlXPathPredicate_c* stXmlXPathFactory_c::createNumericPredicate(int n) {
    return new tmpNumericPredicate_c(n);
}
stXmlXPathPredicate_c* stXmlXPathFactory_c::createElementExistencePredicate(const wchar_t* name) {
    return new tmpElementPredicate_c(name, nullptr, false);
}
stXmlXPathPredicate_c* stXmlXPathFactory_c::createElementValuePredicate(const wchar_t* name,
                                                                        const wchar_t* value) {
    return new tmpElementPredicate_c(name, value, true);
}
stXmlXPathPredicate_c* stXmlXPathFactory_c::createAttributeExistencePredicate(const wchar_t* name) {
    return new tmpAttributePredicate_c(name, nullptr, false);
}
stXmlXPathPredicate_c* stXmlXPathFactory_c::createAttributeValuePredicate(const wchar_t* name,
                                                                          const wchar_t* value) {
    return new tmpAttributePredicate_c(name, value, true);
}

// ---------------------------------------------------------------------------
// Selectors

stXmlNodeSelector_c::~stXmlNodeSelector_c() = default;

stXmlNode_c* stSelectParent_c::select(stXmlNode_c* c) { return c ? c->getParentNode() : nullptr; }

stSelectElement_c::stSelectElement_c(const wchar_t* name, stXmlXPathPredicate_c* predicate)
    : name_(name), predicate_(predicate) {}

stSelectElement_c::~stSelectElement_c() = default;

// Only elements: a processing instruction whose target happens to be the name is no match.
stXmlNode_c* stSelectElement_c::select(stXmlNode_c* c) {
    if (!c || c->getNodeType() != stXmlNode_c::ELEMENT_NODE || !sameName(c->getNodeName(), name_))
        return nullptr;
    return !predicate_ || predicate_->match(c) ? c : nullptr;
}

stXmlNode_c* stSelectElement_c::selectOrCreate(stXmlNode_c* c) {
    stXmlNode_c* const selected = select(c);
    return selected ? selected : create(c);
}

stXmlNode_c* stSelectElement_c::create(stXmlNode_c* c) const {
    if (!c || !name_) return nullptr;
    stXmlDocument_c* doc = c->getOwnerDocument();
    if (!doc) doc = dynamic_cast<stXmlDocument_c*>(c);
    if (!doc) return nullptr;
    std::unique_ptr<stXmlNode_c> element(doc->createElement(name_));
    c->appendChild(element.get());
    return element.release();
}

void stSelectElement_c::reset() {
    if (predicate_) predicate_->reset();
}

stXmlNode_c* stSelectAttribute_c::select(stXmlNode_c* c) {
    const stXmlNamedNodeMap_c* const attributes = c ? c->getAttributes() : nullptr;
    return attributes ? attributes->getNamedItem(name_) : nullptr;
}

stXmlNode_c* stSelectAttribute_c::selectOrCreate(stXmlNode_c* c) {
    if (stXmlNode_c* const selected = select(c)) return selected;
    auto* const element = dynamic_cast<stXmlElement_c*>(c);
    if (!element || !element->hasAttributes() || !name_) return nullptr;
    element->setAttribute(name_, L"");
    return element->getAttributeNode(name_);
}

// ---------------------------------------------------------------------------
// Compilation

namespace {

// Name characters: ASCII letters and digits, Latin-1 letters and everything above Latin-1, the
// same whatever the host's locale.
bool isLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
           (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

enum class tmpToken_e {
    End,
    String,
    Star,
    Dot,
    DotDot,
    Equals,
    AttributeName,
    LeftBracket,
    RightBracket,
    Separator,
    DeepSeparator,
    Number,
    Name,
    Other,  // a character that starts no token: no name can be empty
};

class tmpXPathLexer_c {
public:
    explicit tmpXPathLexer_c(const wchar_t* text) : p_(text ? text : L"") {}

    tmpToken_e next() {
        if (pending_) {
            pending_ = false;
            return token_;
        }
        token_ = scan();
        return token_;
    }
    // The token just read is read again by the next call of next().
    void keep() { pending_ = true; }
    const std::wstring& text() const { return text_; }
    int number() const { return number_; }

private:
    tmpToken_e scan() {
        text_.clear();
        while (*p_ && std::iswspace(wint_t(*p_))) ++p_;
        const wchar_t c = *p_;
        if (!c) return tmpToken_e::End;
        switch (c) {
            case L'"': {
                const wchar_t* const close = std::wcschr(p_ + 1, L'"');
                const wchar_t* const end = close ? close : p_ + std::wcslen(p_);
                text_.assign(p_ + 1, end);
                p_ = close ? close + 1 : end;
                return tmpToken_e::String;
            }
            case L'*':
                ++p_;
                return tmpToken_e::Star;
            case L'.':
                ++p_;
                if (*p_ == L'.') {
                    ++p_;
                    return tmpToken_e::DotDot;
                }
                return tmpToken_e::Dot;
            case L'=':
                ++p_;
                return tmpToken_e::Equals;
            case L'[':
                ++p_;
                return tmpToken_e::LeftBracket;
            case L']':
                ++p_;
                return tmpToken_e::RightBracket;
            case L'\\':
                ++p_;
                if (*p_ == L'\\') {
                    ++p_;
                    return tmpToken_e::DeepSeparator;
                }
                return tmpToken_e::Separator;
            case L'@':
                ++p_;
                if (!isLetter(*p_)) throw stXmlDOMException_c(kBadAttributeName);
                readName();
                return tmpToken_e::AttributeName;
            default:
                break;
        }
        if (isDigit(c)) {
            // The number runs to the next blank, so "0]" is no number: write "0 ]".
            long long value = 0;
            for (; *p_ && !std::iswspace(wint_t(*p_)); ++p_) {
                if (!isDigit(*p_)) throw stXmlDOMException_c(kNumberExpected);
                text_ += *p_;
                value = value * 10 + (*p_ - L'0');
                if (value > INT_MAX) value = INT_MAX;
            }
            number_ = int(value);
            return tmpToken_e::Number;
        }
        readName();
        return text_.empty() ? tmpToken_e::Other : tmpToken_e::Name;
    }
    void readName() {
        while (isLetter(*p_) || isDigit(*p_)) text_ += *p_++;
    }

    const wchar_t* p_;
    tmpToken_e token_ = tmpToken_e::End;
    bool pending_ = false;
    std::wstring text_;
    int number_ = 0;
};

// Nodes one evaluation may visit (and, when it creates, nodes it may make). Every step restarts
// below each candidate of the step before, so a few descendant steps in a row ("\\*\\*\\*...")
// cost the tree size to the power of their number; past this budget the evaluation fails instead
// of running for ages.
constexpr long long kVisitBudget = 2000000;

// What a step makes of its context when it has no candidate there.
enum class tmpMake_e {
    Context,    // the context itself (a star or root step)
    Parent,     // the context's parent
    Element,    // a new last child element of the context
    Attribute,  // a new attribute of the context, if it already carries one
};

// The nodes one first-match-or-create walk has made. They stay outside the tree until the walk
// has found its result and are never candidates of later steps: a walk that fails changes
// nothing, and no step can multiply what earlier steps made (a descendant step would otherwise
// find every node made below it and make more below each).
class tmpXPathMade_c {
public:
    // n's parent as it will be once attached: for a made element what it was made below, for
    // an attribute nothing (attributes have no parent node, only an owner element).
    stXmlNode_c* parentOf(stXmlNode_c* n) const {
        if (n->getNodeType() == stXmlNode_c::ATTRIBUTE_NODE) return nullptr;
        const auto it = below_.find(n);
        return it != below_.end() ? it->second : n->getParentNode();
    }
    // Keeps node, made for context.
    stXmlNode_c* keep(std::unique_ptr<stXmlNode_c> node, stXmlNode_c* context) {
        below_.emplace(node.get(), context);
        return node.release();
    }
    // Deletes a made node that leads nowhere.
    void drop(stXmlNode_c*& n) {
        if (!n) return;
        below_.erase(n);
        delete n;
        n = nullptr;
    }
    // Hands a made node over to the tree: attached below what it was made for.
    void attach(stXmlNode_c*& n) {
        std::unique_ptr<stXmlNode_c> owned(n);
        stXmlNode_c* const target = below_.at(n);
        below_.erase(n);
        n = nullptr;
        if (owned->getNodeType() == stXmlNode_c::ATTRIBUTE_NODE) {
            dynamic_cast<stXmlElement_c&>(*target).setAttributeNode(
                static_cast<stXmlAttr_c*>(owned.get()));
        } else {
            target->appendChild(owned.get());
        }
        owned.release();
    }

private:
    std::unordered_map<const stXmlNode_c*, stXmlNode_c*> below_;
};

struct tmpXPathStep_c {
    std::unique_ptr<stXmlNodeIterator_c> iterator;
    std::unique_ptr<stXmlNodeSelector_c> selector;
    tmpMake_e make = tmpMake_e::Context;
    utString_c name;  // of what an element or attribute step makes

    void start(stXmlNode_c* context) {
        iterator->reset(context);
        selector->reset();
    }
    // The next candidate from the context; made, when given, knows the parents of the nodes a
    // walk has made and not attached yet.
    stXmlNode_c* nextCandidate(long long& visits, const tmpXPathMade_c* made = nullptr) {
        while (stXmlNode_c* n = iterator->next()) {
            if (++visits > kVisitBudget) throw stXmlDOMException_c(kXPathFailure);
            stXmlNode_c* const selected =
                made && make == tmpMake_e::Parent ? made->parentOf(n) : selector->select(n);
            if (selected) return selected;
        }
        return nullptr;
    }
};

class tmpXmlXPath_c {
public:
    // A path that cannot be read to its end keeps the steps completed before the failure.
    explicit tmpXmlXPath_c(const wchar_t* path) {
        tmpXPathLexer_c lexer(path);
        try {
            compile(lexer);
        } catch (const stXmlDOMException_c&) {
        }
    }

    // Calls onMatch(node) for every node reached after the last step, depth first, until it
    // answers false.
    template <class F>
    void forEachMatch(stXmlNode_c* context, F onMatch) {
        if (steps_.empty() || !context) return;
        const int last = int(steps_.size()) - 1;
        int k = 0;
        steps_[0].start(context);
        while (k >= 0) {
            stXmlNode_c* const n = steps_[size_t(k)].nextCandidate(visits_);
            if (!n) {
                --k;
            } else if (k == last) {
                if (!onMatch(n)) return;
            } else {
                steps_[size_t(++k)].start(n);
            }
        }
    }

    stXmlNode_c* first(stXmlNode_c* context) {
        stXmlNode_c* found = nullptr;
        forEachMatch(context, [&found](stXmlNode_c* n) {
            found = n;
            return false;
        });
        return found;
    }

    // Follows existing candidates first and makes what a step has none of; a continuation that
    // leads nowhere falls back to the next candidate of the step before, and what it made goes.
    // Only the nodes made along the route to the result enter the tree.
    stXmlNode_c* firstOrCreate(stXmlNode_c* context) {
        if (stXmlNode_c* found = first(context)) return found;
        if (steps_.empty() || !context) return nullptr;
        struct tmpLevel_c {
            stXmlNode_c* context = nullptr;
            bool hadCandidate = false;
            bool created = false;
            stXmlNode_c* made = nullptr;  // owned by the walk until attached
        };
        const size_t count = steps_.size();
        std::vector<tmpLevel_c> levels(count);
        tmpXPathMade_c made;
        struct tmpDropAll_c {
            std::vector<tmpLevel_c>& levels;
            tmpXPathMade_c& made;
            ~tmpDropAll_c() {
                for (tmpLevel_c& level : levels) made.drop(level.made);
            }
        } const dropAll{levels, made};
        int k = 0;
        levels[0].context = context;
        steps_[0].start(context);
        while (k >= 0) {
            tmpLevel_c& level = levels[size_t(k)];
            tmpXPathStep_c& step = steps_[size_t(k)];
            if (level.created) {  // what was made here leads nowhere
                made.drop(level.made);
                --k;
                continue;
            }
            stXmlNode_c* n = step.nextCandidate(visits_, &made);
            if (n) {
                level.hadCandidate = true;
            } else if (!level.hadCandidate) {
                level.created = true;
                n = create(step, level.context, made, level.made);
            }
            if (!n) {
                --k;
                continue;
            }
            if (size_t(k) + 1 == count) {
                for (tmpLevel_c& l : levels) {
                    if (l.made) made.attach(l.made);
                }
                return n;
            }
            ++k;
            levels[size_t(k)] = tmpLevel_c{n};
            steps_[size_t(k)].start(n);
        }
        return nullptr;
    }

private:
    // What step makes of context when it has no candidate there, or null. A new node is kept in
    // made and also handed out through madeHere.
    stXmlNode_c* create(const tmpXPathStep_c& step, stXmlNode_c* context, tmpXPathMade_c& made,
                        stXmlNode_c*& madeHere) {
        switch (step.make) {
            case tmpMake_e::Context:
                return context;
            case tmpMake_e::Parent:
                return made.parentOf(context);
            case tmpMake_e::Element: {
                if (!step.name) return nullptr;
                // Only an element takes children; the tree refuses any other node.
                if (context->getNodeType() != stXmlNode_c::ELEMENT_NODE)
                    throw stXmlDOMException_c(kXPathFailure);
                stXmlDocument_c* const doc = context->getOwnerDocument();
                if (!doc) return nullptr;
                countMade();
                std::unique_ptr<stXmlNode_c> element(doc->createElement(step.name));
                madeHere = made.keep(std::move(element), context);
                return madeHere;
            }
            case tmpMake_e::Attribute: {
                // A path never gives an element its first attribute.
                auto* const element = dynamic_cast<stXmlElement_c*>(context);
                if (!element || !element->hasAttributes() || !step.name) return nullptr;
                stXmlDocument_c* const doc = element->getOwnerDocument();
                if (!doc) return nullptr;
                countMade();
                std::unique_ptr<stXmlNode_c> attr(doc->createAttribute(step.name));
                madeHere = made.keep(std::move(attr), element);
                return madeHere;
            }
        }
        return nullptr;
    }
    void countMade() {
        if (++visits_ > kVisitBudget) throw stXmlDOMException_c(kXPathFailure);
    }

    void add(stXmlNodeIterator_c* iterator, stXmlNodeSelector_c* selector, tmpMake_e make,
             const wchar_t* name = nullptr) {
        tmpXPathStep_c step;
        step.iterator.reset(iterator);
        step.selector.reset(selector);
        step.make = make;
        step.name = name;
        steps_.push_back(std::move(step));
    }
    void addAttributeStep(const std::wstring& name) {
        add(new stXmlThisIterator_c(), new stSelectAttribute_c(name.c_str()), tmpMake_e::Attribute,
            name.c_str());
    }

    // A name step: the element selector with its predicate, if one follows.
    void addElementStep(tmpXPathLexer_c& lexer, stXmlNodeIterator_c* iterator) {
        std::unique_ptr<stXmlNodeIterator_c> owned(iterator);
        const std::wstring name = lexer.text();
        std::unique_ptr<stXmlXPathPredicate_c> predicate;
        if (lexer.next() == tmpToken_e::LeftBracket) {
            predicate = compilePredicate(lexer);
        } else {
            lexer.keep();
        }
        auto selector = std::make_unique<stSelectElement_c>(name.c_str(), predicate.release());
        add(owned.release(), selector.release(), tmpMake_e::Element, name.c_str());
    }

    static std::unique_ptr<stXmlXPathPredicate_c> compilePredicate(tmpXPathLexer_c& lexer) {
        std::unique_ptr<stXmlXPathPredicate_c> predicate;
        const tmpToken_e kind = lexer.next();
        if (kind == tmpToken_e::Name || kind == tmpToken_e::AttributeName) {
            const std::wstring name = lexer.text();
            const bool element = kind == tmpToken_e::Name;
            if (lexer.next() == tmpToken_e::Equals) {
                const tmpToken_e value = lexer.next();
                if (value != tmpToken_e::String && value != tmpToken_e::Number)
                    throw stXmlDOMException_c(kValueExpected);
                predicate.reset(element ? stXmlXPathFactory_c::createElementValuePredicate(
                                              name.c_str(), lexer.text().c_str())
                                        : stXmlXPathFactory_c::createAttributeValuePredicate(
                                              name.c_str(), lexer.text().c_str()));
            } else {
                lexer.keep();
                predicate.reset(
                    element ? stXmlXPathFactory_c::createElementExistencePredicate(name.c_str())
                            : stXmlXPathFactory_c::createAttributeExistencePredicate(name.c_str()));
            }
        } else if (kind == tmpToken_e::Number) {
            predicate.reset(stXmlXPathFactory_c::createNumericPredicate(lexer.number()));
        } else {
            throw stXmlDOMException_c(kBadPredicate);
        }
        if (lexer.next() != tmpToken_e::RightBracket) throw stXmlDOMException_c(kBracketExpected);
        return predicate;
    }

    void compile(tmpXPathLexer_c& lexer) {
        switch (lexer.next()) {
            case tmpToken_e::Name:
                addElementStep(lexer, new stXmlChildrenIterator_c());
                break;
            case tmpToken_e::Dot:
                add(new stXmlThisIterator_c(), new stSelectThis_c(), tmpMake_e::Context);
                break;
            case tmpToken_e::DotDot:
                add(new stXmlThisIterator_c(), new stSelectParent_c(), tmpMake_e::Parent);
                break;
            case tmpToken_e::Separator:
            case tmpToken_e::DeepSeparator:
                add(new stXmlRootIterator_c(), new stSelectThis_c(), tmpMake_e::Context);
                break;
            case tmpToken_e::AttributeName:
                addAttributeStep(lexer.text());
                break;
            default:
                lexer.keep();
                break;
        }
        while (true) {
            switch (lexer.next()) {
                case tmpToken_e::End:
                    return;
                case tmpToken_e::Separator:
                    switch (lexer.next()) {
                        case tmpToken_e::Name:
                            addElementStep(lexer, new stXmlChildrenIterator_c());
                            break;
                        case tmpToken_e::DotDot:
                            add(new stXmlThisIterator_c(), new stSelectParent_c(),
                                tmpMake_e::Parent);
                            break;
                        case tmpToken_e::Star:
                            add(new stXmlChildrenIterator_c(), new stSelectThis_c(),
                                tmpMake_e::Context);
                            break;
                        case tmpToken_e::AttributeName:
                            addAttributeStep(lexer.text());
                            break;
                        default:
                            throw stXmlDOMException_c(kBadAfterSeparator);
                    }
                    break;
                case tmpToken_e::DeepSeparator:
                    switch (lexer.next()) {
                        case tmpToken_e::Name:
                            addElementStep(lexer, new stXmlDeepChildrenIterator_c());
                            break;
                        case tmpToken_e::DotDot:
                            add(new stXmlDeepChildrenIterator_c(), new stSelectParent_c(),
                                tmpMake_e::Parent);
                            break;
                        case tmpToken_e::Star:
                            add(new stXmlDeepChildrenIterator_c(), new stSelectThis_c(),
                                tmpMake_e::Context);
                            break;
                        default:
                            throw stXmlDOMException_c(kBadAfterDeepSeparator);
                    }
                    break;
                default:
                    throw stXmlDOMException_c(kBadStep);
            }
        }
    }

    std::vector<tmpXPathStep_c> steps_;
    long long visits_ = 0;
};

// ---------------------------------------------------------------------------
// The common case, a few plain names joined by single backslashes ("Vector\Refiner\MergeGaps"),
// is walked without compiling: the same first match, depth first, without allocating.

constexpr int kPlainLevels = 16;

// True when path is 1 to kPlainLevels names joined by single backslashes, nothing else.
bool readPlainPath(const wchar_t* path, const wchar_t* (&start)[kPlainLevels],
                   size_t (&length)[kPlainLevels], int& count) {
    count = 0;
    const wchar_t* p = path;
    while (true) {
        if (count == kPlainLevels || !isLetter(*p)) return false;
        start[count] = p;
        while (isLetter(*p) || isDigit(*p)) ++p;
        length[count] = size_t(p - start[count]);
        ++count;
        if (!*p) return true;
        if (*p != L'\\') return false;
        ++p;
    }
}

bool hasName(const stXmlNode_c* n, const wchar_t* name, size_t length) {
    if (n->getNodeType() != stXmlNode_c::ELEMENT_NODE) return false;
    const wchar_t* const own = n->getNodeName();
    return own && std::wcsncmp(own, name, length) == 0 && own[length] == L'\0';
}

stXmlNode_c* namedFrom(stXmlNode_c* n, const wchar_t* name, size_t length) {
    while (n && !hasName(n, name, length)) n = n->getNextSibling();
    return n;
}

stXmlNode_c* firstPlainMatch(stXmlNode_c* context, const wchar_t* const (&start)[kPlainLevels],
                             const size_t (&length)[kPlainLevels], int count) {
    stXmlNode_c* at[kPlainLevels];
    int k = 0;
    at[0] = namedFrom(context->getFirstChild(), start[0], length[0]);
    while (true) {
        if (!at[k]) {
            if (k == 0) return nullptr;
            --k;
            at[k] = namedFrom(at[k]->getNextSibling(), start[k], length[k]);
        } else if (k == count - 1) {
            return at[k];
        } else {
            at[k + 1] = namedFrom(at[k]->getFirstChild(), start[k + 1], length[k + 1]);
            ++k;
        }
    }
}

template <class F>
auto guarded(F f) -> decltype(f()) {
    try {
        return f();
    } catch (...) {
        throw stXmlDOMException_c(kXPathFailure);
    }
}

}  // namespace

stXmlNodeSet_c* xmlSelectNodes(stXmlNode_c* context, const wchar_t* path) {
    return guarded([&] {
        auto set = std::make_unique<stXmlNodeSet_c>();
        tmpXmlXPath_c(path).forEachMatch(context, [&set](stXmlNode_c* n) {
            set->add(n);
            return true;
        });
        return set.release();
    });
}

stXmlNode_c* xmlSelectNode(stXmlNode_c* context, const wchar_t* path) {
    return guarded([&]() -> stXmlNode_c* {
        const wchar_t* start[kPlainLevels];
        size_t length[kPlainLevels];
        int count = 0;
        if (context && path && readPlainPath(path, start, length, count))
            return firstPlainMatch(context, start, length, count);
        return tmpXmlXPath_c(path).first(context);
    });
}

stXmlNode_c* xmlSelectOrCreateNode(stXmlNode_c* context, const wchar_t* path) {
    return guarded([&] { return tmpXmlXPath_c(path).firstOrCreate(context); });
}

}  // namespace Vemora
