#include <gtest/gtest.h>
#include <vemora.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "xmlFromText.h"
#include "xmlTestFiles.h"

using namespace Vemora;
using vemora_test::xmlFromFile;
using vemora_test::xmlFromText;

namespace {

std::unique_ptr<stXmlDocument_c> newDocument() {
    return std::unique_ptr<stXmlDocument_c>(
        stXmlDOMImplementation_c::createDOMImplementation(nullptr)->createDocument());
}

std::wstring nested(int depth) {
    std::wstring text;
    for (int i = 0; i < depth; ++i) text += L"<a>";
    text += L"x";
    for (int i = 0; i < depth; ++i) text += L"</a>";
    return text;
}

// A chain of depth elements "a" below a root "R", the last holding the text "x".
std::unique_ptr<stXmlDocument_c> deepDocument(int depth) {
    auto doc = newDocument();
    stXmlNode_c* at = doc->appendChild(doc->createElement(L"R"));
    for (int i = 1; i < depth; ++i) at = at->appendChild(doc->createElement(L"a"));
    at->appendChild(doc->createTextNode(L"x"));
    return doc;
}

// Compares two subtrees node by node: kinds, names, values and attributes in order.
void expectSameTree(const stXmlNode_c& a, const stXmlNode_c& b) {
    const stXmlNode_c* x = &a;
    const stXmlNode_c* y = &b;
    while (x && y) {
        ASSERT_EQ(x->getNodeType(), y->getNodeType());
        ASSERT_STREQ(x->getNodeName(), y->getNodeName());
        ASSERT_STREQ(x->getNodeValue(), y->getNodeValue());
        const stXmlNamedNodeMap_c* xa = x->getAttributes();
        const stXmlNamedNodeMap_c* ya = y->getAttributes();
        ASSERT_EQ(xa == nullptr, ya == nullptr);
        for (int i = 0; xa && i < std::max(xa->length(), ya->length()); ++i) {
            ASSERT_NE(xa->item(i), nullptr);
            ASSERT_NE(ya->item(i), nullptr);
            EXPECT_STREQ(xa->item(i)->getNodeName(), ya->item(i)->getNodeName());
            EXPECT_STREQ(xa->item(i)->getNodeValue(), ya->item(i)->getNodeValue());
        }
        ASSERT_EQ(x->getFirstChild() == nullptr, y->getFirstChild() == nullptr);
        if (x->getFirstChild()) {
            x = x->getFirstChild();
            y = y->getFirstChild();
            continue;
        }
        while (x != &a && !x->getNextSibling()) {
            ASSERT_EQ(y->getNextSibling(), nullptr);
            x = x->getParentNode();
            y = y->getParentNode();
        }
        if (x == &a) return;
        ASSERT_NE(y->getNextSibling(), nullptr);
        x = x->getNextSibling();
        y = y->getNextSibling();
    }
}

}  // namespace

TEST(stXmlDocumentRoundTripTest, EveryNodeKindSurvivesSaveAndParse) {
    auto doc = xmlFromText(
        L"<Vemora version=\"1.1\" quote=\"say &quot;hi&quot;\" amp=\"a&amp;b\" "
        L"text=\"\u00e9t\u00e9 \u4e2d\u6587\">"
        L"<!-- a comment \u00fc -->"
        L"<Tool name=\"SPV\"><Description>Sparse &amp; fast &lt;1&gt; "
        L"\u00c5ngstr\u00f6m</Description>"
        L"<?marker a=\"1\" b=\"x&quot;y\"?></Tool>"
        L"<Empty/>"
        L"</Vemora>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    EXPECT_STREQ(root.getAttribute(L"quote"), L"say \"hi\"");
    EXPECT_STREQ(root.getAttribute(L"amp"), L"a&amp;b");  // only "quot" is turned back
    // Attributes set in code with quotes and ampersands, and a CDATA section the writer drops.
    root.setAttribute(L"code", L"\"q\" & 'a'");
    root.selectNode(L"Empty")->appendChild(doc->createCDATASection(L"dropped"));

    tmpXmlTempFile_c file("roundtrip");
    ASSERT_TRUE(doc->save(file.wide()));
    auto back = xmlFromFile(file.wide());
    ASSERT_NE(back, nullptr);
    delete root.selectNode(L"Empty")->removeChild(root.selectNode(L"Empty")->getFirstChild());
    expectSameTree(*doc->getDocumentElement(), *back->getDocumentElement());
    EXPECT_STREQ(back->getDocumentElement()->getAttribute(L"code"), L"\"q\" & 'a'");
}

TEST(stXmlDocumentDepthTest, ReaderAcceptsTenThousandLevelsAndRefusesMore) {
    auto accepted = xmlFromText(nested(10000));
    ASSERT_NE(accepted, nullptr);
    EXPECT_EQ(xmlFromText(nested(10001)), nullptr);

    // A file of a hundred thousand levels is refused like any structural fault.
    tmpXmlTempFile_c file("deep");
    std::string bytes;
    for (int i = 0; i < 100000; ++i) bytes += "<a>";
    for (int i = 0; i < 100000; ++i) bytes += "</a>";
    file.writeBytes(bytes);
    EXPECT_EQ(xmlFromFile(file.wide()), nullptr);

    const std::unique_ptr<stXmlSaxParser_c> sax(stXmlSaxParser_c::createParser(nullptr));
    try {
        sax->parseFile(file.wide(), nullptr);
        FAIL() << "no exception";
    } catch (const stXmlSaxException_c& e) {
        EXPECT_STREQ(e.description(), L"Fatal error in internalParse@stXmlSaxParserImpl_c");
    }
}

TEST(stXmlDocumentDepthTest, DeepTreesBuiltInCodeCopyNormaliseSearchAndDie) {
    auto doc = deepDocument(100000);
    stXmlElement_c* root = doc->getDocumentElement();
    std::unique_ptr<stXmlNode_c> copy(root->cloneNode(true));
    const std::unique_ptr<stXmlNodeList_c> as(
        dynamic_cast<stXmlElement_c&>(*copy).getElementsByTagName(L"a"));
    EXPECT_EQ(as->length(), 99999);
    std::unique_ptr<stXmlNode_c> whole(doc->cloneNode(true));
    root->normalize();
    const std::unique_ptr<stXmlNodeSet_c> texts(root->selectNodes(L".\\\\*"));
    EXPECT_EQ(texts->length(), 100000);  // 99,999 elements and the text
    // Too deep to be read back: save refuses and leaves no file.
    tmpXmlTempFile_c file("deep");
    EXPECT_FALSE(doc->save(file.wide()));
    EXPECT_TRUE(file.readBytes().empty());
    EXPECT_TRUE(doc->isModified());
}

TEST(stXmlDocumentDepthTest, SaveRefusesOnlyTreesTooDeepToReadBack) {
    auto doc = deepDocument(1000);
    tmpXmlTempFile_c file("deep");
    ASSERT_TRUE(doc->save(file.wide()));
    auto back = xmlFromFile(file.wide());
    ASSERT_NE(back, nullptr);
    expectSameTree(*doc->getDocumentElement(), *back->getDocumentElement());

    auto over = deepDocument(10001);
    EXPECT_FALSE(over->save(file.wide()));
}
