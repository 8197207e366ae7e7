#include <vemora/config/utDictionary.h>
#include <vemora/foundation/utString.h>
#include <vemora/xml/stXmlNode.h>
#include <vemora/xml/stXmlParser.h>
#include <vemora/xml/stXmlSax.h>

#include <algorithm>
#include <cassert>
#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/platform.h"
#include "xml/stXmlDocumentAccess.h"
#include "xml/stXmlPath.h"

namespace Vemora {

stXmlDOMException_c::~stXmlDOMException_c() = default;
stXmlNode_c::~stXmlNode_c() = default;
stXmlNodeList_c::~stXmlNodeList_c() = default;
stXmlNamedNodeMap_c::~stXmlNamedNodeMap_c() = default;
stXmlDocListener_c::~stXmlDocListener_c() = default;

namespace {

constexpr const wchar_t* kWrongDocument = L"Wrong document.";
constexpr const wchar_t* kHierarchy = L"HIERERANCHI";
constexpr const wchar_t* kLeafHierarchy = L"'HIERERANCHI ";
constexpr const wchar_t* kNoModification = L"NO_MODIFICATION_ALLOWED_ERR";
constexpr const wchar_t* kHierarchyRequest = L"HIERARCHY_REQUEST_ERR";
constexpr const wchar_t* kInUseAttribute = L"INUSE_ATTRIBUTE_ERR";
constexpr const wchar_t* kWrongDocumentErr = L"WRONG_DOCUMENT_ERR";
constexpr const wchar_t* kIndexSize = L"INDEX_SIZE_ERR";

bool sameName(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

// ---------------------------------------------------------------------------
// Tree bookkeeping. Every node of this file carries these links; children form a doubly linked
// list owned by their parent.

class tmpXmlLinks_c {
public:
    virtual ~tmpXmlLinks_c() = default;

    stXmlDocument_c* doc = nullptr;  // owner document; null for a document itself
    stXmlNode_c* self = nullptr;     // this node, for const queries that hand nodes out
    stXmlNode_c* parent = nullptr;
    stXmlNode_c* prev = nullptr;
    stXmlNode_c* next = nullptr;
    stXmlNode_c* first = nullptr;
    stXmlNode_c* last = nullptr;
};

tmpXmlLinks_c* links(stXmlNode_c* n) { return dynamic_cast<tmpXmlLinks_c*>(n); }
const tmpXmlLinks_c* links(const stXmlNode_c* n) { return dynamic_cast<const tmpXmlLinks_c*>(n); }

// Links a detached child before ref (a child of parent), or at the end when ref is null.
void linkChild(stXmlNode_c* parent, stXmlNode_c* child, stXmlNode_c* ref) {
    tmpXmlLinks_c& p = *links(parent);
    tmpXmlLinks_c& c = *links(child);
    assert(!c.parent && !c.prev && !c.next);
    c.parent = parent;
    if (!ref) {
        c.prev = p.last;
        if (p.last) {
            links(p.last)->next = child;
        } else {
            p.first = child;
        }
        p.last = child;
    } else {
        tmpXmlLinks_c& r = *links(ref);
        c.prev = r.prev;
        c.next = ref;
        if (r.prev) {
            links(r.prev)->next = child;
        } else {
            p.first = child;
        }
        r.prev = child;
    }
}

void unlinkChild(stXmlNode_c* child) {
    tmpXmlLinks_c& c = *links(child);
    if (!c.parent) return;
    tmpXmlLinks_c& p = *links(c.parent);
    if (c.prev) {
        links(c.prev)->next = c.next;
    } else {
        p.first = c.next;
    }
    if (c.next) {
        links(c.next)->prev = c.prev;
    } else {
        p.last = c.prev;
    }
    c.parent = c.prev = c.next = nullptr;
}

// Deletes the whole subtree below owner without recursion: before a node goes, its own children
// are spliced into the chain still to be deleted, so no destructor ever finds children, however
// deep the tree.
void deleteChildren(tmpXmlLinks_c& owner) {
    stXmlNode_c* child = owner.first;
    owner.first = owner.last = nullptr;
    while (child) {
        tmpXmlLinks_c& c = *links(child);
        if (c.first) {
            links(c.last)->next = c.next;
            c.next = c.first;
            c.first = c.last = nullptr;
        }
        stXmlNode_c* const next = c.next;
        c.parent = c.prev = c.next = nullptr;
        delete child;
        child = next;
    }
}

bool isChildOf(const stXmlNode_c* child, const stXmlNode_c* parent) {
    const tmpXmlLinks_c* c = child ? links(child) : nullptr;
    return c && c->parent == parent;
}

void notify(stXmlDocument_c* doc, int kind, stXmlNode_c* node) {
    if (doc) doc->notifyChange(kind, node);
}

// The next node after n in document order within the subtree of root, or null.
stXmlNode_c* nextInSubtree(const stXmlNode_c* n, const stXmlNode_c* root) {
    if (stXmlNode_c* child = n->getFirstChild()) return child;
    while (n && n != root) {
        if (stXmlNode_c* sibling = n->getNextSibling()) return sibling;
        n = n->getParentNode();
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Lists

class tmpXmlChildNodeListImpl_c : public stXmlNodeList_c {
public:
    explicit tmpXmlChildNodeListImpl_c(const stXmlNode_c* node) : node_(node) {}
    int length() const override {
        int n = 0;
        for (const stXmlNode_c* c = node_->getFirstChild(); c; c = c->getNextSibling()) ++n;
        return n;
    }
    stXmlNode_c* item(int i) const override {
        if (i < 0) return nullptr;
        stXmlNode_c* c = node_->getFirstChild();
        while (c && i-- > 0) c = c->getNextSibling();
        return c;
    }

private:
    const stXmlNode_c* node_;
};

// Elements of the given tag ("*" for all) below root, in document order.
class tmpXmlElementsByTagList_c : public stXmlNodeList_c {
public:
    tmpXmlElementsByTagList_c(const stXmlNode_c* root, const wchar_t* name)
        : root_(root), name_(name) {}
    int length() const override {
        int n = 0;
        for (const stXmlNode_c* e = next(root_); e; e = next(e)) ++n;
        return n;
    }
    stXmlNode_c* item(int i) const override {
        if (i < 0) return nullptr;
        stXmlNode_c* e = next(root_);
        while (e && i-- > 0) e = next(e);
        return e;
    }

private:
    stXmlNode_c* next(const stXmlNode_c* from) const {
        for (stXmlNode_c* n = nextInSubtree(from, root_); n; n = nextInSubtree(n, root_)) {
            if (n->getNodeType() == stXmlNode_c::ELEMENT_NODE &&
                (name_ == L"*" || sameName(n->getNodeName(), name_)))
                return n;
        }
        return nullptr;
    }

    const stXmlNode_c* root_;
    utString_c name_;
};

// Elements by tag below an element, and in a whole document.
class tmpXmlNamedChildNodeListImpl_c : public tmpXmlElementsByTagList_c {
    using tmpXmlElementsByTagList_c::tmpXmlElementsByTagList_c;
};
class tmpXmlNamedChildElementListImpl_c : public tmpXmlElementsByTagList_c {
    using tmpXmlElementsByTagList_c::tmpXmlElementsByTagList_c;
};

// ---------------------------------------------------------------------------
// Generic node base

template <class I>
class tmpXmlNodeImplBase_c : public I, public tmpXmlLinks_c {
public:
    explicit tmpXmlNodeImplBase_c(stXmlDocument_c* owner) {
        doc = owner;
        self = this;
    }
    ~tmpXmlNodeImplBase_c() override {
        deleteChildren(*this);
        if (parent) unlinkChild(this);
    }

    stXmlNamedNodeMap_c* getAttributes() const override { return nullptr; }
    stXmlNodeList_c* getChildNodes() const override { return new tmpXmlChildNodeListImpl_c(this); }
    stXmlNode_c* getFirstChild() const override { return first; }
    stXmlNode_c* getLastChild() const override { return last; }
    const wchar_t* getLocalName() const override { return this->getNodeName(); }
    const wchar_t* getNamespaceURI() const override { return nullptr; }
    stXmlNode_c* getNextSibling() const override { return next; }
    const wchar_t* getNodeValue() const override { return nullptr; }
    stXmlDocument_c* getOwnerDocument() const override { return doc; }
    stXmlNode_c* getParentNode() const override { return parent; }
    const wchar_t* getPrefix() const override { return nullptr; }
    stXmlNode_c* getPreviousSibling() const override { return prev; }
    bool hasAttributes() const override { return false; }
    bool hasChildNodes() const override { return first != nullptr; }
    bool isSupported(const wchar_t*, const wchar_t*) const override { return false; }
    void normalize() override {}
    void setNodeValue(const wchar_t*) override {}
    void setPrefix(const wchar_t*) override {}
};

// Nodes that hold text and can have no children.
template <class I>
class tmpXmlCharacterDataImpl_c : public tmpXmlNodeImplBase_c<I> {
public:
    tmpXmlCharacterDataImpl_c(stXmlDocument_c* owner, const wchar_t* data)
        : tmpXmlNodeImplBase_c<I>(owner), data_(data) {}

    stXmlNode_c* appendChild(stXmlNode_c*) override { throw stXmlDOMException_c(kLeafHierarchy); }
    stXmlNode_c* removeChild(stXmlNode_c*) override { throw stXmlDOMException_c(kLeafHierarchy); }
    stXmlNode_c* insertBefore(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kHierarchy);
    }
    stXmlNode_c* replaceChild(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kHierarchy);
    }

    const wchar_t* getNodeValue() const override { return data_; }
    void setNodeValue(const wchar_t* value) override { setData(value); }

    void appendData(const wchar_t* arg) override {
        if (arg && *arg) change(text() + arg);
    }
    void deleteData(int offset, int count) override { replaceData(offset, count, L""); }
    const wchar_t* getData() const override { return data_; }
    int getLength() const override { return int(data_.length()); }
    void insertData(int offset, const wchar_t* arg) override { replaceData(offset, 0, arg); }
    void replaceData(int offset, int count, const wchar_t* arg) override {
        std::wstring t = text();
        checkOffset(offset, t);
        t.replace(size_t(offset), size_t(std::max(count, 0)), arg ? arg : L"");
        change(t);
    }
    void setData(const wchar_t* data) override {
        data_ = data;
        changed();
    }
    utString_c substringData(int offset, int count) const override {
        const std::wstring t = text();
        checkOffset(offset, t);
        return utString_c(t.substr(size_t(offset), size_t(std::max(count, 0))).c_str());
    }

protected:
    std::wstring text() const { return data_ ? std::wstring(data_) : std::wstring(); }

private:
    static void checkOffset(int offset, const std::wstring& t) {
        if (offset < 0 || size_t(offset) > t.size()) throw stXmlDOMException_c(kIndexSize);
    }
    void change(const std::wstring& t) {
        data_ = t.c_str();
        changed();
    }
    // Edits of text in the tree count as changes of the document.
    void changed() {
        if (this->parent) notify(this->doc, stXmlDocument_c::attributeChanged, this);
    }

    utString_c data_;
};

// ---------------------------------------------------------------------------
// Leaf nodes

template <class I, int Type>
class tmpXmlTextImpl_c : public tmpXmlCharacterDataImpl_c<I> {
public:
    using tmpXmlCharacterDataImpl_c<I>::tmpXmlCharacterDataImpl_c;

    int getNodeType() const override { return Type; }
    const wchar_t* getNodeName() const override {
        return Type == stXmlNode_c::TEXT_NODE ? L"#text" : L"#cdata-section";
    }
    stXmlNode_c* cloneNode(bool) const override {
        return new tmpXmlTextImpl_c(this->doc, this->getData());
    }
    stXmlText_c* splitText(int offset) override {
        const std::wstring t = this->text();
        if (offset < 0 || size_t(offset) > t.size()) throw stXmlDOMException_c(kIndexSize);
        std::unique_ptr<tmpXmlTextImpl_c> rest(
            new tmpXmlTextImpl_c(this->doc, t.substr(size_t(offset)).c_str()));
        this->deleteData(offset, int(t.size()) - offset);
        if (this->parent) this->parent->insertBefore(rest.get(), this->next);
        return rest.release();
    }
};

}  // namespace

class stXmlTextImpl_c : public tmpXmlTextImpl_c<stXmlText_c, stXmlNode_c::TEXT_NODE> {
public:
    using tmpXmlTextImpl_c::tmpXmlTextImpl_c;
};

class stXmlCDATASectionImpl_c
    : public tmpXmlTextImpl_c<stXmlCDATASection_c, stXmlNode_c::CDATA_SECTION_NODE> {
public:
    using tmpXmlTextImpl_c::tmpXmlTextImpl_c;
};

class stXmlCommentImpl_c : public tmpXmlCharacterDataImpl_c<stXmlComment_c> {
public:
    using tmpXmlCharacterDataImpl_c::tmpXmlCharacterDataImpl_c;
    int getNodeType() const override { return COMMENT_NODE; }
    const wchar_t* getNodeName() const override { return L"#comment"; }
    stXmlNode_c* cloneNode(bool) const override { return new stXmlCommentImpl_c(doc, getData()); }
};

class stXmlProcessingInstructionImpl_c : public tmpXmlNodeImplBase_c<stXmlProcessingInstruction_c> {
public:
    stXmlProcessingInstructionImpl_c(stXmlDocument_c* owner, const wchar_t* target,
                                     const wchar_t* data)
        : tmpXmlNodeImplBase_c(owner), target_(target), data_(data) {}

