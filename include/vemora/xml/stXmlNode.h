#pragma once

// The XML document model: abstract node interfaces with the method names and meanings of the W3C
// DOM Level 2 Core, plus this system's node type numbers, change listeners, modification flag and
// text helpers. Implementations are created by an stXmlDocument_c (see stXmlParser.h for how to
// get one).
//
// Ownership: a document owns its document element, an element owns its children and attributes,
// and deleting a node deletes its subtree. A node made by a document's create... operation, by
// cloneNode, or returned by removeChild / replaceChild / removeAttributeNode belongs to the caller
// until it is inserted again. Lists returned by getChildNodes and getElementsByTagName are new
// and belong to the caller. Strings returned are owned by the node and valid until it changes.

#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

#include <unordered_set>
#include <vector>

namespace Vemora {

class stXmlDocument_c;
class stXmlElement_c;
class stXmlNamedNodeMap_c;
class stXmlNodeList_c;
class stXmlNodeSet_c;
class utDictionary_c;

// Misuse of a tree operation; description() holds the fixed text of the situation.
class VEMORA_API stXmlDOMException_c {
public:
    stXmlDOMException_c(const wchar_t* description) : description_(description) {}
    virtual ~stXmlDOMException_c();

    const wchar_t* description() const { return description_; }

private:
    utString_c description_;
};

class VEMORA_API stXmlNode_c {
public:
    // The values of getNodeType().
    enum NodeType {
        ATTRIBUTE_NODE = 0,
        CDATA_SECTION_NODE = 1,
        COMMENT_NODE = 2,
        DOCUMENT_NODE = 4,
        ELEMENT_NODE = 6,
        PROCESSING_INSTRUCTION_NODE = 10,
        TEXT_NODE = 11,
    };

    virtual ~stXmlNode_c();

