// Tool definitions as handles on their element, tools assembled from them, and tool contexts.

#include <vemora.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rasterDrawing.h"
#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::xmlFromText;

namespace {

const wchar_t* const kToolText =
    L"<ToolDefinitions>"
    L"<Tool name=\"SPV\"><General><Description>Sparse pixels</Description></General>"
    L"<Raster>"
    L"<Processor processorName=\"NoSuchFilter\" name=\"a\"/>"
    L"<Processor processorName=\"SpvVectorizationParams\" name=\"b\"/>"
    L"</Raster>"
    L"<Algorithm><Processor processorName=\"SpvAlgorithm\" name=\"SPV\">"
    L"<Description>tracer</Description><BlackLevel>187</BlackLevel><LengthStepLength>17</"
    L"LengthStepLength>"
    L"<MaxWidthDeviation>3</MaxWidthDeviation><ScanLineThreshold>2</ScanLineThreshold>"
    L"</Processor></Algorithm>"
    L"<Sketch><Processor processorName=\"SpvAlgorithm\" name=\"misplaced\"/></Sketch>"
    L"</Tool>"
    L"<Tool name=\"Other\"/>"
    L"</ToolDefinitions>";

stXmlElement_c* firstTool(stXmlDocument_c& doc) {
    return static_cast<stXmlElement_c*>(doc.getDocumentElement()->selectNode(L"Tool"));
}

struct StepListener : stToolListener_c {
    std::vector<std::wstring> calls;
    bool cancelStep = false;
    bool onStart(const stTool_c*) override { return add(L"start"), true; }
    bool onStepStart(const stTool_c*, const wchar_t* s) override { return add(s), !cancelStep; }
    bool onProgress(const stTool_c*, int) override { return true; }
    void onStepFinish(const stTool_c*, const wchar_t* s) override { add(std::wstring(L"/") + s); }
    void onFinish(const stTool_c*) override { add(L"finish"); }
    void add(std::wstring s) { calls.push_back(std::move(s)); }
};

}  // namespace

TEST(stToolDefinitionTest, ReadsSectionsAndEntriesAcrossThem) {
    auto doc = xmlFromText(kToolText);
    ASSERT_NE(doc, nullptr);
    const stToolDefinition_c def(firstTool(*doc));
    ASSERT_TRUE(def.valid());
    EXPECT_STREQ(def.name(), L"SPV");
    EXPECT_STREQ(def.description(), L"Sparse pixels");
    EXPECT_TRUE(def.rasterTool() && def.vectorizationTool() && def.sketchTool());
    EXPECT_EQ(def.countRasterProcessors(), 2);
    EXPECT_EQ(def.countProcessors(), 4);
    EXPECT_STREQ(def.processorName(1), L"SpvVectorizationParams");
    EXPECT_STREQ(def.processorName(2), L"SpvAlgorithm");
    EXPECT_EQ(def.processorConfiguration(2), def.vectorizationProcessorConfiguration(0));
    EXPECT_EQ(def.processorName(4), nullptr);
    EXPECT_EQ(def.rasterProcessorName(2), nullptr);

    const stToolDefinition_c bare(
        static_cast<stXmlElement_c*>(doc->getDocumentElement()->getLastChild()));
    EXPECT_EQ(bare.countProcessors(), 0);
    EXPECT_FALSE(bare.rasterTool());
}

TEST(stToolDefinitionTest, BecomesInvalidWhenItsElementLeavesTheDocument) {
    auto doc = xmlFromText(kToolText);
    stXmlElement_c* tool = firstTool(*doc);
    stToolDefinition_c def(tool);
    stToolDefinition_c copy(def);
    delete doc->getDocumentElement()->removeChild(tool);
    EXPECT_FALSE(def.valid());
    EXPECT_FALSE(copy.valid());
    try {
        (void)def.name();
        FAIL() << "no exception";
    } catch (const stEngineException_c& e) {
        EXPECT_STREQ(e.what(), L"Invalid tool definition!");
    }
    EXPECT_THROW(stTool_c{def}, stEngineException_c);

    stToolDefinition_c survivor(firstTool(*doc));  // now "Other"
    doc.reset();
    EXPECT_FALSE(survivor.valid());
}

