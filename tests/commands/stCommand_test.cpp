// Command definitions as handles on their element, commands created by the engine, and scripts.

#include <vemora.h>

#include <gtest/gtest.h>

#include <memory>

#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::xmlFromText;

namespace {

class tmpPickCommand_c : public stCommand_c {
public:
    static stDescriptor_c* desc() {
        static stDescriptor_c d(L"PickCommand", &create, stCommand_c::desc(), nullptr);
        return &d;
    }
    stDescriptor_c* isA() override { return desc(); }
    void execute(stCommandContext_c&) override {}

private:
    static stConfigurable_c* create() { return new tmpPickCommand_c(); }
};

const wchar_t* const kCommandText =
    L"<CommandDefinitions><Command name=\"Pick\" groupName=\"Edit\" className=\"PickCommand\">"
    L"<Description>Picks a stroke</Description></Command></CommandDefinitions>";

stCommandDefinition_c firstCommand(stXmlDocument_c& doc) {
    return stCommandDefinition_c(
        static_cast<stXmlElement_c*>(doc.getDocumentElement()->selectNode(L"Command")));
}

}  // namespace

TEST(stCommandDefinitionTest, LanguagesFallBackToTheMainTexts) {
    auto doc = xmlFromText(kCommandText);
    ASSERT_NE(doc, nullptr);
    stCommandDefinition_c def = firstCommand(*doc);
    EXPECT_STREQ(def.localName(L"de"), L"Pick");
    EXPECT_STREQ(def.localDescription(L"de"), L"Picks a stroke");

    def.setLocalName(L"Wählen", L"de");
    def.setLocalDescription(L"Wählt einen Strich", L"de");
    EXPECT_STREQ(def.name(), L"Pick");
    EXPECT_STREQ(def.localName(L"de"), L"Wählen");
    EXPECT_STREQ(def.localDescription(L"de"), L"Wählt einen Strich");
    EXPECT_STREQ(def.localGroupName(L"fr"), L"Edit");
    EXPECT_STREQ(def.localName(nullptr), L"Pick");

    // Regression: "en-US" went through the path language and was stored as "en".
    def.setLocalName(L"Pick (US)", L"en-US");
    def.setLocalName(L"Pick (GB)", L"en-GB");
    EXPECT_STREQ(def.localName(L"en-US"), L"Pick (US)");
    EXPECT_STREQ(def.localName(L"en-GB"), L"Pick (GB)");
    EXPECT_STREQ(def.localName(L"en"), L"Pick");
    // A code that cannot name an element has no texts of its own.
    def.setLocalName(L"broken", L"en US");
    def.setLocalName(L"broken", L"1x");
    EXPECT_STREQ(def.localName(L"en US"), L"Pick");
    const std::unique_ptr<stXmlNodeSet_c> locales(def.data()->selectNodes(L"Locales\\*"));
    EXPECT_EQ(locales->length(), 3);
}

TEST(stCommandDefinitionTest, AccessorsReadAndWriteTheElement) {
    auto doc = xmlFromText(kCommandText);
    stCommandDefinition_c def = firstCommand(*doc);
    EXPECT_STREQ(def.groupName(), L"Edit");
    EXPECT_STREQ(def.className(), L"PickCommand");
    EXPECT_EQ(def.bitmapFilePath(), nullptr);
    def.setBitmapFilePath(L"icons/pick.png");
    EXPECT_STREQ(def.bitmapFilePath(), L"icons/pick.png");
    stXmlElement_c* conf = def.configuration();
    ASSERT_NE(conf, nullptr);
    EXPECT_EQ(def.configuration(), conf);  // made once

    const stCommandDefinition_c copy = def;
    delete doc->getDocumentElement()->removeChild(def.data());
    EXPECT_FALSE(def.valid());
    EXPECT_FALSE(copy.valid());
    try {
        copy.name();
        FAIL() << "an invalid definition answered";
    } catch (const stEngineException_c& e) {
        EXPECT_STREQ(e.what(), L"Invalid tool definition!");
    }
}

TEST(stCommandDefinitionTest, EngineDefinesAndCreatesCommandsOfCommandClassesOnly) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    engine.registerConfigurable(tmpPickCommand_c::desc());
    stCommandDefinition_c pick = engine.defineCommand(L"Pick", L"PickCommand", nullptr, L"picks");
    ASSERT_TRUE(pick.valid());
    EXPECT_STREQ(pick.groupName(), L"Default");
    EXPECT_STREQ(pick.description(), L"picks");
    EXPECT_FALSE(engine.defineCommand(L"Pick", L"PickCommand", nullptr, nullptr).valid());
    EXPECT_EQ(engine.countCommands(), 1);

    std::unique_ptr<stCommand_c> command(engine.createCommand(L"Pick"));
    ASSERT_NE(command, nullptr);
    EXPECT_STREQ(command->name(), L"Pick");
    EXPECT_TRUE(command->isKindOf(stCommand_c::desc()));
    EXPECT_FALSE(command->isInProgress());

    // Regression: any registered class was taken for a command.
    engine.defineCommand(L"NotACommand", L"SpvAlgorithm", L"Edit", nullptr);
    EXPECT_EQ(engine.createCommand(L"NotACommand"), nullptr);
    engine.defineCommand(L"Abstract", L"Command", L"Edit", nullptr);
    EXPECT_EQ(engine.createCommand(L"Abstract"), nullptr);
    EXPECT_EQ(engine.createCommand(L"Missing"), nullptr);

    try {
        engine.commandDefinitionByName(L"Abstract").setName(L"Pick");
        FAIL() << "accepted a taken name";
    } catch (const stEngineException_c& e) {
        EXPECT_STREQ(e.what(), L"Invalid command name!");
    }

    struct Counter : stEngineListenerBase_c {
        int changes = 0;
        void onConfigurationChanged(stEngineConfiguration_c&) override { ++changes; }
    } counter;
    engine.addListener(&counter);
    for (const wchar_t* name : {L"Pick", L"NotACommand", L"Abstract"}) engine.undefineCommand(name);
    engine.removeListener(&counter);
    EXPECT_EQ(counter.changes, 3);
    EXPECT_FALSE(pick.valid());
    EXPECT_FALSE(command->definition().valid());
    engine.unregisterConfigurable(L"PickCommand");
}

TEST(stCommandScriptTest, HoldersAreCountedInTheElement) {
    auto doc = xmlFromText(L"<Scripts><Script/></Scripts>");
    auto* element = static_cast<stXmlElement_c*>(doc->getDocumentElement()->getFirstChild());
    stCommandScript_c script(element);
    EXPECT_STREQ(element->getAttribute(L"refCount"), L"1");
    {
        const stCommandScript_c other = script;
        EXPECT_STREQ(element->getAttribute(L"refCount"), L"2");
    }
    script.addRef();
    script.releaseRef();
    EXPECT_STREQ(element->getAttribute(L"refCount"), L"1");
    const stCommandScript_c watcher = script;
    script.releaseRef();  // 2 -> 1
    script.releaseRef();  // the last: the element goes
    EXPECT_FALSE(script.valid());
    EXPECT_FALSE(watcher.valid());
    EXPECT_EQ(doc->getDocumentElement()->getFirstChild(), nullptr);
    EXPECT_THROW(script.countSteps(), stEngineException_c);
    EXPECT_THROW(script.stepAt(0).kind(), stEngineException_c);
}

TEST(stCommandScriptTest, ParserReadsNothingYet) {
    stCommandParser_c parser;
    EXPECT_FALSE(parser.parse(L"pick 10 20").valid());
    EXPECT_EQ(parser.getNextToken(), 0);
}
