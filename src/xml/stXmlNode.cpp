#include <vemora/xml/stXmlNode.h>

#include <cassert>

#include "xml/stXmlNodeImpl.h"

namespace Vemora {

stXmlDOMException_c::~stXmlDOMException_c() = default;
stXmlNode_c::~stXmlNode_c() = default;
stXmlNodeList_c::~stXmlNodeList_c() = default;
stXmlNamedNodeMap_c::~stXmlNamedNodeMap_c() = default;
stXmlDocListener_c::~stXmlDocListener_c() = default;

// ---------------------------------------------------------------------------
// Tree bookkeeping

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

stXmlNode_c* nextInSubtree(const stXmlNode_c* n, const stXmlNode_c* root) {
    if (stXmlNode_c* child = n->getFirstChild()) return child;
    while (n && n != root) {
        if (stXmlNode_c* sibling = n->getNextSibling()) return sibling;
        n = n->getParentNode();
    }
    return nullptr;
}

}  // namespace Vemora