TEST(stToolDefinitionTest, NamesAreUniqueAmongTheEnginesTools) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    engine.undefineAllTools();
    engine.defineTool(L"Other", L"", {}, {}, {});
    stToolDefinition_c def = engine.defineTool(L"Mine", L"", {}, {}, {});
    for (const wchar_t* taken : {L"Other", L"Mine"}) {
        try {
            def.setName(taken);
            FAIL() << "accepted a taken name";
        } catch (const stEngineException_c& e) {
            EXPECT_STREQ(e.what(), L"Invalid name!");
        }
    }
    def.setName(L"Renamed");
    EXPECT_STREQ(def.name(), L"Renamed");
    EXPECT_TRUE(engine.toolDefinitionByName(L"Renamed").valid());
    def.setDescription(L"new");
    EXPECT_STREQ(def.description(), L"new");
    engine.undefineAllTools();
}

TEST(stToolDefinitionTest, UpdateKeepsTheSettingsOfEntriesThatStay) {
    auto doc = xmlFromText(kToolText);
    stToolDefinition_c def(firstTool(*doc));
    def.updateDefinition({stProcessorInfo_c(L"b", L"SpvVectorizationParams", L"kept"),
                          stProcessorInfo_c(L"a", L"NoSuchFilter", L"kept too")},
                         {stProcessorInfo_c(L"renamed", L"SpvAlgorithm", L"fresh")}, {});
    EXPECT_STREQ(def.rasterProcessorName(0), L"SpvVectorizationParams");
    EXPECT_STREQ(def.rasterProcessorName(1), L"NoSuchFilter");
    stXmlElement_c* fresh = def.vectorizationProcessorConfiguration(0);
    EXPECT_STREQ(fresh->getAttribute(L"name"), L"renamed");
    EXPECT_STREQ(fresh->getValue(L"Description"), L"fresh");
    EXPECT_EQ(fresh->getValue(L"BlackLevel"), nullptr);  // a new entry carries no settings
    EXPECT_FALSE(def.sketchTool());

    const stProcessorInfo_c info(def.vectorizationProcessorConfiguration(0));
    EXPECT_STREQ(info.processorName(), L"SpvAlgorithm");
    EXPECT_STREQ(info.name(), L"renamed");
    EXPECT_STREQ(info.description(), L"fresh");
    const stProcessorInfo_c none(nullptr);
    EXPECT_EQ(none.name(), nullptr);
}

TEST(stToolTest, AssemblySkipsUnknownAndMisplacedEntries) {
    auto doc = xmlFromText(kToolText);
    const stTool_c tool{stToolDefinition_c(firstTool(*doc))};
    EXPECT_EQ(tool.countPreProcessors(), 0);  // unknown class, and a configurable that is no filter
    ASSERT_EQ(tool.countProcessors(), 1);
    EXPECT_EQ(tool.countPostProcessors(), 0);  // a tracer in the sketch section
    EXPECT_EQ(tool.countSubProcessors(), 1);
    EXPECT_EQ(tool.processorAt(0)->owner(), &tool);
    EXPECT_EQ(static_cast<stSpvAlgorithm_c*>(tool.processorAt(0))->blackLevel(), 187);
    EXPECT_STREQ(tool.name(), L"SPV");
}

TEST(stToolTest, RunsTheTracerOverAContextWithListenersFollowing) {
    auto doc = xmlFromText(kToolText);
    stTool_c tool{stToolDefinition_c(firstTool(*doc))};
    StepListener listener;
    tool.addListener(&listener);

    utRasterData_c raster = vemora_test::blankRaster(120, 40);
    vemora_test::fillBox(raster, 10, 10, 100, 14);
    stToolContextImpl_c context(raster);
    ASSERT_TRUE(tool.applicable(&context));
    EXPECT_TRUE(tool.apply(&context));
    ASSERT_NE(context.getVectors(), nullptr);
    EXPECT_EQ(context.getVectors()->entitiesCount(), 1);
    EXPECT_EQ(listener.calls, (std::vector<std::wstring>{L"start", L"Vectorization...",
                                                         L"/Vectorization...", L"finish"}));

    // Cancelled at its step, the tracer traces nothing and skips the step's end.
    listener.calls.clear();
    listener.cancelStep = true;
    context.clearVectors();
    EXPECT_TRUE(tool.apply(&context));
    ASSERT_NE(context.getVectors(), nullptr);
    EXPECT_EQ(context.getVectors()->entitiesCount(), 0);
    EXPECT_EQ(listener.calls,
              (std::vector<std::wstring>{L"start", L"Vectorization...", L"finish"}));
}

