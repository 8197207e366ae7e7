#pragma once

// The node classes behind this library's documents, shared by the sources of the nodes, the
// elements and the document: the links every node carries, the node lists, the node bases and the
// leaf nodes. Elements and documents are made through the functions at the end.

#include <vemora/foundation/utString.h>
#include <vemora/xml/stXmlNode.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>

namespace Vemora {

// The fixed texts of the DOM exceptions the nodes throw.
constexpr const wchar_t* kWrongDocument = L"Wrong document.";
constexpr const wchar_t* kHierarchy = L"HIERERANCHI";
constexpr const wchar_t* kLeafHierarchy = L"'HIERERANCHI ";
constexpr const wchar_t* kNoModification = L"NO_MODIFICATION_ALLOWED_ERR";
constexpr const wchar_t* kHierarchyRequest = L"HIERARCHY_REQUEST_ERR";
constexpr const wchar_t* kInUseAttribute = L"INUSE_ATTRIBUTE_ERR";
constexpr const wchar_t* kWrongDocumentErr = L"WRONG_DOCUMENT_ERR";
constexpr const wchar_t* kIndexSize = L"INDEX_SIZE_ERR";

inline bool sameName(const wchar_t* a, const wchar_t* b) {
    return a && b && std::wcscmp(a, b) == 0;
}

// ---------------------------------------------------------------------------
// Tree bookkeeping. Every node of this library carries these links; children form a doubly linked
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

inline tmpXmlLinks_c* links(stXmlNode_c* n) { return dynamic_cast<tmpXmlLinks_c*>(n); }
inline const tmpXmlLinks_c* links(const stXmlNode_c* n) {
    return dynamic_cast<const tmpXmlLinks_c*>(n);
}

// Links a detached child before ref (a child of parent), or at the end when ref is null.
void linkChild(stXmlNode_c* parent, stXmlNode_c* child, stXmlNode_c* ref);
void unlinkChild(stXmlNode_c* child);
// Deletes the whole subtree below owner, however deep, without recursion.
void deleteChildren(tmpXmlLinks_c& owner);

inline bool isChildOf(const stXmlNode_c* child, const stXmlNode_c* parent) {
    const tmpXmlLinks_c* c = child ? links(child) : nullptr;
    return c && c->parent == parent;
}

inline void notify(stXmlDocument_c* doc, int kind, stXmlNode_c* node) {
    if (doc) doc->notifyChange(kind, node);
}

// The next node after n in document order within the subtree of root, or null.
stXmlNode_c* nextInSubtree(const stXmlNode_c* n, const stXmlNode_c* root);

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

// Nodes that can have no children (attributes refuse children with texts of their own).
template <class I>
class tmpXmlLeafImpl_c : public tmpXmlNodeImplBase_c<I> {
public:
    using tmpXmlNodeImplBase_c<I>::tmpXmlNodeImplBase_c;

    stXmlNode_c* appendChild(stXmlNode_c*) override { throw stXmlDOMException_c(kLeafHierarchy); }
    stXmlNode_c* removeChild(stXmlNode_c*) override { throw stXmlDOMException_c(kLeafHierarchy); }
    stXmlNode_c* insertBefore(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kHierarchy);
    }
    stXmlNode_c* replaceChild(stXmlNode_c*, stXmlNode_c*) override {
        throw stXmlDOMException_c(kHierarchy);
    }
};

// Nodes that hold text.
template <class I>
class tmpXmlCharacterDataImpl_c : public tmpXmlLeafImpl_c<I> {
public:
    tmpXmlCharacterDataImpl_c(stXmlDocument_c* owner, const wchar_t* data)
        : tmpXmlLeafImpl_c<I>(owner), data_(data) {}

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

class stXmlProcessingInstructionImpl_c : public tmpXmlLeafImpl_c<stXmlProcessingInstruction_c> {
public:
    stXmlProcessingInstructionImpl_c(stXmlDocument_c* owner, const wchar_t* target,
                                     const wchar_t* data)
        : tmpXmlLeafImpl_c(owner), target_(target), data_(data) {}

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

// The element and the document classes stay in their sources; the others make them here.
stXmlElement_c* xmlNewElement(stXmlDocument_c* owner, const wchar_t* tagName);
stXmlDocument_c* xmlNewDocument();
// A copy of src made by (and belonging to) target, without parent and without reporting changes;
// the subtree too when deep.
std::unique_ptr<stXmlNode_c> xmlCopyNode(const stXmlNode_c& src, stXmlDocument_c* target,
                                         bool deep);

}  // namespace Vemora