    stXmlNode_c* appendChild(stXmlNode_c*) override { throw stXmlDOMException_c(kLeafHierarchy); }
    stXmlNode_c* removeChild(stXmlNode_c*) override { throw stXmlDOMException_c(kLeafHierarchy); }
    stXmlNode_c* insertBefore(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kHierarchy);
    }
    stXmlNode_c* replaceChild(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kHierarchy);
    }
    stXmlNode_c* cloneNode(bool) const override {
        return new stXmlProcessingInstructionImpl_c(doc, target_, data_);
    }
    int getNodeType() const override { return PROCESSING_INSTRUCTION_NODE; }
    const wchar_t* getNodeName() const override { return target_; }
    const wchar_t* getNodeValue() const override { return data_; }
    void setNodeValue(const wchar_t* value) override { setData(value); }
    const wchar_t* getData() const override { return data_; }
    const wchar_t* getTarget() const override { return target_; }
    void setData(const wchar_t* data) override {
        data_ = data;
        if (parent) notify(doc, stXmlDocument_c::attributeChanged, this);
    }

private:
    utString_c target_;
    utString_c data_;
};

class stXmlAttrImpl_c : public tmpXmlNodeImplBase_c<stXmlAttr_c> {
public:
    stXmlAttrImpl_c(stXmlDocument_c* owner, const wchar_t* name, const wchar_t* value)
        : tmpXmlNodeImplBase_c(owner), name_(name), value_(value) {}

