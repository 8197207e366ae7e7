#include <gtest/gtest.h>
#include <vemora.h>

#include <memory>
#include <string>
#include <vector>

#include "xmlFromText.h"
#include "xmlSnapshot.h"

using namespace Vemora;
using vemora_test::xmlFromText;
using vemora_test::xmlSnapshot;

namespace {

// Each node of a set as "name" (elements), "@name" (attributes) or "#text".
std::vector<std::wstring> namesOf(const stXmlNodeList_c& set) {
    std::vector<std::wstring> names;
    for (int i = 0; i < set.length(); ++i) {
        const stXmlNode_c* n = set.item(i);
        const std::wstring id =
            n->getNodeType() == stXmlNode_c::ELEMENT_NODE
                ? std::wstring(n->getNodeName()) +
                      (static_cast<const stXmlElement_c*>(n)->getAttribute(L"id")
                           ? std::wstring(L".") +
                                 static_cast<const stXmlElement_c*>(n)->getAttribute(L"id")
                           : L"")
            : n->getNodeType() == stXmlNode_c::ATTRIBUTE_NODE
                ? std::wstring(L"@") + n->getNodeName()
                : std::wstring(n->getNodeName());
        names.push_back(id);
    }
    return names;
}

std::vector<std::wstring> select(const stXmlElement_c& context, const wchar_t* path) {
    const std::unique_ptr<stXmlNodeSet_c> set(context.selectNodes(path));
    return namesOf(*set);
}

using Names = std::vector<std::wstring>;

constexpr const wchar_t* kTools =
    L"<Vemora version=\"1.1\">"
    L"<ToolConfigurations>"
    L"<Tool name=\"SPV\" id=\"t1\">"
    L"<Processor id=\"p1\"><Processor id=\"p2\"/></Processor>"
    L"<Processor id=\"p3\"><Name>Smooth</Name></Processor>"
    L"</Tool>"
    L"<Tool name=\"Outline\" id=\"t2\"><Processor id=\"p4\"/></Tool>"
    L"</ToolConfigurations>"
    L"<Vector><Refiner><MergeGaps>true</MergeGaps><Tolerance>2.5</Tolerance></Refiner>"
    L"<Count>42</Count></Vector>"
    L"</Vemora>";

}  // namespace

// ---------------------------------------------------------------------------
// Selection

