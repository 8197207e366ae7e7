#include <gtest/gtest.h>
#include <vemora.h>

#include <memory>
#include <string>

#include "xmlFromText.h"
#include "xmlTestFiles.h"

using namespace Vemora;
using vemora_test::xmlFromFile;
using vemora_test::xmlFromText;

TEST(stXmlParserTest, BuildsTheTreeFromTheReadersEvents) {
    auto doc = xmlFromText(
        L"<?xml version=\"1.0\"?>\n"
        L"<Vemora version=\"1.1\">\n"
        L"  <!-- tools -->\n"
        L"  <Tool name=\"SPV\"><General><Description>Sparse &amp; fast</Description></General>"
        L"<?marker a=\"1\"?></Tool>\n"
        L"</Vemora>");
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->isModified());
    stXmlElement_c* root = doc->getDocumentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(doc->getFirstChild(), root);  // the XML declaration is dropped
    EXPECT_EQ(root->getFirstChild()->getNodeType(), stXmlNode_c::COMMENT_NODE);
    EXPECT_STREQ(root->getFirstChild()->getNodeValue(), L"tools ");
    stXmlNode_c* tool = root->getLastChild();
    ASSERT_NE(tool, nullptr);
    EXPECT_STREQ(dynamic_cast<stXmlElement_c*>(tool)->getAttribute(L"name"), L"SPV");
    auto* description = dynamic_cast<stXmlElement_c*>(tool->getFirstChild()->getFirstChild());
    ASSERT_NE(description, nullptr);
    EXPECT_STREQ(description->getText(), L"Sparse & fast");
    EXPECT_EQ(tool->getLastChild()->getNodeType(), stXmlNode_c::PROCESSING_INSTRUCTION_NODE);
    EXPECT_STREQ(tool->getLastChild()->getNodeName(), L"marker");
}

