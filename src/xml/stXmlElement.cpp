#include <vemora/config/utDictionary.h>
#include <vemora/foundation/utString.h>
#include <vemora/xml/stXmlNode.h>

#include <algorithm>
#include <cassert>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "xml/stXmlNodeImpl.h"
#include "xml/stXmlPath.h"

namespace Vemora {

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

}  // namespace

// The subtree is walked in document order without recursion, so depth costs no stack.
std::unique_ptr<stXmlNode_c> xmlCopyNode(const stXmlNode_c& src, stXmlDocument_c* target,
                                         bool deep) {
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

stXmlNode_c* stXmlElementImpl_c::cloneNode(bool deep) const {
    return xmlCopyNode(*this, doc, deep).release();
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

stXmlElement_c* xmlNewElement(stXmlDocument_c* owner, const wchar_t* tagName) {
    return new stXmlElementImpl_c(owner, tagName);
}

}  // namespace Vemora