TEST(stXmlXPathTest, PathsSelectTheNodesTheyName) {
    auto doc = xmlFromText(kTools);
    ASSERT_NE(doc, nullptr);
    const stXmlElement_c& root = *doc->getDocumentElement();
    struct Row {
        const char* name;
        const wchar_t* path;
        Names expected;
    };
    const Row rows[] = {
        {"empty path", L"", {}},
        {"child chain", L"ToolConfigurations\\Tool", {L"Tool.t1", L"Tool.t2"}},
        {"blanks between tokens",
         L" ToolConfigurations \\ Tool [ @name = \"Outline\" ] ",
         {L"Tool.t2"}},
        {"attribute value predicate", L"ToolConfigurations\\Tool[@name=\"SPV\"]", {L"Tool.t1"}},
        {"attribute existence", L"ToolConfigurations\\Tool[@id]", {L"Tool.t1", L"Tool.t2"}},
        {"element existence", L"ToolConfigurations\\Tool\\Processor[Name]", {L"Processor.p3"}},
        {"element value",
         L"ToolConfigurations\\Tool\\Processor[Name=\"Smooth\"]",
         {L"Processor.p3"}},
        {"element value differs", L"ToolConfigurations\\Tool\\Processor[Name=\"smooth\"]", {}},
        {"numeric predicate with blank",
         L"ToolConfigurations\\Tool\\Processor[1 ]",
         {L"Processor.p3"}},
        {"numeric predicate counts per context",
         L"ToolConfigurations\\Tool\\Processor[0 ]",
         {L"Processor.p1", L"Processor.p4"}},
        {"numeric predicate without blank ends the path before it",
         L"ToolConfigurations\\Tool\\Processor[1]",
         {L"Tool.t1", L"Tool.t2"}},
        {"star cannot start a path", L"*", {}},
        {"deep separator, deepest first",
         L"ToolConfigurations\\Tool[@name=\"SPV\"]\\\\Processor",
         {L"Processor.p2", L"Processor.p1", L"Processor.p3"}},
        {"deep star visits post-order",
         L"Vector\\\\*",
         {L"#text", L"MergeGaps", L"#text", L"Tolerance", L"Refiner", L"#text", L"Count"}},
        {"star selects every child", L"Vector\\Refiner\\*", {L"MergeGaps", L"Tolerance"}},
        {"dot is the context", L".", {L"Vemora"}},
        {"attribute of the context", L"@version", {L"@version"}},
        {"attribute after separator", L"ToolConfigurations\\Tool\\@name", {L"@name", L"@name"}},
        {"hyphen stops compiling, earlier steps stay", L"Vector\\Refiner-Gaps", {L"Refiner"}},
        {"leading hyphen leaves nothing", L"-Vector", {}},
        {"separator first is the root and stops at a name", L"\\ToolConfigurations", {L"Vemora"}},
        {"attribute needs a letter", L"Vector\\@1", {L"Vector"}},
        {"bad token after separator", L"Vector\\[", {L"Vector"}},
        {"bad token after deep separator", L"Vector\\\\@x", {L"Vector"}},
        {"missing bracket", L"ToolConfigurations\\Tool[@id", {L"ToolConfigurations"}},
        {"no value after equals", L"ToolConfigurations\\Tool[@id=]", {L"ToolConfigurations"}},
        {"case-sensitive names", L"vector", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(select(root, row.path), row.expected);
    }
}

TEST(stXmlXPathTest, ParentStepsAndDeduplication) {
    auto doc = xmlFromText(kTools);
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    auto* tool = dynamic_cast<stXmlElement_c*>(root.selectNode(L"ToolConfigurations\\Tool"));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->selectNode(L".."), root.selectNode(L"ToolConfigurations"));
    EXPECT_EQ(root.selectNode(L".."), doc.get());
    // Two routes reach the same parent; it is listed once.
    EXPECT_EQ(select(root, L"ToolConfigurations\\Tool\\.."), Names{L"ToolConfigurations"});
    EXPECT_EQ(select(root, L"ToolConfigurations\\\\.."),
              (Names{L"Processor.p1", L"Tool.t1", L"Name", L"Processor.p3", L"ToolConfigurations",
                     L"Tool.t2"}));
    // The numeric predicate needs its blank; without it the path is empty.
    EXPECT_STREQ(
        static_cast<stXmlElement_c*>(tool->selectNode(L"Processor[1 ]"))->getAttribute(L"id"),
        L"p3");
    EXPECT_EQ(tool->selectNode(L"Processor[1]"), nullptr);
    // A path from the root goes to the document element whatever the context.
    EXPECT_EQ(tool->selectNode(L"\\"), &root);
}

TEST(stXmlXPathTest, FirstMatchBacktracksToLaterCandidates) {
    auto doc = xmlFromText(L"<R><A><B/></A><A><B><C>found</C></B></A></R>");
    ASSERT_NE(doc, nullptr);
    const stXmlElement_c& root = *doc->getDocumentElement();
    EXPECT_STREQ(root.getValue(L"A\\B\\C"), L"found");
    EXPECT_STREQ(root.getValue(L"A[B]\\B\\C"), L"found");  // same answer off the fast path
    EXPECT_EQ(root.selectNode(L"A\\B\\D"), nullptr);
}

// ---------------------------------------------------------------------------
// Values

