#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "rasterDrawing.h"

using namespace Vemora;

namespace {
std::vector<std::wstring> namesOf(const std::vector<utString_c>& list) {
    std::vector<std::wstring> out;
    for (const utString_c& s : list) out.emplace_back(static_cast<const wchar_t*>(s));
    return out;
}
}  // namespace

TEST(stVMREngineTest, LoadingRegistersTheLibraryClassesByKind) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    EXPECT_EQ(&engine, &stVMREngine_c::getEngine());
    EXPECT_EQ(namesOf(engine.vectorizationProcessorNames()),
              (std::vector<std::wstring>{L"ColoredOutlineAlgorithm", L"OutlineAlgorithm",
                                         L"SpvAlgorithm"}));
    EXPECT_EQ(
        namesOf(engine.vectorProcessorNames()),
        (std::vector<std::wstring>{L"Segmentizer", L"PolygonalApproximator", L"JunctionsProcessor",
                                   L"EntityRecognizer", L"SketchRefiner", L"StrokeWidthMeter"}));
    EXPECT_EQ(namesOf(engine.rasterProcessorNames()),
              (std::vector<std::wstring>{L"ThresholdFilter", L"ThiningFilter", L"SharpenFilter",
                                         L"NoiseFilter", L"GaussianFilter", L"EdgeFilter",
                                         L"CustomFilter", L"Clusterization",
                                         L"BrightnessAndContrast", L"Binarization"}));
    // The kind bases themselves are registered but listed nowhere.
    EXPECT_EQ(engine.findConfigurable(L"RasterProcessor"), stRasterProcessor_c::desc());
    EXPECT_EQ(engine.findConfigurable(L"TracingAlgorithm"), stTracingAlgorithm_c::desc());
    for (const auto& n : namesOf(engine.rasterProcessorNames())) EXPECT_NE(n, L"RasterProcessor");
    for (const auto& n : namesOf(engine.vectorProcessorNames())) EXPECT_NE(n, L"SketchProcessor");
    // The root is a parent only.
    EXPECT_EQ(engine.findConfigurable(L"stConfigurable_c"), nullptr);
    EXPECT_EQ(engine.findConfigurable(L"spvalgorithm"), nullptr);  // names are case-sensitive
}

TEST(stVMREngineTest, CreatesConcreteClassesByName) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    EXPECT_EQ(engine.createConfigurable(L"Processor"), nullptr);
    EXPECT_EQ(engine.createConfigurable(L"NoSuchClass"), nullptr);
    std::unique_ptr<stConfigurable_c> params(engine.createConfigurable(L"SpvVectorizationParams"));
    ASSERT_NE(params, nullptr);
    EXPECT_EQ(params->isA(), stVectorizationParams_c::desc());
    std::unique_ptr<stConfigurable_c> spv(engine.createConfigurable(L"SpvAlgorithm"));
    ASSERT_NE(spv, nullptr);
    EXPECT_EQ(static_cast<stProcessor_c*>(spv.get())->processorKind(), 2u);
}

TEST(stVMREngineTest, UnregisteringRemovesTheClassAndItsName) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    engine.unregisterConfigurable(L"SpvAlgorithm");
    EXPECT_EQ(engine.findConfigurable(L"SpvAlgorithm"), nullptr);
    EXPECT_EQ(engine.createConfigurable(L"SpvAlgorithm"), nullptr);
    EXPECT_EQ(namesOf(engine.vectorizationProcessorNames()),
              (std::vector<std::wstring>{L"ColoredOutlineAlgorithm", L"OutlineAlgorithm"}));
    engine.unregisterConfigurable(L"SpvAlgorithm");  // absent: nothing happens

    // Registering twice lists twice; lookups find the first.
    engine.registerConfigurable(stSpvAlgorithm_c::desc());
    engine.registerConfigurable(stSpvAlgorithm_c::desc());
    EXPECT_EQ(engine.vectorizationProcessorNames().size(), 4u);
    engine.unregisterConfigurable(L"SpvAlgorithm");
    EXPECT_EQ(engine.vectorizationProcessorNames().size(), 3u);
    EXPECT_EQ(engine.findConfigurable(L"SpvAlgorithm"), stSpvAlgorithm_c::desc());
}

namespace {
struct ChangeCounter : stEngineListenerBase_c {
    int changes = 0;
    stEngineListener_c* removeOnChange = nullptr;
    void onConfigurationChanged(stEngineConfiguration_c&) override {
        ++changes;
        if (removeOnChange) stVMREngine_c::getEngine().removeListener(removeOnChange);
    }
};

const stProcessorInfo_c kSpv(L"a", L"SpvAlgorithm", L"tracer");
}  // namespace

TEST(stVMREngineTest, CommandClassIsRegisteredButListedNowhere) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    EXPECT_EQ(engine.findConfigurable(L"Command"), stCommand_c::desc());
    EXPECT_EQ(engine.createConfigurable(L"Command"), nullptr);
    for (const auto* list : {&engine.rasterProcessorNames(), &engine.vectorizationProcessorNames(),
                             &engine.vectorProcessorNames()})
        for (const auto& n : namesOf(*list)) EXPECT_NE(n, L"Command");
}

