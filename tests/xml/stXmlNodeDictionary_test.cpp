#include <gtest/gtest.h>
#include <vemora.h>

#include <memory>
#include <string>

#include "xmlFromText.h"
#include "xmlTestFiles.h"

using namespace Vemora;
using vemora_test::xmlFromFile;
using vemora_test::xmlFromText;

TEST(stXmlElementDictionaryTest, EntriesSurviveWritingSavingAndReading) {
    utDictionary_c nested;
    nested.setBool(L"Visible", true);
    utDictionary_c d;
    d.setInt(L"Count", 1);
    d.setString(L"Name", L"Pen & \"ink\" <b> \u00e9\u4e2d");
    d.setDouble(L"Scale", 0.65);
    d.setDictionary(L"Empty", nullptr);
    d.setDictionary(L"Gui", &nested);
    d.set(L"Nothing", utValue_c());
    d.setInt(L"Zed", -4);  // after the nested dictionaries: written back at the outer level

    tmpXmlTempFile_c file("dictionary");
    {
        auto doc = xmlFromText(L"<Vemora/>");
        ASSERT_NE(doc, nullptr);
        doc->getDocumentElement()->setDictionaryValue(L"Dictionary", d);
        ASSERT_TRUE(doc->save(file.wide()));
    }
    auto doc = xmlFromFile(file.wide());
    ASSERT_NE(doc, nullptr);
    const stXmlElement_c& root = *doc->getDocumentElement();
    EXPECT_STREQ(root.getValue(L"Dictionary\\Count\\@type"), L"int");
    EXPECT_EQ(root.selectNode(L"Dictionary\\Name\\@type"), nullptr);
    EXPECT_EQ(root.selectNode(L"Dictionary\\Nothing"), nullptr);
    EXPECT_EQ(root.selectNode(L"Dictionary\\Gui\\Zed"), nullptr);

    utDictionary_c back;
    back.setInt(L"Kept", 9);
    root.getDictionaryValue(L"Dictionary", back);
    EXPECT_EQ(back.get(L"Count").getType(), utValue_c::intType);
    EXPECT_EQ(back.getInt(L"Count", 0), 1);
    EXPECT_EQ(back.get(L"Name").getType(), utValue_c::stringType);
    EXPECT_STREQ(back.getString(L"Name", nullptr), L"Pen & \"ink\" <b> \u00e9\u4e2d");
    EXPECT_EQ(back.get(L"Scale").getType(), utValue_c::doubleType);
    EXPECT_EQ(back.getDouble(L"Scale", 0.0), 0.65);
    EXPECT_EQ(back.get(L"Empty").getType(), utValue_c::dictionaryType);
    const utDictionary_c* gui =
        back.getDictionary(L"Gui", static_cast<const utDictionary_c*>(nullptr));
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->getBool(L"Visible", false));
    EXPECT_EQ(back.getInt(L"Zed", 0), -4);
    EXPECT_EQ(back.getInt(L"Kept", 0), 9);       // not cleared first
    EXPECT_EQ(back.getInt(L"Nothing", 77), 77);  // null entries are not stored
}

TEST(stXmlElementDictionaryTest, ReadingDecidesTypesByTheTypeAttribute) {
    auto doc = xmlFromText(
        L"<D>"
        L"<b type=\"bool\">Yes</b><i type=\"int\">12abc</i><r type=\"double\">2.5e1</r>"
        L"<s type=\"string\">text</s><u>plain</u><e></e>"
        L"<o type=\"object\">1</o><x type=\"unknown\">1</x><t><child/></t>"
        L"<n type=\"dictionary\"><k type=\"int\">7</k></n>"
        L"</D>");
    ASSERT_NE(doc, nullptr);
    utDictionary_c d;
    doc->getDocumentElement()->getDictionaryValue(L".", d);
    EXPECT_TRUE(d.getBool(L"b", false));
    EXPECT_EQ(d.getInt(L"i", 0), 12);
    EXPECT_EQ(d.getDouble(L"r", 0.0), 25.0);
    EXPECT_STREQ(d.getString(L"s", nullptr), L"text");
    EXPECT_STREQ(d.getString(L"u", nullptr), L"plain");
    EXPECT_EQ(d.get(L"e").getType(), utValue_c::stringType);
    for (const wchar_t* skipped : {L"o", L"x", L"t"}) {
        SCOPED_TRACE(std::string(skipped, skipped + 1));
        EXPECT_EQ(d.getInt(skipped, -1), -1);
    }
    const utDictionary_c* n = d.getDictionary(L"n", static_cast<const utDictionary_c*>(nullptr));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->getInt(L"k", 0), 7);

    // A path that selects no element leaves the dictionary alone.
    utDictionary_c untouched;
    doc->getDocumentElement()->getDictionaryValue(L"Missing", untouched);
    doc->getDocumentElement()->getDictionaryValue(L"b\\@type", untouched);
    EXPECT_FALSE(untouched.changed());
}

TEST(stXmlElementDictionaryTest, WritingUpdatesExistingChildrenAndKeepsOthers) {
    auto doc = xmlFromText(
        L"<D><Count type=\"int\">5</Count><Other>x</Other><Name type=\"string\">a</Name></D>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    utDictionary_c d;
    d.setInt(L"Count", 6);
    d.setString(L"Name", L"b");
    root.setDictionaryValue(L".", d);
    EXPECT_EQ(root.getIntValue(L"Count"), 6);
    EXPECT_STREQ(root.getValue(L"Other"), L"x");
    EXPECT_STREQ(root.getValue(L"Name\\@type"), L"string");  // left as it was
    const std::unique_ptr<stXmlNodeSet_c> children(root.selectNodes(L".\\*"));
    EXPECT_EQ(children->length(), 3);
}

// Regression: keys are names, not paths. A key with a backslash or a hyphen used to be walked as a
// path and land elsewhere (or nowhere), losing the entry.
TEST(stXmlElementDictionaryTest, KeysAreTagNamesNotPaths) {
    auto doc = xmlFromText(L"<Settings/>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c& root = *doc->getDocumentElement();
    utDictionary_c d;
    d.setInt(L"Vector\\Refiner", 1);
    d.setInt(L"line-width", 2);
    d.setInt(L"Settings", 3);   // the element's own name
    d.setInt(L"has blank", 4);  // cannot be a tag name: skipped
    d.setInt(L"", 5);
    root.setDictionaryValue(L".", d);
    EXPECT_EQ(root.getText(), nullptr);  // nothing written into the element itself
    tmpXmlTempFile_c file("keys");
    ASSERT_TRUE(doc->save(file.wide()));
    auto reread = xmlFromFile(file.wide());
    ASSERT_NE(reread, nullptr);
    utDictionary_c back;
    reread->getDocumentElement()->getDictionaryValue(L".", back);
    EXPECT_EQ(back.getInt(L"Vector\\Refiner", 0), 1);
    EXPECT_EQ(back.getInt(L"line-width", 0), 2);
    EXPECT_EQ(back.getInt(L"Settings", 0), 3);
    EXPECT_EQ(back.getInt(L"has blank", 0), 0);
    EXPECT_EQ(back.getInt(L"", 0), 0);
}
