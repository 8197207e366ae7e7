#pragma once

// What a change to a document leaves behind, for checks that a failed call changed nothing.

#include <vemora/xml/stXmlNode.h>

#include <string>

namespace vemora_test {

// Every node below root in document order with its kind, name, value and attributes, children in
// parentheses. nodes, when given, receives the count of nodes and attributes.
inline std::wstring xmlSnapshot(const Vemora::stXmlNode_c* root, long* nodes = nullptr) {
    std::wstring text;
    long count = 0;
    for (const Vemora::stXmlNode_c* n = root; n;) {
        ++count;
        text += std::to_wstring(n->getNodeType()) + L"<" + n->getNodeName() + L"=" +
                (n->getNodeValue() ? n->getNodeValue() : L"") + L">";
        const Vemora::stXmlNamedNodeMap_c* attrs = n->getAttributes();
        for (int i = 0; attrs && i < attrs->length(); ++i, ++count)
            text += std::wstring(L"@") + attrs->item(i)->getNodeName() + L"=" +
                    attrs->item(i)->getNodeValue() + L";";
        text += L"(";
        if (n->getFirstChild()) {
            n = n->getFirstChild();
            continue;
        }
        text += L")";
        while (n != root && !n->getNextSibling()) {
            n = n->getParentNode();
            text += L")";
        }
        n = n == root ? nullptr : n->getNextSibling();
    }
    if (nodes) *nodes = count;
    return text;
}

// Counts the calls a document makes to its listeners.
struct tmpCountingXmlListener_c : Vemora::stXmlDocListenerBase_c {
    long calls = 0;
    void onNodeAdded(Vemora::stXmlDocument_c*, Vemora::stXmlNode_c*) override { ++calls; }
    void onNodeRemoved(Vemora::stXmlDocument_c*, Vemora::stXmlNode_c*) override { ++calls; }
    void onDocumentChanged(Vemora::stXmlDocument_c*) override { ++calls; }
};

}  // namespace vemora_test