TEST(stToolTest, ToolAndDirectCallTraceTheSameSketch) {
    auto doc = xmlFromText(kToolText);
    stTool_c tool{stToolDefinition_c(firstTool(*doc))};
    utRasterData_c raster = vemora_test::blankRaster(200, 160);
    vemora_test::fillBox(raster, 10, 10, 180, 14);
    vemora_test::drawStroke(raster, 20, 150, 150, 40, 4);
    vemora_test::fillBox(raster, 100, 30, 103, 140);
    stToolContextImpl_c context(raster);
    ASSERT_TRUE(tool.apply(&context));

    stSpvAlgorithm_c direct;
    std::unique_ptr<stSketch_c> expected(direct.trace(&raster, nullptr, 0, 0));
    const stSketch_c* viaTool = context.getVectors();
    ASSERT_EQ(viaTool->entitiesCount(), expected->entitiesCount());
    ASSERT_GT(expected->entitiesCount(), 2);
    for (int i = 0; i < expected->entitiesCount(); ++i)
        EXPECT_TRUE(viaTool->entityAt(i)->isEqual(expected->entityAt(i))) << i;
}

TEST(stToolContextTest, PickPointAndSelectionExcludeEachOther) {
    stToolContextImpl_c c;
    double a = -1, b = -1, x = -1, y = -1;
    EXPECT_FALSE(c.getPickPoint(a, b));
    EXPECT_EQ(a, -1);
    c.setSelectionRectangle(1, 2, 3, 4);
    c.setPickPoint(5, 6);
    EXPECT_FALSE(c.getSelectionRectangle(a, b, x, y));
    EXPECT_TRUE(c.getPickPoint(a, b));
    EXPECT_EQ(a, 5);
    c.setSelectionRectangle(1, 2, 3, 4);
    EXPECT_FALSE(c.getPickPoint(a, b));
    c.clearVectors();
    EXPECT_FALSE(c.getSelectionRectangle(a, b, x, y));
}

TEST(stToolContextTest, OwnsItsRasterAndSketchAndCopiesThemDeeply) {
    stToolContextImpl_c c(vemora_test::blankRaster(4, 4));
    utRasterData_c* held = c.getRaster();
    c.setRaster(held);  // the same pointer: kept, not deleted
    EXPECT_EQ(c.getRaster(), held);
    EXPECT_EQ(held->width(), 4u);
    c.setVectors(new stSketch_c());
    c.getVectors()->addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(1, 0)));

    stToolContextImpl_c copy(c);
    EXPECT_NE(copy.getRaster(), held);
    EXPECT_EQ(copy.getVectors()->entitiesCount(), 1);

    c.setSourceRaster(vemora_test::blankRaster(2, 3));
    EXPECT_EQ(c.getVectors(), nullptr);
    EXPECT_EQ(c.getRaster()->height(), 3u);
    EXPECT_EQ(c.getSourceRaster().height(), 3u);
}

TEST(stToolContextTest, ApplicabilityFollowsTheToolsSections) {
    auto doc = xmlFromText(
        L"<T><Tool name=\"R\"><Raster/></Tool><Tool name=\"S\"><Sketch/></Tool><Tool "
        L"name=\"N\"/></T>");
    stXmlElement_c* root = doc->getDocumentElement();
    const stToolDefinition_c raster(static_cast<stXmlElement_c*>(root->getFirstChild()));
    const stToolDefinition_c sketch(
        static_cast<stXmlElement_c*>(root->getFirstChild()->getNextSibling()));
    const stToolDefinition_c none(static_cast<stXmlElement_c*>(root->getLastChild()));
    stToolContextImpl_c empty;
    EXPECT_FALSE(raster.applicable(&empty));
    EXPECT_FALSE(raster.applicable(nullptr));
    EXPECT_FALSE(sketch.applicable(&empty));
    empty.setVectors(new stSketch_c());
    EXPECT_TRUE(sketch.applicable(&empty));
    stToolContextImpl_c withRaster(vemora_test::blankRaster(2, 2));
    EXPECT_TRUE(raster.applicable(&withRaster));
    EXPECT_FALSE(none.applicable(&withRaster));
}