    // Returns newChild. A child with another parent is moved.
    virtual stXmlNode_c* appendChild(stXmlNode_c* newChild) = 0;
    // A copy in the same document, without parent, owned by the caller; attributes are always
    // copied, children when deep is true. A document's deep clone is a new document.
    virtual stXmlNode_c* cloneNode(bool deep) const = 0;
    // The element's attributes (owned by the element); null for other nodes.
    virtual stXmlNamedNodeMap_c* getAttributes() const = 0;
    // A live view of the children, owned by the caller.
    virtual stXmlNodeList_c* getChildNodes() const = 0;
    virtual stXmlNode_c* getFirstChild() const = 0;
    virtual stXmlNode_c* getLastChild() const = 0;
    virtual const wchar_t* getLocalName() const = 0;
    // Always null.
    virtual const wchar_t* getNamespaceURI() const = 0;
    virtual stXmlNode_c* getNextSibling() const = 0;
    virtual const wchar_t* getNodeName() const = 0;
    virtual int getNodeType() const = 0;
    // Null for elements and documents; the text for character data, the value for attributes,
    // the data for processing instructions.
    virtual const wchar_t* getNodeValue() const = 0;
    // Null for a document.
    virtual stXmlDocument_c* getOwnerDocument() const = 0;
    virtual stXmlNode_c* getParentNode() const = 0;
    // Always null.
    virtual const wchar_t* getPrefix() const = 0;
    virtual stXmlNode_c* getPreviousSibling() const = 0;
    virtual bool hasAttributes() const = 0;
    virtual bool hasChildNodes() const = 0;
    // A null or absent refChild appends. Returns newChild.
    virtual stXmlNode_c* insertBefore(stXmlNode_c* newChild, stXmlNode_c* refChild) = 0;
    // Always false.
    virtual bool isSupported(const wchar_t* feature, const wchar_t* version) const = 0;
    // Merges adjacent text nodes and drops empty ones, in the whole subtree.
    virtual void normalize() = 0;
    // Returns oldChild, now owned by the caller; null (and no change) when it is not a child.
    virtual stXmlNode_c* removeChild(stXmlNode_c* oldChild) = 0;
    // Returns oldChild, now owned by the caller; null (and no change) when it is not a child.
    virtual stXmlNode_c* replaceChild(stXmlNode_c* newChild, stXmlNode_c* oldChild) = 0;
    // No effect on elements and documents.
    virtual void setNodeValue(const wchar_t* value) = 0;
    // Ignored.
    virtual void setPrefix(const wchar_t* prefix) = 0;
};

class VEMORA_API stXmlNodeList_c {
public:
    virtual ~stXmlNodeList_c();
    virtual int length() const = 0;
    // Null when i is out of range.
    virtual stXmlNode_c* item(int i) const = 0;
};

// The result of a path evaluation: distinct nodes in the order they were reached. The nodes are
// not owned and stay valid while they stay in their document.
class VEMORA_API stXmlNodeSet_c : public stXmlNodeList_c {
public:
    int length() const override { return int(nodes_.size()); }
    stXmlNode_c* item(int i) const override;
    // Appends node unless it is null or already listed; true when it was appended.
    bool add(stXmlNode_c* node);

private:
    std::vector<stXmlNode_c*> nodes_;
    std::unordered_set<const stXmlNode_c*> seen_;
};

class stXmlAttr_c;

// An element's attributes in insertion order. Namespace variants behave as their plain twins.
class VEMORA_API stXmlNamedNodeMap_c {
public:
    virtual ~stXmlNamedNodeMap_c();
    virtual int length() const = 0;
    virtual stXmlNode_c* item(int i) const = 0;
    virtual stXmlNode_c* getNamedItem(const wchar_t* name) const = 0;
    virtual stXmlNode_c* getNamedItemNS(const wchar_t* namespaceURI,
                                        const wchar_t* localName) const = 0;
    // The removed attribute, owned by the caller, or null.
    virtual stXmlNode_c* removeNamedItem(const wchar_t* name) = 0;
    virtual stXmlNode_c* removeNamedItemNS(const wchar_t* namespaceURI,
                                           const wchar_t* localName) = 0;
    // Takes an attribute node; returns the one of the same name it replaced (owned by the caller)
    // or null. Errors as for stXmlElement_c::setAttributeNode.
    virtual stXmlNode_c* setNamedItem(stXmlNode_c* attr) = 0;
    virtual stXmlNode_c* setNamedItemNS(stXmlNode_c* attr) = 0;
};

class VEMORA_API stXmlAttr_c : public stXmlNode_c {
public:
    virtual const wchar_t* getName() const = 0;
    // The element the attribute is attached to, or null.
    virtual stXmlElement_c* getOwnerElement() const = 0;
    // Always true.
    virtual bool getSpecified() const = 0;
    virtual const wchar_t* getValue() const = 0;
    virtual void setValue(const wchar_t* value) = 0;
};

// Offsets and counts in characters; an offset beyond the length raises "INDEX_SIZE_ERR".
class VEMORA_API stXmlCharacterData_c : public stXmlNode_c {
public:
    virtual void appendData(const wchar_t* arg) = 0;
    virtual void deleteData(int offset, int count) = 0;
    virtual const wchar_t* getData() const = 0;
    virtual int getLength() const = 0;
    virtual void insertData(int offset, const wchar_t* arg) = 0;
    virtual void replaceData(int offset, int count, const wchar_t* arg) = 0;
    virtual void setData(const wchar_t* data) = 0;
    virtual utString_c substringData(int offset, int count) const = 0;
};

class VEMORA_API stXmlText_c : public stXmlCharacterData_c {
public:
    // Keeps the first offset characters and returns a new text node with the rest, inserted
    // after this one when it has a parent (else owned by the caller).
    virtual stXmlText_c* splitText(int offset) = 0;
};

class VEMORA_API stXmlCDATASection_c : public stXmlText_c {};

class VEMORA_API stXmlComment_c : public stXmlCharacterData_c {};

class VEMORA_API stXmlProcessingInstruction_c : public stXmlNode_c {
public:
    virtual const wchar_t* getData() const = 0;
    virtual const wchar_t* getTarget() const = 0;
    virtual void setData(const wchar_t* data) = 0;
};

class VEMORA_API stXmlElement_c : public stXmlNode_c {
public:
    // The value, or null when absent.
    virtual const wchar_t* getAttribute(const wchar_t* name) const = 0;
    virtual stXmlAttr_c* getAttributeNode(const wchar_t* name) const = 0;
    virtual stXmlAttr_c* getAttributeNodeNS(const wchar_t* namespaceURI,
                                            const wchar_t* localName) const = 0;
    virtual const wchar_t* getAttributeNS(const wchar_t* namespaceURI,
                                          const wchar_t* localName) const = 0;
    // Descendant elements with that tag ("*": all) in document order; a live list owned by the
    // caller.
    virtual stXmlNodeList_c* getElementsByTagName(const wchar_t* name) const = 0;
    virtual stXmlNodeList_c* getElementsByTagNameNS(const wchar_t* namespaceURI,
                                                    const wchar_t* localName) const = 0;
    virtual const wchar_t* getTagName() const = 0;
    virtual bool hasAttribute(const wchar_t* name) const = 0;
    virtual bool hasAttributeNS(const wchar_t* namespaceURI, const wchar_t* localName) const = 0;
    virtual void removeAttribute(const wchar_t* name) = 0;
    // Returns attr, now owned by the caller; null when it is not an attribute of this element.
    virtual stXmlAttr_c* removeAttributeNode(stXmlAttr_c* attr) = 0;
    virtual void removeAttributeNS(const wchar_t* namespaceURI, const wchar_t* localName) = 0;
    // Replaces the value of an existing attribute or appends a new one.
    virtual void setAttribute(const wchar_t* name, const wchar_t* value) = 0;
    // Takes attr; returns the attribute of the same name it replaced (owned by the caller) or
    // null. "WRONG_DOCUMENT_ERR" for an attribute of another document, "INUSE_ATTRIBUTE_ERR" for
    // one attached to an element.
    virtual stXmlAttr_c* setAttributeNode(stXmlAttr_c* attr) = 0;
    virtual stXmlAttr_c* setAttributeNodeNS(stXmlAttr_c* attr) = 0;
    virtual void setAttributeNS(const wchar_t* namespaceURI, const wchar_t* qualifiedName,
                                const wchar_t* value) = 0;