    stXmlNode_c* appendChild(stXmlNode_c*) override { throw stXmlDOMException_c(kNoModification); }
    stXmlNode_c* removeChild(stXmlNode_c*) override { throw stXmlDOMException_c(kNoModification); }
    stXmlNode_c* replaceChild(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kNoModification);
    }
    stXmlNode_c* insertBefore(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kHierarchyRequest);
    }
    stXmlNode_c* cloneNode(bool) const override { return new stXmlAttrImpl_c(doc, name_, value_); }
    int getNodeType() const override { return ATTRIBUTE_NODE; }
    const wchar_t* getNodeName() const override { return name_; }
    const wchar_t* getNodeValue() const override { return value_; }
    void setNodeValue(const wchar_t* value) override { setValue(value); }

    const wchar_t* getName() const override { return name_; }
    stXmlElement_c* getOwnerElement() const override { return ownerElement; }
    bool getSpecified() const override { return true; }
    const wchar_t* getValue() const override { return value_; }
    void setValue(const wchar_t* value) override {
        value_ = value;
        if (ownerElement) notify(doc, stXmlDocument_c::attributeChanged, nullptr);
    }

    stXmlElement_c* ownerElement = nullptr;  // set while attached

private:
    utString_c name_;
    utString_c value_;
};

// The attributes of one element in document order, with an index by name so that reading a tag
// of many attributes, copying or saving its element stays in proportion to their number. The
// index is a balanced tree rather than a hash table: crafted names cannot make it degrade.
class stXmlNamedNodeMapImpl_c : public stXmlNamedNodeMap_c {
public:
    explicit stXmlNamedNodeMapImpl_c(stXmlElement_c* element) : element_(element) {}
    ~stXmlNamedNodeMapImpl_c() override {
        for (auto& a : attrs_) a->ownerElement = nullptr;
    }

