#include <gtest/gtest.h>
#include <vemora.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace Vemora;

namespace {

std::unique_ptr<stXmlDocument_c> newDocument() {
    return std::unique_ptr<stXmlDocument_c>(
        stXmlDOMImplementation_c::createDOMImplementation(nullptr)->createDocument());
}

// Runs op and returns the description of the stXmlDOMException_c it throws ("" when none).
std::wstring domError(const std::function<void()>& op) {
    try {
        op();
    } catch (const stXmlDOMException_c& e) {
        return e.description();
    }
    return L"";
}

// Records listener calls as short lines.
struct tmpListener_c : stXmlDocListenerBase_c {
    std::vector<std::wstring> calls;
    static std::wstring name(stXmlNode_c* n) { return n ? n->getNodeName() : L"-"; }
    void onNodeAdded(stXmlDocument_c*, stXmlNode_c* n) override { calls.push_back(L"+" + name(n)); }
    void onNodeRemoved(stXmlDocument_c*, stXmlNode_c* n) override {
        calls.push_back(L"-" + name(n));
    }
    void onDocumentChanged(stXmlDocument_c*) override { calls.push_back(L"changed"); }
    void onDocumentDestroyed(stXmlDocument_c*) override { calls.push_back(L"destroyed"); }
};

using Calls = std::vector<std::wstring>;

// Tag names of the children of node, in order.
std::vector<std::wstring> childNames(const stXmlNode_c* node) {
    std::vector<std::wstring> names;
    for (const stXmlNode_c* c = node->getFirstChild(); c; c = c->getNextSibling())
        names.push_back(c->getNodeName());
    return names;
}

}  // namespace

TEST(stXmlNodeTest, NodeTypesAndNames) {
    auto doc = newDocument();
    struct Row {
        const char* name;
        std::unique_ptr<stXmlNode_c> node;
        int type;
        const wchar_t* nodeName;
    };
    Row rows[] = {
        {"attribute", std::unique_ptr<stXmlNode_c>(doc->createAttribute(L"at")), 0, L"at"},
        {"CDATA", std::unique_ptr<stXmlNode_c>(doc->createCDATASection(L"x")), 1,
         L"#cdata-section"},
        {"comment", std::unique_ptr<stXmlNode_c>(doc->createComment(L"x")), 2, L"#comment"},
        {"element", std::unique_ptr<stXmlNode_c>(doc->createElement(L"el")), 6, L"el"},
        {"instruction", std::unique_ptr<stXmlNode_c>(doc->createProcessingInstruction(L"pi", L"")),
         10, L"pi"},
        {"text", std::unique_ptr<stXmlNode_c>(doc->createTextNode(L"x")), 11, L"#text"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.node->getNodeType(), row.type);
        EXPECT_STREQ(row.node->getNodeName(), row.nodeName);
        EXPECT_EQ(row.node->getOwnerDocument(), doc.get());
        EXPECT_EQ(row.node->getParentNode(), nullptr);
        EXPECT_EQ(row.node->getNamespaceURI(), nullptr);
    }
    EXPECT_EQ(doc->getNodeType(), 4);
    EXPECT_STREQ(doc->getNodeName(), L"#document");
}