TEST(stVMREngineTest, ToolsAreDefinedOnceAndCreatedFromTheirConfiguration) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    engine.undefineAllTools();
    const stToolDefinition_c def = engine.defineTool(L"T", L"test", {}, {kSpv}, {});
    ASSERT_TRUE(def.valid());
    EXPECT_FALSE(engine.defineTool(L"T", L"again", {kSpv}, {}, {}).valid());
    EXPECT_EQ(engine.countTools(), 1);
    EXPECT_TRUE(def.vectorizationTool());
    EXPECT_FALSE(def.rasterTool() || def.sketchTool());
    EXPECT_STREQ(def.vectorizationProcessorName(0), L"SpvAlgorithm");
    EXPECT_STREQ(stProcessorInfo_c(def.vectorizationProcessorConfiguration(0)).description(),
                 L"tracer");

    EXPECT_EQ(engine.createTool(L"T", nullptr), nullptr);  // no configuration yet
    EXPECT_EQ(engine.createTool(L"Nothing", nullptr), nullptr);
    const stToolDefinition_c conf = engine.makeToolConfiguration(L"T", nullptr);
    ASSERT_TRUE(conf.valid());
    std::unique_ptr<stTool_c> tool(engine.createTool(L"T", L"Default"));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->countProcessors(), 1);
    EXPECT_STREQ(tool->name(), L"T");

    engine.undefineTool(def.name());  // the name lives in the element that goes
    EXPECT_FALSE(def.valid());
    EXPECT_FALSE(conf.valid());
    EXPECT_FALSE(engine.toolConfigurationByName(L"T", nullptr).valid());

    engine.defineTool(L"U", L"", {}, {kSpv}, {});
    const stToolDefinition_c uConf = engine.makeToolConfiguration(L"U", nullptr);
    engine.undefineAllTools();  // what it removes is deleted (the sanitizer build sees leaks)
    EXPECT_FALSE(uConf.valid());
    EXPECT_EQ(engine.countTools(), 0);
}

TEST(stVMREngineTest, OnlyTheEnginesConfigurationTellsItsListeners) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    ChangeCounter first, second, third;
    first.removeOnChange = &first;  // leaves during the notification
    second.removeOnChange = &third;
    for (ChangeCounter* l : {&first, &second, &third}) engine.addListener(l);
    engine.loadConfiguration(nullptr);
    EXPECT_EQ(first.changes, 1);
    EXPECT_EQ(second.changes, 1);
    EXPECT_EQ(third.changes, 0);  // removed before its turn
    engine.loadConfiguration(nullptr);
    EXPECT_EQ(first.changes, 1);
    EXPECT_EQ(second.changes, 2);

    // A copy is not the engine's configuration.
    stEngineConfiguration_c copy(engine.configuration());
    copy.load(nullptr);
    copy = engine.configuration();
    EXPECT_EQ(second.changes, 2);
    engine.configuration() = copy;
    EXPECT_EQ(second.changes, 3);
    engine.removeListener(&second);
}

TEST(stVMREngineTest, ShippedSpvToolTracesAsTheSketchTracer) {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    ASSERT_TRUE(engine.loadConfiguration(VEMORA_DATA_DIR L"/orvexconfig.xml"));
    EXPECT_STREQ(engine.systemProperties().getString(L"CurrentTool", nullptr), L"SPV");
    std::unique_ptr<stTool_c> tool(engine.createTool(L"SPV", nullptr));
    ASSERT_NE(tool, nullptr);
    ASSERT_EQ(tool->countProcessors(), 1);
    ASSERT_EQ(tool->countPostProcessors(), 2);

    // Strokes of several widths, one broken by a gap, a corner and a round shape.
    utRasterData_c raster = vemora_test::blankRaster(160, 120);
    vemora_test::drawStroke(raster, 10, 10, 150, 10, 3);
    vemora_test::drawStroke(raster, 10, 30, 60, 30, 2);
    vemora_test::drawStroke(raster, 64, 30, 120, 30, 2);
    vemora_test::drawStroke(raster, 20, 40, 60, 100, 4);
    vemora_test::drawStroke(raster, 60, 100, 140, 60, 3);
    for (int i = 0; i < 36; ++i) {
        const double a = i * M_PI / 18, b = (i + 1) * M_PI / 18;
        vemora_test::drawStroke(raster, 110 + 20 * std::cos(a), 80 + 20 * std::sin(a),
                                110 + 20 * std::cos(b), 80 + 20 * std::sin(b), 2.5);
    }

    stSketchTracer_c tracer;
    std::unique_ptr<stSketch_c> expected(tracer.trace(&raster, nullptr, 0, 0));
    stToolContextImpl_c context(raster);
    ASSERT_TRUE(tool->apply(&context));
    const stSketch_c* got = context.getVectors();
    ASSERT_NE(got, nullptr);
    ASSERT_GT(expected->entitiesCount(), 4);
    ASSERT_EQ(got->entitiesCount(), expected->entitiesCount());
    for (int i = 0; i < got->entitiesCount(); ++i)
        EXPECT_TRUE(got->entityAt(i)->isEqual(expected->entityAt(i))) << "entity " << i;
}