    int length() const override { return int(attrs_.size()); }
    stXmlNode_c* item(int i) const override {
        return i >= 0 && size_t(i) < attrs_.size() ? attrs_[size_t(i)].get() : nullptr;
    }
    stXmlNode_c* getNamedItem(const wchar_t* name) const override { return find(name); }
    stXmlNode_c* getNamedItemNS(const wchar_t*, const wchar_t* localName) const override {
        return find(localName);
    }
    stXmlNode_c* removeNamedItem(const wchar_t* name) override { return remove(find(name)); }
    stXmlNode_c* removeNamedItemNS(const wchar_t*, const wchar_t* localName) override {
        return remove(find(localName));
    }
    stXmlNode_c* setNamedItem(stXmlNode_c* node) override;
    stXmlNode_c* setNamedItemNS(stXmlNode_c* node) override { return setNamedItem(node); }

    // An attribute without a name is never found.
    stXmlAttrImpl_c* find(const wchar_t* name) const {
        if (!name) return nullptr;
        const auto it = byName_.find(std::wstring_view(name));
        return it == byName_.end() ? nullptr : it->second;
    }
    // Sets or appends without checks; a new attribute is reported when report is true.
    void set(const wchar_t* name, const wchar_t* value, bool report) {
        if (stXmlAttrImpl_c* a = find(name)) {
            a->setValue(value);
            return;
        }
        append(std::make_unique<stXmlAttrImpl_c>(element_->getOwnerDocument(), name, value));
        if (report)
            notify(element_->getOwnerDocument(), stXmlDocument_c::attributeChanged, nullptr);
    }
    // Detaches attr and hands it to the caller; null when it is not one of these attributes.
    stXmlAttrImpl_c* remove(stXmlNode_c* attr) {
        const auto it = position(attr);
        if (!attr || it == attrs_.end()) return nullptr;
        stXmlAttrImpl_c* const removed = it->release();
        attrs_.erase(it);
        if (removed->getName()) byName_.erase(std::wstring_view(removed->getName()));
        removed->ownerElement = nullptr;
        notify(element_->getOwnerDocument(), stXmlDocument_c::attributeChanged, nullptr);
        return removed;
    }

private:
    using tmpAttrs_t = std::vector<std::unique_ptr<stXmlAttrImpl_c>>;

    tmpAttrs_t::iterator position(const stXmlNode_c* attr) {
        return std::find_if(attrs_.begin(), attrs_.end(),
                            [attr](const auto& a) { return a.get() == attr; });
    }
    // Takes attr in at the end; its name must not be taken yet.
    void append(std::unique_ptr<stXmlAttrImpl_c> attr) {
        stXmlAttrImpl_c* const raw = attr.get();
        attrs_.push_back(std::move(attr));
        raw->ownerElement = element_;
        if (!raw->getName()) return;
        try {
            byName_.emplace(std::wstring_view(raw->getName()), raw);
        } catch (...) {
            attrs_.back()->ownerElement = nullptr;
            attrs_.pop_back();
            throw;
        }
    }

    stXmlElement_c* element_;
    tmpAttrs_t attrs_;
    // Views of the names held by the attributes themselves, which never change them.
    std::map<std::wstring_view, stXmlAttrImpl_c*> byName_;
};

stXmlNode_c* stXmlNamedNodeMapImpl_c::setNamedItem(stXmlNode_c* node) {
    if (!node) return nullptr;
    auto* attr = dynamic_cast<stXmlAttrImpl_c*>(node);
    if (!attr) {
        if (node->getNodeType() != stXmlNode_c::ATTRIBUTE_NODE)
            throw stXmlDOMException_c(kHierarchyRequest);
        throw stXmlDOMException_c(kWrongDocumentErr);
    }
    if (attr->getOwnerDocument() != element_->getOwnerDocument())
        throw stXmlDOMException_c(kWrongDocumentErr);
    if (attr->ownerElement == element_) return nullptr;  // already in place
    if (attr->ownerElement) throw stXmlDOMException_c(kInUseAttribute);

    std::unique_ptr<stXmlAttrImpl_c> owned(attr);
    stXmlAttrImpl_c* const replaced = find(attr->getName());
    if (replaced) {
        // The new attribute takes the old one's place in the order and in the index; the key
        // must come to view the new name, as the old attribute goes to the caller.
        const auto it = position(replaced);
        it->release();
        *it = std::move(owned);
        attr->ownerElement = element_;
        auto entry = byName_.extract(std::wstring_view(replaced->getName()));
        entry.key() = std::wstring_view(attr->getName());
        entry.mapped() = attr;
        byName_.insert(std::move(entry));
        replaced->ownerElement = nullptr;
    } else {
        append(std::move(owned));
    }
    notify(element_->getOwnerDocument(), stXmlDocument_c::attributeChanged, nullptr);
    return replaced;
}

// ---------------------------------------------------------------------------
// Elements

namespace {
// Shared checks before a node is inserted below container (an element).
void checkInsertable(const stXmlNode_c* container, stXmlDocument_c* doc, stXmlNode_c* node) {
    const tmpXmlLinks_c* l = links(node);
    if (!l || l->doc != doc) throw stXmlDOMException_c(kWrongDocument);
    const int type = node->getNodeType();
    if (type == stXmlNode_c::ATTRIBUTE_NODE || type == stXmlNode_c::DOCUMENT_NODE)
        throw stXmlDOMException_c(kHierarchyRequest);
    // A node cannot go below itself: that would make the tree a cycle. Only a node with children
    // can be a proper ancestor, so appending leaves (as the reader does) costs no walk up.
    if (node == container) throw stXmlDOMException_c(kHierarchyRequest);
    if (!node->hasChildNodes()) return;
    for (const stXmlNode_c* a = container; a; a = a->getParentNode()) {
        if (a == node) throw stXmlDOMException_c(kHierarchyRequest);
    }
}
}  // namespace