    // Removes and deletes every child.
    virtual void removeChildren() = 0;
    // The value of the first text child, null when there is none.
    virtual const wchar_t* getText() const = 0;
    // Sets the value of the first text child, or appends a new text node when there is none.
    virtual void setText(const wchar_t* text) = 0;

    // Path access. A path is relative to this element: names separated by "\" (children) or
    // "\\" (descendants, deepest first), "." and "..", "*", "@name" for attributes, and
    // predicates in brackets: [Name], [Name="text"], [@name], [@name="text"], [n ] (0-based, the
    // number followed by a blank). A path stops at the first thing it cannot read; the part
    // before it still applies. Failures while evaluating throw stXmlDOMException_c "XPath".

    // Every match, each node once; the set is owned by the caller.
    virtual stXmlNodeSet_c* selectNodes(const wchar_t* path) const = 0;
    // The first match, or null.
    virtual stXmlNode_c* selectNode(const wchar_t* path) const = 0;
    // The first match, or the node made by creating what is missing along the path (elements as
    // last children; an attribute only on an element that already has one); null when nothing
    // can be made.
    virtual stXmlNode_c* selectOrCreateNode(const wchar_t* path) = 0;
    // For an element its first text child's value, for other nodes their value; null when
    // nothing matches.
    virtual const wchar_t* getValue(const wchar_t* path) const = 0;
    // Writes into the node selectOrCreateNode gives (an element's first text child).
    virtual void setValue(const wchar_t* path, const wchar_t* text) = 0;
    // Typed access through getValue/setValue: a missing node reads as 0, false or 0.0; numbers
    // are written in base 10 or with 12 significant digits, booleans as "true"/"false".
    virtual int getIntValue(const wchar_t* path) const = 0;
    virtual void setIntValue(const wchar_t* path, int value) = 0;
    virtual bool getBoolValue(const wchar_t* path) const = 0;
    virtual void setBoolValue(const wchar_t* path, bool value) = 0;
    virtual double getDoubleValue(const wchar_t* path) const = 0;
    virtual void setDoubleValue(const wchar_t* path, double value) = 0;
    // Adds the entries stored below the element at path (one typed child element per entry) to
    // dictionary; entries without a counterpart stay. Nothing when path selects no element.
    virtual void getDictionaryValue(const wchar_t* path, utDictionary_c& dictionary) const = 0;
    // Stores dictionary below the element at path (created when missing), one child element per
    // entry named after its key, with a "type" attribute except for strings. Null entries and
    // keys that cannot be written as a tag name are skipped.
    virtual void setDictionaryValue(const wchar_t* path, const utDictionary_c& dictionary) = 0;
};

class stXmlDocListener_c;

class VEMORA_API stXmlDocument_c : public stXmlNode_c {
public:
    // The kinds passed to notifyChange.
    enum ChangeKind { attributeChanged = 0, nodeAdded = 1, nodeRemoved = 2 };