TEST(stXmlNodeTest, TreeOperationsLinkChildrenInOrder) {
    auto doc = newDocument();
    stXmlElement_c* root = doc->createElement(L"root");
    doc->appendChild(root);
    stXmlNode_c* a = root->appendChild(doc->createElement(L"a"));
    stXmlNode_c* c = root->appendChild(doc->createElement(L"c"));
    root->insertBefore(doc->createElement(L"b"), c);
    root->insertBefore(doc->createElement(L"d"), nullptr);
    EXPECT_EQ(childNames(root), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(a->getNextSibling()->getNextSibling(), c);
    EXPECT_EQ(c->getPreviousSibling()->getPreviousSibling(), a);
    EXPECT_EQ(root->getLastChild()->getNextSibling(), nullptr);

    std::unique_ptr<stXmlNode_c> old(root->replaceChild(doc->createElement(L"x"), c));
    EXPECT_EQ(old.get(), c);
    EXPECT_EQ(old->getParentNode(), nullptr);
    EXPECT_EQ(childNames(root), (std::vector<std::wstring>{L"a", L"b", L"x", L"d"}));

    std::unique_ptr<stXmlNode_c> removed(root->removeChild(a));
    EXPECT_EQ(removed.get(), a);
    EXPECT_EQ(root->removeChild(a), nullptr);  // no longer a child
    EXPECT_EQ(childNames(root), (std::vector<std::wstring>{L"b", L"x", L"d"}));

    std::unique_ptr<stXmlNodeList_c> list(root->getChildNodes());
    EXPECT_EQ(list->length(), 3);
    root->removeChildren();
    EXPECT_EQ(list->length(), 0);  // a live view
    EXPECT_FALSE(root->hasChildNodes());
}

TEST(stXmlNodeTest, AppendingANodeWithAParentMovesIt) {
    auto doc = newDocument();
    stXmlElement_c* root = doc->createElement(L"root");
    doc->appendChild(root);
    stXmlNode_c* from = root->appendChild(doc->createElement(L"from"));
    stXmlNode_c* to = root->appendChild(doc->createElement(L"to"));
    stXmlNode_c* item = from->appendChild(doc->createElement(L"item"));
    to->appendChild(item);
    EXPECT_FALSE(from->hasChildNodes());
    EXPECT_EQ(item->getParentNode(), to);
    EXPECT_EQ(to->getFirstChild(), item);
}

TEST(stXmlNodeTest, MisuseRaisesTheFixedTexts) {
    auto doc = newDocument();
    auto other = newDocument();
    stXmlElement_c* root = doc->createElement(L"root");
    doc->appendChild(root);
    std::unique_ptr<stXmlNode_c> foreign(other->createElement(L"f"));
    std::unique_ptr<stXmlNode_c> second(doc->createElement(L"second"));
    std::unique_ptr<stXmlNode_c> text(doc->createTextNode(L"t"));
    std::unique_ptr<stXmlNode_c> comment(doc->createComment(L"c"));
    std::unique_ptr<stXmlNode_c> pi(doc->createProcessingInstruction(L"p", L""));
    std::unique_ptr<stXmlNode_c> cdata(doc->createCDATASection(L"d"));
    std::unique_ptr<stXmlAttr_c> attr(doc->createAttribute(L"a"));
    std::unique_ptr<stXmlAttr_c> foreignAttr(other->createAttribute(L"a"));
    std::unique_ptr<stXmlNode_c> otherText(other->createTextNode(L"t"));
    stXmlNode_c* child = root->appendChild(doc->createElement(L"child"));

    struct Row {
        const char* name;
        std::function<void()> op;
        const wchar_t* text;
    };
    const Row rows[] = {
        {"append foreign node", [&] { root->appendChild(foreign.get()); }, L"Wrong document."},
        {"insert foreign node", [&] { root->insertBefore(foreign.get(), child); },
         L"Wrong document."},
        {"replace with foreign node", [&] { root->replaceChild(foreign.get(), child); },
         L"Wrong document."},
        {"second document element", [&] { doc->appendChild(second.get()); }, L"HIERERANCHI"},
        {"text below a document", [&] { other->appendChild(otherText.get()); }, L"HIERERANCHI"},
        {"append to attribute", [&] { attr->appendChild(text.get()); },
         L"NO_MODIFICATION_ALLOWED_ERR"},
        {"remove from attribute", [&] { attr->removeChild(text.get()); },
         L"NO_MODIFICATION_ALLOWED_ERR"},
        {"replace in attribute", [&] { attr->replaceChild(text.get(), comment.get()); },
         L"NO_MODIFICATION_ALLOWED_ERR"},
        {"insert into attribute", [&] { attr->insertBefore(text.get(), nullptr); },
         L"HIERARCHY_REQUEST_ERR"},
        {"append to text", [&] { text->appendChild(comment.get()); }, L"'HIERERANCHI "},
        {"remove from comment", [&] { comment->removeChild(text.get()); }, L"'HIERERANCHI "},
        {"append to CDATA", [&] { cdata->appendChild(text.get()); }, L"'HIERERANCHI "},
        {"append to instruction", [&] { pi->appendChild(text.get()); }, L"'HIERERANCHI "},
        {"insert into text", [&] { text->insertBefore(comment.get(), nullptr); }, L"HIERERANCHI"},
        {"replace in instruction", [&] { pi->replaceChild(text.get(), comment.get()); },
         L"HIERERANCHI"},
        {"attribute of another document", [&] { root->setAttributeNode(foreignAttr.get()); },
         L"WRONG_DOCUMENT_ERR"},
        {"element below itself", [&] { child->appendChild(root); }, L"HIERARCHY_REQUEST_ERR"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(domError(row.op), row.text);
    }
    // The failed operations left the tree as it was.
    EXPECT_EQ(childNames(root), std::vector<std::wstring>{L"child"});
    EXPECT_EQ(doc->getDocumentElement(), root);
}

TEST(stXmlElementTest, AttributesKeepInsertionOrderAndReplaceByName) {
    auto doc = newDocument();
    std::unique_ptr<stXmlElement_c> e(doc->createElement(L"e"));
    EXPECT_FALSE(e->hasAttributes());
    e->setAttribute(L"b", L"1");
    e->setAttribute(L"a", L"2");
    e->setAttribute(L"b", L"3");
    stXmlNamedNodeMap_c* map = e->getAttributes();
    ASSERT_EQ(map->length(), 2);
    EXPECT_STREQ(map->item(0)->getNodeName(), L"b");
    EXPECT_STREQ(map->item(0)->getNodeValue(), L"3");
    EXPECT_STREQ(e->getAttribute(L"a"), L"2");
    EXPECT_EQ(e->getAttribute(L"zz"), nullptr);
    EXPECT_TRUE(e->hasAttributes());

    stXmlAttr_c* attr = doc->createAttribute(L"a");
    attr->setValue(L"new");
    std::unique_ptr<stXmlAttr_c> replaced(e->setAttributeNode(attr));
    ASSERT_NE(replaced, nullptr);
    EXPECT_STREQ(replaced->getValue(), L"2");
    EXPECT_EQ(replaced->getOwnerElement(), nullptr);
    EXPECT_EQ(attr->getOwnerElement(), e.get());
    EXPECT_STREQ(e->getAttribute(L"a"), L"new");
    replaced.reset();  // the name is found through the attribute that took its place
    EXPECT_STREQ(e->getAttribute(L"a"), L"new");

    std::unique_ptr<stXmlElement_c> other(doc->createElement(L"other"));
    EXPECT_EQ(domError([&] { other->setAttributeNode(attr); }), L"INUSE_ATTRIBUTE_ERR");

    e->removeAttribute(L"b");
    EXPECT_FALSE(e->hasAttribute(L"b"));
    std::unique_ptr<stXmlAttr_c> detached(e->removeAttributeNode(attr));
    EXPECT_EQ(detached.get(), attr);
    EXPECT_FALSE(e->hasAttributes());
}

TEST(stXmlElementTest, TextHelpersUseTheFirstTextChild) {
    auto doc = newDocument();
    std::unique_ptr<stXmlElement_c> e(doc->createElement(L"e"));
    EXPECT_EQ(e->getText(), nullptr);
    e->appendChild(doc->createElement(L"sub"));
    e->appendChild(doc->createTextNode(L"first"));
    e->appendChild(doc->createTextNode(L"second"));
    EXPECT_STREQ(e->getText(), L"first");
    e->setText(L"changed");
    EXPECT_STREQ(e->getFirstChild()->getNextSibling()->getNodeValue(), L"changed");

    std::unique_ptr<stXmlElement_c> empty(doc->createElement(L"empty"));
    empty->appendChild(doc->createCDATASection(L"cdata"));
    empty->setText(L"appended");
    EXPECT_EQ(empty->getLastChild()->getNodeType(), stXmlNode_c::TEXT_NODE);
    EXPECT_STREQ(empty->getText(), L"appended");
}

TEST(stXmlElementTest, NormalizeMergesAdjacentTextAndDropsEmptyText) {
    auto doc = newDocument();
    std::unique_ptr<stXmlElement_c> e(doc->createElement(L"e"));
    e->appendChild(doc->createTextNode(L"a"));
    e->appendChild(doc->createTextNode(L"b"));
    stXmlNode_c* sub = e->appendChild(doc->createElement(L"sub"));
    sub->appendChild(doc->createTextNode(L""));
    sub->appendChild(doc->createTextNode(L"x"));
    sub->appendChild(doc->createTextNode(L"y"));
    e->normalize();
    EXPECT_EQ(childNames(e.get()), (std::vector<std::wstring>{L"#text", L"sub"}));
    EXPECT_STREQ(e->getText(), L"ab");
    EXPECT_EQ(childNames(sub), std::vector<std::wstring>{L"#text"});
    EXPECT_STREQ(sub->getFirstChild()->getNodeValue(), L"xy");
}

TEST(stXmlElementTest, ElementsByTagNameFindsDescendantsInDocumentOrder) {
    auto doc = newDocument();
    stXmlElement_c* root = doc->createElement(L"P");
    doc->appendChild(root);
    stXmlNode_c* q = root->appendChild(doc->createElement(L"Q"));
    q->appendChild(doc->createElement(L"P"));
    root->appendChild(doc->createElement(L"P"));
    std::unique_ptr<stXmlNodeList_c> below(root->getElementsByTagName(L"P"));
    EXPECT_EQ(below->length(), 2);
    EXPECT_EQ(below->item(0)->getParentNode(), q);
    std::unique_ptr<stXmlNodeList_c> all(doc->getElementsByTagName(L"P"));
    EXPECT_EQ(all->length(), 3);
    EXPECT_EQ(all->item(0), root);
    EXPECT_EQ(all->item(3), nullptr);
    std::unique_ptr<stXmlNodeList_c> any(root->getElementsByTagName(L"*"));
    EXPECT_EQ(any->length(), 3);
}

TEST(stXmlNodeTest, CloneCopiesIntoTheSameDocumentWithoutParent) {
    auto doc = newDocument();
    stXmlElement_c* root = doc->createElement(L"root");
    doc->appendChild(root);
    root->setAttribute(L"k", L"v");
    root->appendChild(doc->createElement(L"child"))->appendChild(doc->createTextNode(L"t"));

    std::unique_ptr<stXmlNode_c> shallow(root->cloneNode(false));
    EXPECT_EQ(shallow->getOwnerDocument(), doc.get());
    EXPECT_EQ(shallow->getParentNode(), nullptr);
    EXPECT_FALSE(shallow->hasChildNodes());
    EXPECT_TRUE(shallow->hasAttributes());

    std::unique_ptr<stXmlNode_c> deep(root->cloneNode(true));
    ASSERT_TRUE(deep->hasChildNodes());
    EXPECT_STREQ(deep->getFirstChild()->getFirstChild()->getNodeValue(), L"t");
    dynamic_cast<stXmlElement_c*>(deep.get())->setAttribute(L"k", L"changed");
    EXPECT_STREQ(root->getAttribute(L"k"), L"v");

    std::unique_ptr<stXmlDocument_c> copy(dynamic_cast<stXmlDocument_c*>(doc->cloneNode(true)));
    ASSERT_NE(copy, nullptr);
    stXmlElement_c* copyRoot = copy->getDocumentElement();
    ASSERT_NE(copyRoot, nullptr);
    EXPECT_NE(copyRoot, root);
    EXPECT_EQ(copyRoot->getOwnerDocument(), copy.get());
    EXPECT_EQ(copyRoot->getFirstChild()->getOwnerDocument(), copy.get());
    EXPECT_STREQ(copyRoot->getAttribute(L"k"), L"v");
    EXPECT_FALSE(copy->isModified());
}

TEST(stXmlDocumentTest, ChangesSetTheFlagAndReachTheListeners) {
    auto doc = newDocument();
    tmpListener_c listener;
    doc->addListener(&listener);
    EXPECT_FALSE(doc->isModified());

    stXmlElement_c* root = doc->createElement(L"root");
    doc->appendChild(root);
    EXPECT_TRUE(doc->isModified());
    stXmlNode_c* tool = root->appendChild(doc->createElement(L"Tool"));
    root->setAttribute(L"a", L"1");
    delete root->removeChild(tool);
    EXPECT_EQ(listener.calls, (Calls{L"+root", L"changed", L"+Tool", L"changed", L"changed",
                                     L"-Tool", L"changed"}));

    doc->removeListener(&listener);
    root->setAttribute(L"a", L"2");
    EXPECT_EQ(listener.calls.size(), 7u);

    doc->addListener(&listener);
    doc.reset();
    EXPECT_EQ(listener.calls.back(), L"destroyed");
}

TEST(stXmlDocumentTest, AListenerMayRemoveAnotherDuringANotification) {
    tmpListener_c second;
    struct tmpRemover_c : stXmlDocListenerBase_c {
        stXmlDocListener_c* victim = nullptr;
        void onDocumentChanged(stXmlDocument_c* d) override { d->removeListener(victim); }
    } first;
    auto doc = newDocument();  // destroyed before its listeners
    first.victim = &second;
    doc->addListener(&first);
    doc->addListener(&second);
    doc->appendChild(doc->createElement(L"root"));
    EXPECT_EQ(second.calls, Calls{L"+root"});  // removed before its onDocumentChanged
}