class stXmlElementImpl_c : public tmpXmlNodeImplBase_c<stXmlElement_c> {
public:
    stXmlElementImpl_c(stXmlDocument_c* owner, const wchar_t* tagName)
        : tmpXmlNodeImplBase_c(owner),
          tagName_(tagName),
          attrs_(std::make_unique<stXmlNamedNodeMapImpl_c>(this)) {}

    stXmlNode_c* appendChild(stXmlNode_c* newChild) override {
        return insertBefore(newChild, nullptr);
    }
    stXmlNode_c* insertBefore(stXmlNode_c* newChild, stXmlNode_c* refChild) override {
        if (!newChild) return nullptr;
        checkInsertable(this, doc, newChild);
        if (!isChildOf(refChild, this)) refChild = nullptr;
        if (newChild == refChild) return newChild;
        if (stXmlNode_c* oldParent = newChild->getParentNode()) oldParent->removeChild(newChild);
        linkChild(this, newChild, refChild);
        notify(doc, stXmlDocument_c::nodeAdded, newChild);
        return newChild;
    }
    stXmlNode_c* replaceChild(stXmlNode_c* newChild, stXmlNode_c* oldChild) override {
        if (!newChild) return nullptr;
        checkInsertable(this, doc, newChild);
        if (!isChildOf(oldChild, this) || newChild == oldChild) return nullptr;
        if (stXmlNode_c* oldParent = newChild->getParentNode()) oldParent->removeChild(newChild);
        linkChild(this, newChild, oldChild);
        unlinkChild(oldChild);
        notify(doc, stXmlDocument_c::nodeRemoved, oldChild);
        notify(doc, stXmlDocument_c::nodeAdded, newChild);
        return oldChild;
    }
    stXmlNode_c* removeChild(stXmlNode_c* oldChild) override {
        if (!isChildOf(oldChild, this)) return nullptr;
        unlinkChild(oldChild);
        notify(doc, stXmlDocument_c::nodeRemoved, oldChild);
        return oldChild;
    }
    stXmlNode_c* cloneNode(bool deep) const override;

    stXmlNamedNodeMap_c* getAttributes() const override { return attrs_.get(); }
    int getNodeType() const override { return ELEMENT_NODE; }
    const wchar_t* getNodeName() const override { return tagName_; }
    bool hasAttributes() const override { return attrs_->length() > 0; }
    void normalize() override;

    const wchar_t* getAttribute(const wchar_t* name) const override {
        const stXmlAttrImpl_c* a = attrs_->find(name);
        return a ? a->getValue() : nullptr;
    }
    stXmlAttr_c* getAttributeNode(const wchar_t* name) const override { return attrs_->find(name); }
    stXmlAttr_c* getAttributeNodeNS(const wchar_t*, const wchar_t* localName) const override {
        return attrs_->find(localName);
    }
    const wchar_t* getAttributeNS(const wchar_t*, const wchar_t* localName) const override {
        return getAttribute(localName);
    }
    stXmlNodeList_c* getElementsByTagName(const wchar_t* name) const override {
        return new tmpXmlNamedChildNodeListImpl_c(this, name);
    }
    stXmlNodeList_c* getElementsByTagNameNS(const wchar_t*,
                                            const wchar_t* localName) const override {
        return getElementsByTagName(localName);
    }
    const wchar_t* getTagName() const override { return tagName_; }
    bool hasAttribute(const wchar_t* name) const override { return attrs_->find(name); }
    bool hasAttributeNS(const wchar_t*, const wchar_t* localName) const override {
        return hasAttribute(localName);
    }
    void removeAttribute(const wchar_t* name) override {
        delete attrs_->remove(attrs_->find(name));
    }
    stXmlAttr_c* removeAttributeNode(stXmlAttr_c* attr) override { return attrs_->remove(attr); }
    void removeAttributeNS(const wchar_t*, const wchar_t* localName) override {
        removeAttribute(localName);
    }
    void setAttribute(const wchar_t* name, const wchar_t* value) override {
        assert(name && "an attribute needs a name");
        if (name) attrs_->set(name, value, true);
    }
    stXmlAttr_c* setAttributeNode(stXmlAttr_c* attr) override {
        return static_cast<stXmlAttr_c*>(attrs_->setNamedItem(attr));
    }
    stXmlAttr_c* setAttributeNodeNS(stXmlAttr_c* attr) override { return setAttributeNode(attr); }
    void setAttributeNS(const wchar_t*, const wchar_t* qualifiedName,
                        const wchar_t* value) override {
        setAttribute(qualifiedName, value);
    }

    void removeChildren() override {
        while (stXmlNode_c* child = first) delete removeChild(child);
    }
    const wchar_t* getText() const override {
        const stXmlNode_c* t = firstText();
        return t ? t->getNodeValue() : nullptr;
    }
    void setText(const wchar_t* text) override {
        if (stXmlNode_c* t = firstText()) {
            t->setNodeValue(text);
        } else {
            appendChild(doc->createTextNode(text));
        }
    }

