#include <vemora/xml/stXmlNode.h>
#include <vemora/xml/stXmlSax.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "foundation/platform.h"
#include "xml/stXmlDocumentAccess.h"
#include "xml/stXmlNodeImpl.h"

namespace Vemora {

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
            linkChild(copy.get(), xmlCopyNode(*first, copy.get(), true).release(), nullptr);
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
        return xmlNewElement(this, tagName);
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
stXmlDocument_c* xmlNewDocument() { return new stXmlDocumentImpl_c(); }

}  // namespace Vemora