    // Each create operation returns a new node of this document, without parent, owned by the
    // caller until inserted.
    virtual stXmlAttr_c* createAttribute(const wchar_t* name) = 0;
    virtual stXmlAttr_c* createAttributeNS(const wchar_t* namespaceURI,
                                           const wchar_t* qualifiedName) = 0;
    virtual stXmlCDATASection_c* createCDATASection(const wchar_t* data) = 0;
    virtual stXmlComment_c* createComment(const wchar_t* data) = 0;
    virtual stXmlElement_c* createElement(const wchar_t* tagName) = 0;
    virtual stXmlElement_c* createElementNS(const wchar_t* namespaceURI,
                                            const wchar_t* qualifiedName) = 0;
    virtual stXmlProcessingInstruction_c* createProcessingInstruction(const wchar_t* target,
                                                                      const wchar_t* data) = 0;
    virtual stXmlText_c* createTextNode(const wchar_t* data) = 0;
    virtual stXmlElement_c* getDocumentElement() const = 0;
    // Always null.
    virtual stXmlElement_c* getElementById(const wchar_t* elementId) const = 0;
    // Elements with that tag ("*": all) in the whole document; a live list owned by the caller.
    virtual stXmlNodeList_c* getElementsByTagName(const wchar_t* name) const = 0;
    virtual stXmlNodeList_c* getElementsByTagNameNS(const wchar_t* namespaceURI,
                                                    const wchar_t* localName) const = 0;

    // True after any change since the document was read or last saved.
    virtual bool isModified() const = 0;
    // Sets the modification flag and tells the listeners: onNodeAdded for nodeAdded,
    // onNodeRemoved for nodeRemoved, then onDocumentChanged.
    virtual void notifyChange(int kind, stXmlNode_c* node) = 0;
    // Writes the document to the file and clears the modification flag. False (the flag kept,
    // an existing file unchanged) when the file cannot be created or written.
    virtual bool save(const wchar_t* path) = 0;
    // Listeners are not owned; adding one twice has no effect.
    virtual void addListener(stXmlDocListener_c* listener) = 0;
    virtual void removeListener(stXmlDocListener_c* listener) = 0;
};

// Learns of changes to a document. A listener may remove itself while being called.
class VEMORA_API stXmlDocListener_c {
public:
    virtual ~stXmlDocListener_c();
    virtual void onNodeAdded(stXmlDocument_c* document, stXmlNode_c* node) = 0;
    // node is already out of the tree but still alive.
    virtual void onNodeRemoved(stXmlDocument_c* document, stXmlNode_c* node) = 0;
    // Not called by the model itself.
    virtual void onNodeModified(stXmlDocument_c* document, stXmlNode_c* node) = 0;
    virtual void onDocumentChanged(stXmlDocument_c* document) = 0;
    virtual void onDocumentDestroyed(stXmlDocument_c* document) = 0;
};

class VEMORA_API stXmlDocListenerBase_c : public stXmlDocListener_c {
public:
    void onNodeAdded(stXmlDocument_c*, stXmlNode_c*) override {}
    void onNodeRemoved(stXmlDocument_c*, stXmlNode_c*) override {}
    void onNodeModified(stXmlDocument_c*, stXmlNode_c*) override {}
    void onDocumentChanged(stXmlDocument_c*) override {}
    void onDocumentDestroyed(stXmlDocument_c*) override {}
};

}  // namespace Vemora
