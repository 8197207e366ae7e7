// The configuration document: its empty form, tool configurations, and what load and save keep.

#include <vemora.h>

#include <gtest/gtest.h>

#include <string>

#include "xmlTestFiles.h"

using namespace Vemora;

namespace {

const char* const kTwoTools =
    "<Vemora version=\"1.1\">"
    "<ToolDefinitions>"
    "<Tool name=\"SPV\"><General><Description>tracer</Description></General>"
    "<Algorithm><Processor processorName=\"SpvAlgorithm\" name=\"a\"/></Algorithm></Tool>"
    "<Other name=\"SPV\"/>"
    "<Tool name=\"Plain\"/>"
    "</ToolDefinitions>"
    "<ToolConfigurations/>"
    "<Dictionary><CurrentTool>Plain</CurrentTool><Count type=\"int\">3</Count>"
    "<Foreign type=\"object\">kept</Foreign>"
    "<GuiSettings type=\"dictionary\"><Zoom type=\"double\">1.5</Zoom></GuiSettings>"
    "</Dictionary>"
    "</Vemora>";

// A configuration loaded from text written to its own file.
struct Loaded {
    explicit Loaded(const char* text, const char* tag = "conf") : file(tag) {
        file.writeBytes(text);
        EXPECT_TRUE(conf.load(file.wide()));
    }
    tmpXmlTempFile_c file;
    stEngineConfiguration_c conf;
};

stEngineConfiguration_c reloaded(const tmpXmlTempFile_c& file) {
    stEngineConfiguration_c c;
    EXPECT_TRUE(c.load(file.wide()));
    return c;
}

}  // namespace

TEST(stEngineConfigurationTest, EmptyConfigurationHoldsOnlyTheCurrentTool) {
    stEngineConfiguration_c conf;
    const stXmlElement_c* root = conf.document()->getDocumentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->getTagName(), L"Vemora");
    EXPECT_STREQ(root->getAttribute(L"version"), L"1.1");
    EXPECT_NE(root->selectNode(L"ToolDefinitions"), nullptr);
    EXPECT_NE(root->selectNode(L"ToolConfigurations"), nullptr);
    EXPECT_STREQ(root->getValue(L"Dictionary\\CurrentTool"), L"SPV");
    EXPECT_EQ(conf.countTools(), 0);
    EXPECT_EQ(conf.fileName(), nullptr);
    // Regression: the current tool was only in the document, not in the dictionary.
    EXPECT_STREQ(conf.getString(L"CurrentTool", nullptr), L"SPV");
    EXPECT_FALSE(conf.changed());
}

TEST(stEngineConfigurationTest, ToolsAreFoundByTagAndNameOnly) {
    Loaded l(kTwoTools);
    EXPECT_EQ(l.conf.countTools(), 2);
    EXPECT_STREQ(l.conf.toolDefinitionAt(1)->getAttribute(L"name"), L"Plain");
    EXPECT_EQ(l.conf.toolDefinitionAt(2), nullptr);
    EXPECT_STREQ(l.conf.toolDefinitionByName(L"SPV")->getTagName(), L"Tool");
    EXPECT_EQ(l.conf.toolDefinitionByName(L"spv"), nullptr);
    EXPECT_STREQ(l.conf.getString(L"CurrentTool", nullptr), L"Plain");
    EXPECT_EQ(l.conf.guiSettings().getDouble(L"Zoom", 0.0), 1.5);
}

TEST(stEngineConfigurationTest, ConfigurationsAreMadeResetAndPromoted) {
    Loaded l(kTwoTools);
    stEngineConfiguration_c& c = l.conf;
    EXPECT_EQ(c.toolConfigurationByName(L"SPV", nullptr), nullptr);  // no fallback to the tool
    EXPECT_EQ(c.makeToolConfiguration(L"Missing", nullptr), nullptr);

    stXmlElement_c* made = c.makeToolConfiguration(L"SPV", nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->getAttribute(L"confName"), L"Default");
    EXPECT_STREQ(made->getValue(L"General\\Description"), L"tracer");
    EXPECT_EQ(c.makeToolConfiguration(L"SPV", L"Default"), made);
    EXPECT_EQ(c.toolConfigurationByName(L"SPV", L"Default"), made);

    made->setValue(L"General\\Description", L"edited");
    c.resetToolConfiguration(L"SPV", nullptr);
    EXPECT_STREQ(made->getValue(L"General\\Description"), L"tracer");

    made->setValue(L"General\\Description", L"promoted");
    c.updateToolDefinitionFromConfiguration(L"SPV", nullptr);
    const stXmlElement_c* tool = c.toolDefinitionByName(L"SPV");
    ASSERT_NE(tool, nullptr);
    EXPECT_STREQ(tool->getValue(L"General\\Description"), L"promoted");
    EXPECT_NE(tool->selectNode(L"Algorithm\\Processor"), nullptr);
    c.resetToolConfiguration(L"Plain", nullptr);  // no configuration: nothing happens
}

TEST(stEngineConfigurationTest, SaveWritesOnlyWhatChanged) {
    Loaded l(kTwoTools);
    std::remove(l.file.narrow().c_str());
    EXPECT_TRUE(l.conf.save(nullptr));  // nothing changed: nothing written
    EXPECT_EQ(l.file.readBytes(), "");

    // Regression: a change inside the GUI settings marked only the nested dictionary.
    l.conf.guiSettings().setInt(L"Width", 640);
    EXPECT_TRUE(l.conf.save(nullptr));
    EXPECT_EQ(reloaded(l.file).guiSettings().getInt(L"Width", 0), 640);
    // Every flag is clear after the save: the next one writes nothing.
    std::remove(l.file.narrow().c_str());
    EXPECT_TRUE(l.conf.save(nullptr));
    EXPECT_EQ(l.file.readBytes(), "");

    l.conf.document()->getDocumentElement()->setAttribute(L"note", L"x");
    EXPECT_TRUE(l.conf.save(nullptr));  // a changed document is written too
    EXPECT_NE(l.file.readBytes().find("note=\"x\""), std::string::npos);
}