TEST(stXmlParserTest, UnreadableInputYieldsNoDocument) {
    struct Row {
        const char* name;
        const wchar_t* text;
    };
    const Row rows[] = {
        {"root not closed", L"<Vemora><Tool></Tool>"},
        {"mismatched end tag", L"<Vemora><Tool></Tol></Vemora>"},
        {"stray closer", L"<Vemora>></Vemora>"},
        {"no root element", L"<?xml version=\"1.0\"?>"},
        {"empty", L""},
        // Regression (found by fuzzing): the refused second element leaked.
        {"second top-level element", L"<A/><B>text</B>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(xmlFromText(row.text), nullptr);
    }
    const std::unique_ptr<stXmlParser_c> parser(stXmlParser_c::createParser(nullptr));
    EXPECT_EQ(parser->parse(L"/nonexistent/orvexconfig.xml"), nullptr);
}

TEST(stXmlDocumentTest, SaveWritesTheTreeAndSkipsCDATA) {
    auto doc = xmlFromText(
        L"<Vemora version=\"1.1\"><A>text</A><B><C/>tail<!--note--></B><?pi k=\"v\"?></Vemora>");
    ASSERT_NE(doc, nullptr);
    doc->getDocumentElement()->appendChild(doc->createCDATASection(L"hidden"));
    const tmpXmlTempFile_c file("saved");
    ASSERT_TRUE(doc->save(file.wide()));
    EXPECT_EQ(maskTimeStamp(file.readBytes()),
              "<?xml version=\"1.0\"?>\n"
              "<!--Written by stXmlSaxWriterImpl_c on <STAMP>-->\n"
              "<Vemora version=\"1.1\" >\n"
              "  <A >text</A>\n"
              "  <B >\n"
              "    <C ></C>tail\n"
              "    <!--note-->\n"
              "  </B>\n"
              "  <?pi k=\"v\" ?>\n"
              "</Vemora>");
}

TEST(stXmlDocumentTest, SaveClearsTheModificationFlagOnlyWhenItSucceeds) {
    auto doc = xmlFromText(L"<Vemora/>");
    ASSERT_NE(doc, nullptr);
    doc->getDocumentElement()->setAttribute(L"version", L"1.1");
    EXPECT_TRUE(doc->isModified());
    EXPECT_FALSE(doc->save(L"/nonexistent/dir/orvexconfig.xml"));
    EXPECT_TRUE(doc->isModified());
    const tmpXmlTempFile_c file("saved");
    file.writeBytes("previous settings");
    EXPECT_TRUE(doc->save(file.wide()));
    EXPECT_FALSE(doc->isModified());
    EXPECT_NE(file.readBytes().find("<Vemora version=\"1.1\" >"), std::string::npos);
    EXPECT_FALSE(std::ifstream(file.narrow() + ".part").good());  // no partial file left
}

TEST(stXmlDocumentTest, SettingsSurviveASaveAndLoad) {
    auto doc = std::unique_ptr<stXmlDocument_c>(
        stXmlDOMImplementation_c::createDOMImplementation(nullptr)->createDocument());
    stXmlElement_c* root = doc->createElement(L"Vemora");
    doc->appendChild(root);
    root->setAttribute(L"name", L"Ø \"quoted\" a=b > c &amp;");
    root->setAttribute(L"empty", L"");
    stXmlElement_c* text = doc->createElement(L"Scale");
    root->appendChild(text);
    text->setText(L"Maßstab 1:50 – Ø <1&2> ÿ 日本");
    root->appendChild(doc->createProcessingInstruction(L"pi", L"k=\"v w\""));

    const tmpXmlTempFile_c file("roundtrip");
    ASSERT_TRUE(doc->save(file.wide()));
    auto again = xmlFromFile(file.wide());
    ASSERT_NE(again, nullptr);
    stXmlElement_c* root2 = again->getDocumentElement();
    EXPECT_STREQ(root2->getAttribute(L"name"), L"Ø \"quoted\" a=b > c &amp;");
    EXPECT_STREQ(root2->getAttribute(L"empty"), L"");
    auto* scale = dynamic_cast<stXmlElement_c*>(root2->getFirstChild());
    ASSERT_NE(scale, nullptr);
    EXPECT_STREQ(scale->getText(), L"Maßstab 1:50 – Ø <1&2> ÿ 日本");
    ASSERT_NE(root2->getLastChild(), nullptr);
    EXPECT_STREQ(root2->getLastChild()->getNodeValue(), L"k=\"v w\"");

    // Saving the read document again gives the same bytes apart from the time stamp.
    const tmpXmlTempFile_c second("second");
    ASSERT_TRUE(again->save(second.wide()));
    EXPECT_EQ(maskTimeStamp(second.readBytes()), maskTimeStamp(file.readBytes()));
}

TEST(stXmlParserTest, ReadsAFileOfTheSingleByteForm) {
    const tmpXmlTempFile_c file("latin1");
    file.writeBytes("<?xml version=\"1.0\"?>\n<Vemora n=\"\xD8\"><S>Ma\xDFstab 1:50</S></Vemora>");
    auto doc = xmlFromFile(file.wide());
    ASSERT_NE(doc, nullptr);
    EXPECT_STREQ(doc->getDocumentElement()->getAttribute(L"n"), L"Ø");
    auto* s = dynamic_cast<stXmlElement_c*>(doc->getDocumentElement()->getFirstChild());
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->getText(), L"Maßstab 1:50");
}

// Regression: every attribute of a tag was looked for among the ones before it, so a tag of
// 200,000 attributes took minutes to read and again to copy.
TEST(stXmlParserTest, ATagOfManyAttributesKeepsTheirOrderThroughReadCopyAndSave) {
    constexpr int kCount = 200000;
    std::wstring text = L"<R";
    std::string saved =
        "<?xml version=\"1.0\"?>\n<!--Written by stXmlSaxWriterImpl_c on <STAMP>-->\n<R ";
    for (int i = 0; i < kCount; ++i) {
        const std::string value = i ? std::to_string(i) : "again";
        text += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
        saved += "a" + std::to_string(i) + "=\"" + value + "\" ";
    }
    text += L" a0=\"again\"/>";  // a repeated name replaces the value in its first place
    saved += "></R>";
    auto doc = xmlFromText(text.c_str());
    ASSERT_NE(doc, nullptr);
    const std::unique_ptr<stXmlNode_c> copy(doc->getDocumentElement()->cloneNode(true));
    const stXmlNamedNodeMap_c* attrs = copy->getAttributes();
    ASSERT_EQ(attrs->length(), kCount);
    EXPECT_STREQ(attrs->item(0)->getNodeValue(), L"again");
    EXPECT_STREQ(attrs->item(kCount - 1)->getNodeName(), L"a199999");
    EXPECT_STREQ(attrs->getNamedItem(L"a123456")->getNodeValue(), L"123456");
    const tmpXmlTempFile_c file("many");
    ASSERT_TRUE(doc->save(file.wide()));
    EXPECT_EQ(maskTimeStamp(file.readBytes()), saved);
}