    stXmlNodeSet_c* selectNodes(const wchar_t* path) const override {
        return xmlSelectNodes(self, path);
    }
    stXmlNode_c* selectNode(const wchar_t* path) const override {
        return xmlSelectNode(self, path);
    }
    stXmlNode_c* selectOrCreateNode(const wchar_t* path) override {
        return xmlSelectOrCreateNode(this, path);
    }
    const wchar_t* getValue(const wchar_t* path) const override {
        const stXmlNode_c* const n = selectNode(path);
        if (!n) return nullptr;
        if (const auto* e = dynamic_cast<const stXmlElement_c*>(n)) return e->getText();
        return n->getNodeValue();
    }
    void setValue(const wchar_t* path, const wchar_t* text) override {
        stXmlNode_c* const n = selectOrCreateNode(path);
        if (!n) return;
        if (auto* e = dynamic_cast<stXmlElement_c*>(n)) {
            e->setText(text);
        } else {
            n->setNodeValue(text);
        }
    }
    int getIntValue(const wchar_t* path) const override {
        return utString_c::parseInt(getValue(path));
    }
    void setIntValue(const wchar_t* path, int value) override { setValue(path, utString_c(value)); }
    bool getBoolValue(const wchar_t* path) const override {
        return utString_c::parseBool(getValue(path));
    }
    void setBoolValue(const wchar_t* path, bool value) override {
        setValue(path, utString_c(value));
    }
    double getDoubleValue(const wchar_t* path) const override {
        return utString_c::parseDouble(getValue(path));
    }
    void setDoubleValue(const wchar_t* path, double value) override {
        setValue(path, utString_c(value));
    }
    void getDictionaryValue(const wchar_t* path, utDictionary_c& dictionary) const override {
        xmlGetDictionary(self, path, dictionary);
    }
    void setDictionaryValue(const wchar_t* path, const utDictionary_c& dictionary) override {
        xmlSetDictionary(this, path, dictionary);
    }

    // Copies attributes without reporting a change (used while building copies).
    void copyAttributesFrom(const stXmlElement_c& other) {
        const stXmlNamedNodeMap_c* map = other.getAttributes();
        for (int i = 0; i < map->length(); ++i) {
            const stXmlNode_c* a = map->item(i);
            attrs_->set(a->getNodeName(), a->getNodeValue(), false);
        }
    }

private:
    // Only plain text counts; CDATA sections are not saved, so text kept there would be lost.
    stXmlNode_c* firstText() const {
        for (stXmlNode_c* c = first; c; c = c->getNextSibling()) {
            if (c->getNodeType() == TEXT_NODE) return c;
        }
        return nullptr;
    }

    utString_c tagName_;
    std::unique_ptr<stXmlNamedNodeMapImpl_c> attrs_;
};

namespace {
// A copy of src alone (an element with its attributes), made by target.
std::unique_ptr<stXmlNode_c> copyOne(const stXmlNode_c& src, stXmlDocument_c* target) {
    switch (src.getNodeType()) {
        case stXmlNode_c::ELEMENT_NODE: {
            auto element = std::make_unique<stXmlElementImpl_c>(target, src.getNodeName());
            element->copyAttributesFrom(dynamic_cast<const stXmlElement_c&>(src));
            return element;
        }
        case stXmlNode_c::TEXT_NODE:
            return std::make_unique<stXmlTextImpl_c>(target, src.getNodeValue());
        case stXmlNode_c::CDATA_SECTION_NODE:
            return std::make_unique<stXmlCDATASectionImpl_c>(target, src.getNodeValue());
        case stXmlNode_c::COMMENT_NODE:
            return std::make_unique<stXmlCommentImpl_c>(target, src.getNodeValue());
        case stXmlNode_c::PROCESSING_INSTRUCTION_NODE:
            return std::make_unique<stXmlProcessingInstructionImpl_c>(target, src.getNodeName(),
                                                                      src.getNodeValue());
        case stXmlNode_c::ATTRIBUTE_NODE:
            return std::make_unique<stXmlAttrImpl_c>(target, src.getNodeName(), src.getNodeValue());
        default:
            return nullptr;
    }
}

// A copy of src made by (and belonging to) target, without parent and without reporting changes.
// The subtree is walked in document order without recursion, so depth costs no stack.
std::unique_ptr<stXmlNode_c> copyNode(const stXmlNode_c& src, stXmlDocument_c* target, bool deep) {
    std::unique_ptr<stXmlNode_c> root = copyOne(src, target);
    if (!deep || !root) return root;
    const stXmlNode_c* s = src.getFirstChild();
    stXmlNode_c* into = root.get();  // the copy of s's parent
    while (s) {
        std::unique_ptr<stXmlNode_c> copy = copyOne(*s, target);
        stXmlNode_c* const raw = copy.get();
        if (raw) linkChild(into, copy.release(), nullptr);
        if (raw && s->getFirstChild()) {
            into = raw;
            s = s->getFirstChild();
            continue;
        }
        while (s != &src && !s->getNextSibling()) {
            s = s->getParentNode();
            into = into->getParentNode();
        }
        if (s == &src) break;
        s = s->getNextSibling();
    }
    return root;
}
}  // namespace

stXmlNode_c* stXmlElementImpl_c::cloneNode(bool deep) const {
    return copyNode(*this, doc, deep).release();
}

namespace {
// Merges the adjacent text children of element and drops empty ones; its subtree is left alone.
void mergeTexts(stXmlNode_c& element) {
    stXmlNode_c* c = element.getFirstChild();
    while (c) {
        stXmlNode_c* next = c->getNextSibling();
        if (c->getNodeType() == stXmlNode_c::TEXT_NODE) {
            auto* text = dynamic_cast<stXmlText_c*>(c);
            while (next && next->getNodeType() == stXmlNode_c::TEXT_NODE) {
                text->appendData(next->getNodeValue());
                stXmlNode_c* const after = next->getNextSibling();
                delete element.removeChild(next);
                next = after;
            }
            if (text->getLength() == 0) delete element.removeChild(c);
        }
        c = next;
    }
}
}  // namespace