TEST(stEngineConfigurationTest, ReloadedDictionaryIsTheSavedOne) {
    Loaded l(kTwoTools);
    // Regression: deleted entries came back from their elements after a reload.
    l.conf.del(L"Count");
    l.conf.guiSettings().del(L"Zoom");
    l.conf.setString(L"CurrentTool", L"Renamed");
    ASSERT_TRUE(l.conf.save(nullptr));

    stEngineConfiguration_c back = reloaded(l.file);
    EXPECT_EQ(back.getInt(L"Count", -1), -1);
    EXPECT_EQ(back.guiSettings().getDouble(L"Zoom", -1.0), -1.0);
    EXPECT_STREQ(back.getString(L"CurrentTool", nullptr), L"Renamed");
    // Elements the dictionary does not read stay as they were.
    EXPECT_STREQ(back.document()->getDocumentElement()->getValue(L"Dictionary\\Foreign"), L"kept");
}

TEST(stEngineConfigurationTest, EntriesKeepTheirNewTypeAcrossReloads) {
    Loaded l("<Vemora><Dictionary><Size type=\"int\">1</Size></Dictionary></Vemora>");
    // Regression: a string written over an int element kept type="int" and read back as 7.
    l.conf.setString(L"Size", L"7");
    ASSERT_TRUE(l.conf.save(nullptr));
    stEngineConfiguration_c back = reloaded(l.file);
    EXPECT_EQ(back.get(L"Size").getType(), utValue_c::stringType);
    back.setBool(L"Size", true);
    ASSERT_TRUE(back.save(nullptr));
    EXPECT_EQ(reloaded(l.file).get(L"Size").getType(), utValue_c::boolType);
}

TEST(stEngineConfigurationTest, UnreadableFileIsNeverOverwritten) {
    tmpXmlTempFile_c file("corrupt");
    const std::string corrupt = "<Vemora><ToolDefinitions></Vemora>";
    file.writeBytes(corrupt);
    stEngineConfiguration_c conf;
    conf.setInt(L"Before", 1);
    EXPECT_FALSE(conf.load(file.wide()));
    EXPECT_STREQ(conf.fileName(), file.wide());
    EXPECT_EQ(conf.countTools(), 0);  // the previous document stays, its dictionary re-read
    EXPECT_EQ(conf.getInt(L"Before", 0), 0);
    EXPECT_STREQ(conf.getString(L"CurrentTool", nullptr), L"SPV");
    // Regression: the next save(null) wrote the empty document over the user's file.
    conf.setInt(L"After", 2);
    EXPECT_FALSE(conf.save(nullptr));
    EXPECT_EQ(file.readBytes(), corrupt);
    // Saving there on purpose is still possible.
    EXPECT_TRUE(conf.save(file.wide()));
    EXPECT_EQ(reloaded(file).getInt(L"After", 0), 2);

    // A file that is not there yet is simply made by the first save.
    tmpXmlTempFile_c fresh("fresh");
    EXPECT_FALSE(conf.load(fresh.wide()));
    conf.setInt(L"First", 3);
    EXPECT_TRUE(conf.save(nullptr));
    EXPECT_EQ(reloaded(fresh).getInt(L"First", 0), 3);
}

TEST(stEngineConfigurationTest, CopiesOwnTheirDocument) {
    Loaded l(kTwoTools);
    stEngineConfiguration_c copy(l.conf);
    EXPECT_FALSE(copy == l.conf);
    EXPECT_EQ(copy.countTools(), 2);
    EXPECT_STREQ(copy.fileName(), l.conf.fileName());

    stEngineConfiguration_c other;
    other = l.conf;
    EXPECT_EQ(other.countTools(), 2);
    EXPECT_EQ(other.getInt(L"Count", 0), 3);
    // Regression: self-assignment deleted the document before cloning it.
    stEngineConfiguration_c& self = other;
    other = self;
    EXPECT_EQ(other.countTools(), 2);
    EXPECT_STREQ(other.toolDefinitionAt(0)->getAttribute(L"name"), L"SPV");
}

TEST(stEngineConfigurationTest, NamesAndTextsSurviveSaveAndLoad) {
    tmpXmlTempFile_c file("texts");
    const wchar_t* const name = L"R\u00e9seau \u4e2d \"quoted\" & <tag>";
    const wchar_t* const text = L"Lines & arcs: \"fast\" <b> \u00fcber \u20ac";
    {
        stEngineConfiguration_c conf;
        stXmlElement_c* tools = static_cast<stXmlElement_c*>(
            conf.document()->getDocumentElement()->selectNode(L"ToolDefinitions"));
        stXmlElement_c* tool = conf.document()->createElement(L"Tool");
        tools->appendChild(tool);
        tool->setAttribute(L"name", name);
        tool->setValue(L"General\\Description", text);
        conf.setString(L"Note", text);
        ASSERT_TRUE(conf.save(file.wide()));
    }
    const stEngineConfiguration_c back = reloaded(file);
    const stXmlElement_c* tool = back.toolDefinitionByName(name);
    ASSERT_NE(tool, nullptr);
    EXPECT_STREQ(tool->getValue(L"General\\Description"), text);
    EXPECT_STREQ(back.getString(L"Note", nullptr), text);
}