TEST(stXmlXPathTest, TypedReadersConvertTheFirstMatch) {
    auto doc = xmlFromText(kTools);
    ASSERT_NE(doc, nullptr);
    const stXmlElement_c& root = *doc->getDocumentElement();
    EXPECT_TRUE(root.getBoolValue(L"Vector\\Refiner\\MergeGaps"));
    EXPECT_DOUBLE_EQ(root.getDoubleValue(L"Vector\\Refiner\\Tolerance"), 2.5);
    EXPECT_EQ(root.getIntValue(L"Vector\\Count"), 42);
    EXPECT_STREQ(root.getValue(L"@version"), L"1.1");
    // Nothing matches: null text, hence 0, false and 0.0.
    EXPECT_EQ(root.getValue(L"Vector\\Missing"), nullptr);
    EXPECT_EQ(root.getIntValue(L"Vector\\Missing"), 0);
    EXPECT_FALSE(root.getBoolValue(L"Vector\\Missing"));
    EXPECT_EQ(root.getDoubleValue(L"Vector\\Missing"), 0.0);
    // An element without text reads as null.
    EXPECT_EQ(root.getValue(L"Vector\\Refiner"), nullptr);
}

TEST(stXmlXPathTest, SettersWriteTextsThatReadBackExactly) {
    auto doc = xmlFromText(L"<Processor/>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& e = *doc->getDocumentElement();
    e.setIntValue(L"level", -17);
    e.setBoolValue(L"Vector\\Recognizer\\RunRecognizer", false);
    e.setDoubleValue(L"tolerance", 0.1);
    e.setDoubleValue(L"big", 1e300);
    EXPECT_STREQ(e.getValue(L"level"), L"-17");
    EXPECT_STREQ(e.getValue(L"Vector\\Recognizer\\RunRecognizer"), L"false");
    EXPECT_STREQ(e.getValue(L"tolerance"), L"0.1");
    EXPECT_EQ(e.getIntValue(L"level"), -17);
    EXPECT_FALSE(e.getBoolValue(L"Vector\\Recognizer\\RunRecognizer"));
    EXPECT_EQ(e.getDoubleValue(L"tolerance"), 0.1);
    EXPECT_EQ(e.getDoubleValue(L"big"), 1e300);
    e.setBoolValue(L"Vector\\Recognizer\\RunRecognizer", true);
    EXPECT_TRUE(e.getBoolValue(L"Vector\\Recognizer\\RunRecognizer"));
    EXPECT_EQ(select(e, L"Vector\\Recognizer\\RunRecognizer").size(), 1u);
}

TEST(stXmlXPathTest, SetValueCreatesOnlyWhatIsMissing) {
    auto doc = xmlFromText(L"<Tool><General><Name>SPV</Name></General></Tool>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& tool = *doc->getDocumentElement();

    // "General" exists: only "Description" is made, inside it.
    tool.setValue(L"General\\Description", L"Sparse");
    EXPECT_EQ(select(tool, L".\\*"), Names{L"General"});
    EXPECT_EQ(select(tool, L"General\\*"), (Names{L"Name", L"Description"}));
    EXPECT_STREQ(tool.getValue(L"General\\Description"), L"Sparse");

    // A second call changes the text and makes nothing.
    tool.setValue(L"General\\Description", L"Sparse pixel");
    EXPECT_EQ(select(tool, L"General\\*"), (Names{L"Name", L"Description"}));
    EXPECT_STREQ(tool.getValue(L"General\\Description"), L"Sparse pixel");

    // Without "General" both are made.
    auto empty = xmlFromText(L"<Tool/>");
    ASSERT_NE(empty, nullptr);
    stXmlElement_c& bare = *empty->getDocumentElement();
    bare.setValue(L"General\\Description", L"Outline");
    EXPECT_EQ(select(bare, L".\\\\*"), (Names{L"#text", L"Description", L"General"}));
    EXPECT_TRUE(empty->isModified());
}

TEST(stXmlXPathTest, SelectOrCreateFollowsAndCreatesAsTheStepsAllow) {
    auto doc = xmlFromText(L"<R a=\"1\"><A><B/></A><A/><Plain/></R>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    stXmlNode_c* const firstA = root.getFirstChild();

    // An existing match is returned as it is.
    EXPECT_EQ(root.selectOrCreateNode(L"A\\B"), firstA->getFirstChild());
    // A missing tail is made below the first candidate.
    stXmlNode_c* c = root.selectOrCreateNode(L"A\\C");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->getParentNode(), firstA);
    // An attribute is made only on an element that already has one.
    EXPECT_NE(root.selectOrCreateNode(L"@b"), nullptr);
    EXPECT_STREQ(root.getAttribute(L"b"), L"");
    EXPECT_EQ(root.selectOrCreateNode(L"Plain\\@b"), nullptr);
    EXPECT_FALSE(root.selectNode(L"Plain")->hasAttributes());
    root.setValue(L"Plain\\@b", L"x");  // nothing results, nothing happens
    EXPECT_FALSE(root.selectNode(L"Plain")->hasAttributes());
    root.setValue(L"@a", L"2");
    EXPECT_STREQ(root.getAttribute(L"a"), L"2");
    // An empty path makes nothing.
    EXPECT_EQ(root.selectOrCreateNode(L""), nullptr);
    EXPECT_EQ(root.selectOrCreateNode(L"-A"), nullptr);
}

// Regression: a walk that led nowhere left what it had made in the document, and descendant
// steps found the nodes made by earlier steps and made more below each (a 27-character path
// made four million elements before the evaluation gave up).
TEST(stXmlXPathTest, AFailedSetValueChangesNothing) {
    std::wstring text = L"<R a=\"1\">t<A/><B/>";
    for (int i = 0; i < 40; ++i) text += L"<a/>";
    text += L"</R>";
    auto doc = xmlFromText(text.c_str());
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    vemora_test::tmpCountingXmlListener_c listener;
    doc->addListener(&listener);
    const std::wstring before = xmlSnapshot(&root);
    const wchar_t* const paths[] = {
        L"B\\C\\@x",  // no attribute can be made on a new element
        L"A\\\\..\\\\..\\B\\\\B\\A\\\\A\\\\B\\A\\@x",
        L"A\\\\..\\\\..\\B\\A\\B\\B\\A\\A\\A\\\\*\\A\\@x",
        L"@l\\..\\@l",   // an attribute has no parent, made or not (found by fuzzing)
        L"Y\\..\\*\\C",  // no element can be made below text
        L"Y\\..\\\\..\\\\..\\\\..\\\\..\\C\\@x",  // runs out of its budget
    };
    for (const wchar_t* path : paths) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(path)));
        try {
            root.setValue(path, L"v");
        } catch (const stXmlDOMException_c& e) {
            EXPECT_STREQ(e.description(), L"XPath");
        }
        EXPECT_EQ(xmlSnapshot(&root), before);
        EXPECT_FALSE(doc->isModified());
        EXPECT_EQ(listener.calls, 0);
    }
    doc->removeListener(&listener);
}