// Each element is merged before the walk enters it, so the walk only meets surviving nodes.
void stXmlElementImpl_c::normalize() {
    for (stXmlNode_c* n = this; n; n = nextInSubtree(n, this)) {
        if (n->getNodeType() == ELEMENT_NODE) mergeTexts(*n);
    }
}

// ---------------------------------------------------------------------------
// Documents

namespace {
// Processing-instruction data of the form name="value" ... back to the pairs it was made from
// (a double quote inside a value stands as "&quot;").
void parseInstructionData(const wchar_t* data, stXmlSaxAttrList_c& attributes) {
    const std::wstring d = data ? data : L"";
    size_t i = 0;
    while (true) {
        while (i < d.size() && std::iswspace(wint_t(d[i]))) ++i;
        const size_t eq = d.find(L"=\"", i);
        if (i >= d.size() || eq == std::wstring::npos) return;
        const size_t close = d.find(L'"', eq + 2);
        if (close == std::wstring::npos) return;
        std::wstring value = d.substr(eq + 2, close - eq - 2);
        for (size_t q = value.find(L"&quot;"); q != std::wstring::npos;
             q = value.find(L"&quot;", q + 1))
            value.replace(q, 6, L"\"");
        attributes.append(d.substr(i, eq - i).c_str(), value.c_str());
        i = close + 1;
    }
}

void startElement(stXmlSaxWriter_c& writer, const stXmlNode_c& element) {
    stXmlSaxAttrList_c attributes;
    const stXmlNamedNodeMap_c* map = element.getAttributes();
    for (int i = 0; i < map->length(); ++i)
        attributes.append(map->item(i)->getNodeName(), map->item(i)->getNodeValue());
    writer.startElement(element.getNodeName(), &attributes);
}

// Writes the element and its subtree in document order, without recursion.
void writeElement(stXmlSaxWriter_c& writer, const stXmlElement_c& element) {
    startElement(writer, element);
    const stXmlNode_c* c = element.getFirstChild();
    while (c) {
        bool entered = false;
        switch (c->getNodeType()) {
            case stXmlNode_c::ELEMENT_NODE:
                startElement(writer, *c);
                entered = c->getFirstChild() != nullptr;
                if (!entered) writer.endElement();
                break;
            case stXmlNode_c::TEXT_NODE:
                writer.characters(c->getNodeValue());
                break;
            case stXmlNode_c::COMMENT_NODE:
                writer.comment(c->getNodeValue());
                break;
            case stXmlNode_c::PROCESSING_INSTRUCTION_NODE: {
                stXmlSaxAttrList_c data;
                parseInstructionData(c->getNodeValue(), data);
                writer.processingInstruction(c->getNodeName(), &data);
                break;
            }
            default:  // CDATA sections are not written
                break;
        }
        if (entered) {
            c = c->getFirstChild();
            continue;
        }
        // Close every element whose last child is done.
        while (c != &element && !c->getNextSibling()) {
            c = c->getParentNode();
            writer.endElement();
        }
        if (c == &element) break;
        c = c->getNextSibling();
    }
    if (!element.getFirstChild()) writer.endElement();
}

// True when elements below root are nested deeper than the reader accepts.
bool tooDeep(const stXmlElement_c& root) {
    int level = 1;  // of n, root being 1
    const stXmlNode_c* n = &root;
    while (true) {
        if (const stXmlNode_c* c = n->getFirstChild()) {
            n = c;
            ++level;
        } else {
            while (n != &root && !n->getNextSibling()) {
                n = n->getParentNode();
                --level;
            }
            if (n == &root) return false;
            n = n->getNextSibling();
        }
        if (level > kXmlMaxDepth && n->getNodeType() == stXmlNode_c::ELEMENT_NODE) return true;
    }
}
}  // namespace

class stXmlDocumentImpl_c : public tmpXmlNodeImplBase_c<stXmlDocument_c> {
public:
    stXmlDocumentImpl_c() : tmpXmlNodeImplBase_c(nullptr) {}
    ~stXmlDocumentImpl_c() override {
        const std::vector<stXmlDocListener_c*> snapshot = listeners_;
        for (stXmlDocListener_c* l : snapshot) {
            if (isListening(l)) l->onDocumentDestroyed(this);
        }
    }

    stXmlNode_c* appendChild(stXmlNode_c* newChild) override {
        if (!newChild) return nullptr;
        checkDocumentElement(newChild);
        if (first) throw stXmlDOMException_c(kHierarchy);
        if (stXmlNode_c* oldParent = newChild->getParentNode()) oldParent->removeChild(newChild);
        linkChild(this, newChild, nullptr);
        notifyChange(nodeAdded, newChild);
        return newChild;
    }
    stXmlNode_c* insertBefore(stXmlNode_c* newChild, stXmlNode_c*) override {
        return appendChild(newChild);
    }
    stXmlNode_c* replaceChild(stXmlNode_c* newChild, stXmlNode_c* oldChild) override {
        if (!newChild) return nullptr;
        checkDocumentElement(newChild);
        if (!isChildOf(oldChild, this) || newChild == oldChild) return nullptr;
        if (stXmlNode_c* oldParent = newChild->getParentNode()) oldParent->removeChild(newChild);
        linkChild(this, newChild, oldChild);
        unlinkChild(oldChild);
        notifyChange(nodeRemoved, oldChild);
        notifyChange(nodeAdded, newChild);
        return oldChild;
    }
    stXmlNode_c* removeChild(stXmlNode_c* oldChild) override {
        if (!isChildOf(oldChild, this)) return nullptr;
        unlinkChild(oldChild);
        notifyChange(nodeRemoved, oldChild);
        return oldChild;
    }
    stXmlNode_c* cloneNode(bool deep) const override {
        auto copy = std::make_unique<stXmlDocumentImpl_c>();
        if (deep && first)
            linkChild(copy.get(), copyNode(*first, copy.get(), true).release(), nullptr);
        return copy.release();
    }
    int getNodeType() const override { return DOCUMENT_NODE; }
    const wchar_t* getNodeName() const override { return L"#document"; }
    void normalize() override {
        if (first) first->normalize();
    }

    stXmlAttr_c* createAttribute(const wchar_t* name) override {
        return new stXmlAttrImpl_c(this, name, L"");
    }
    stXmlAttr_c* createAttributeNS(const wchar_t*, const wchar_t* qualifiedName) override {
        return createAttribute(qualifiedName);
    }
    stXmlCDATASection_c* createCDATASection(const wchar_t* data) override {
        return new stXmlCDATASectionImpl_c(this, data);
    }
    stXmlComment_c* createComment(const wchar_t* data) override {
        return new stXmlCommentImpl_c(this, data);
    }
    stXmlElement_c* createElement(const wchar_t* tagName) override {
        return new stXmlElementImpl_c(this, tagName);
    }
    stXmlElement_c* createElementNS(const wchar_t*, const wchar_t* qualifiedName) override {
        return createElement(qualifiedName);
    }
    stXmlProcessingInstruction_c* createProcessingInstruction(const wchar_t* target,
                                                              const wchar_t* data) override {
        return new stXmlProcessingInstructionImpl_c(this, target, data);
    }
    stXmlText_c* createTextNode(const wchar_t* data) override {
        return new stXmlTextImpl_c(this, data);
    }
    stXmlElement_c* getDocumentElement() const override {
        return dynamic_cast<stXmlElement_c*>(first);
    }
    stXmlElement_c* getElementById(const wchar_t*) const override { return nullptr; }
    stXmlNodeList_c* getElementsByTagName(const wchar_t* name) const override {
        return new tmpXmlNamedChildElementListImpl_c(this, name);
    }
    stXmlNodeList_c* getElementsByTagNameNS(const wchar_t*,
                                            const wchar_t* localName) const override {
        return getElementsByTagName(localName);
    }

    bool isModified() const override { return modified_; }
    void notifyChange(int kind, stXmlNode_c* node) override {
        modified_ = true;
        const std::vector<stXmlDocListener_c*> snapshot = listeners_;
        for (stXmlDocListener_c* l : snapshot) {
            if (!isListening(l)) continue;  // removed by an earlier listener
            if (kind == nodeAdded) l->onNodeAdded(this, node);
            if (kind == nodeRemoved) l->onNodeRemoved(this, node);
        }
        for (stXmlDocListener_c* l : snapshot) {
            if (isListening(l)) l->onDocumentChanged(this);
        }
    }
    // The text goes to a file beside the target first and replaces it only when complete, so a
    // failed write (a full disk) never leaves the previous file truncated.
    bool save(const wchar_t* path) override {
        if (!path || !*path) return false;
        const stXmlElement_c* const root = getDocumentElement();
        if (root && tooDeep(*root)) return false;  // the file could never be read back
        const std::wstring partial = std::wstring(path) + L".part";
        bool written = false;
        {
            const std::unique_ptr<stXmlSaxWriter_c> writer(stXmlSaxWriter_c::createWriter(nullptr));
            if (!writer->openFile(partial.c_str())) return false;
            writer->startDocument();
            if (root) writeElement(*writer, *root);
            writer->endDocument();
            written = writer->good();
        }
        if (!written || !platform::replaceFile(partial.c_str(), path)) {
            platform::removeFile(partial.c_str());
            return false;
        }
        modified_ = false;
        return true;
    }
    void addListener(stXmlDocListener_c* listener) override {
        if (listener && !isListening(listener)) listeners_.push_back(listener);
    }
    void removeListener(stXmlDocListener_c* listener) override {
        listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener),
                         listeners_.end());
    }

    void markUnmodified() { modified_ = false; }

private:
    void checkDocumentElement(stXmlNode_c* node) const {
        const tmpXmlLinks_c* l = links(node);
        if (!l || l->doc != this) throw stXmlDOMException_c(kWrongDocument);
        if (node->getNodeType() != ELEMENT_NODE) throw stXmlDOMException_c(kHierarchy);
    }
    bool isListening(stXmlDocListener_c* l) const {
        return std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end();
    }

    std::vector<stXmlDocListener_c*> listeners_;  // not owned
    bool modified_ = false;
};

void xmlMarkUnmodified(stXmlDocument_c& document) {
    if (auto* impl = dynamic_cast<stXmlDocumentImpl_c*>(&document)) impl->markUnmodified();
}

// ---------------------------------------------------------------------------
// DOM implementation

stXmlDOMImplementation_c::~stXmlDOMImplementation_c() = default;

stXmlDOMImplementation_c* stXmlDOMImplementation_c::createDOMImplementation(const wchar_t*) {
    static stXmlDOMImplementation_c implementation;
    return &implementation;
}

stXmlDocument_c* stXmlDOMImplementation_c::createDocument() const {
    return new stXmlDocumentImpl_c();
}

}  // namespace Vemora