// Only the nodes made on the way to the result enter the document.
TEST(stXmlXPathTest, SelectOrCreateKeepsOnlyTheRouteItTook) {
    auto doc = xmlFromText(L"<R><X/><X b=\"1\"/></R>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    root.setValue(L"X\\Y\\..\\@c", L"v");  // the first X carries no attribute: no way on there
    EXPECT_EQ(
        xmlSnapshot(&root),
        xmlSnapshot(xmlFromText(L"<R><X/><X b=\"1\" c=\"v\"><Y/></X></R>")->getDocumentElement()));
}

// Regression: an element whose own name is the first step must not write into itself.
TEST(stXmlXPathTest, SelectOrCreateMakesAChildNamedLikeTheContext) {
    auto doc = xmlFromText(L"<Vector/>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    root.setIntValue(L"Vector", 3);
    ASSERT_NE(root.getFirstChild(), nullptr);
    EXPECT_EQ(root.getFirstChild()->getNodeType(), stXmlNode_c::ELEMENT_NODE);
    EXPECT_STREQ(root.getFirstChild()->getNodeName(), L"Vector");
    EXPECT_EQ(root.getIntValue(L"Vector"), 3);
}

TEST(stXmlXPathTest, EvaluationFailuresSurfaceAsXPath) {
    auto doc = xmlFromText(L"<R><A>text</A></R>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    // The star step reaches the text node; an element cannot be made below it.
    try {
        root.selectOrCreateNode(L"A\\*\\B");
        FAIL() << "no exception";
    } catch (const stXmlDOMException_c& e) {
        EXPECT_STREQ(e.description(), L"XPath");
    }
}

// ---------------------------------------------------------------------------
// Building blocks

TEST(stXmlXPathTest, IteratorsStartOverAfterTheirEnd) {
    auto doc = xmlFromText(L"<R><A><B/></A><C/></R>");
    ASSERT_NE(doc, nullptr);
    stXmlNode_c* root = doc->getDocumentElement();
    stXmlDeepChildrenIterator_c deep;
    deep.reset(root);
    std::vector<std::wstring> order;
    for (int i = 0; i < 5; ++i) {
        stXmlNode_c* n = deep.next();
        order.push_back(n ? n->getNodeName() : L"-");
        if (n) {
            EXPECT_EQ(deep.current(), n);
        }
    }
    EXPECT_EQ(order, (Names{L"B", L"A", L"C", L"-", L"B"}));

    stXmlRootIterator_c rootIt;
    rootIt.reset(root->getFirstChild()->getFirstChild());
    EXPECT_EQ(rootIt.next(), root);
    EXPECT_EQ(rootIt.next(), nullptr);
    EXPECT_EQ(rootIt.next(), root);
}

TEST(stXmlXPathTest, NumericPredicateCountsEveryOfferedCandidate) {
    std::unique_ptr<stXmlXPathPredicate_c> second(stXmlXPathFactory_c::createNumericPredicate(1));
    EXPECT_FALSE(second->match(nullptr));
    EXPECT_TRUE(second->match(nullptr));
    EXPECT_FALSE(second->match(nullptr));
    second->reset();
    EXPECT_FALSE(second->match(nullptr));
    EXPECT_TRUE(second->match(nullptr));
}

// A path of a hundred thousand steps is compiled and walked without recursion.
TEST(stXmlXPathTest, LongPathsOnDeepTrees) {
    constexpr int kDepth = 100000;
    std::unique_ptr<stXmlDocument_c> doc(
        stXmlDOMImplementation_c::createDOMImplementation(nullptr)->createDocument());
    stXmlElement_c* const root = doc->createElement(L"R");
    doc->appendChild(root);
    std::wstring path;
    for (int i = 0; i < kDepth; ++i) path += i ? L"\\a" : L"a";
    root->setIntValue(path.c_str(), 5);
    EXPECT_EQ(root->getIntValue(path.c_str()), 5);
    std::wstring predicated = L"a[a]" + path.substr(1);
    EXPECT_EQ(root->getIntValue(predicated.c_str()), 5);
    const std::unique_ptr<stXmlNodeSet_c> all(root->selectNodes(L".\\\\a"));
    EXPECT_EQ(all->length(), kDepth);
}

// Descendant steps in a row multiply; past a fixed amount of work the evaluation fails instead
// of running for hours (found by fuzzing).
TEST(stXmlXPathTest, RunawayEvaluationFailsAsXPath) {
    std::wstring text = L"<R>";
    for (int i = 0; i < 40; ++i) text += L"<a/>";
    text += L"</R>";
    auto doc = xmlFromText(text.c_str());
    ASSERT_NE(doc, nullptr);
    const stXmlElement_c& root = *doc->getDocumentElement();
    EXPECT_EQ(select(root, L".\\\\*\\..").size(), 1u);  // 40 routes to one parent
    try {
        const std::unique_ptr<stXmlNodeSet_c> set(
            root.selectNodes(L".\\\\..\\\\..\\\\..\\\\..\\\\..\\\\*"));
        FAIL() << "no exception";
    } catch (const stXmlDOMException_c& e) {
        EXPECT_STREQ(e.description(), L"XPath");
    }
}
