#include <vemora.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
              std::vector<std::wstring>{L"SpvAlgorithm"});
    EXPECT_EQ(namesOf(engine.vectorProcessorNames()),
              (std::vector<std::wstring>{L"Segmentizer", L"JunctionsProcessor", L"EntityRecognizer",
                                         L"SketchRefiner"}));
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
    EXPECT_TRUE(engine.vectorizationProcessorNames().empty());
    engine.unregisterConfigurable(L"SpvAlgorithm");  // absent: nothing happens

    // Registering twice lists twice; lookups find the first.
    engine.registerConfigurable(stSpvAlgorithm_c::desc());
    engine.registerConfigurable(stSpvAlgorithm_c::desc());
    EXPECT_EQ(engine.vectorizationProcessorNames().size(), 2u);
    engine.unregisterConfigurable(L"SpvAlgorithm");
    EXPECT_EQ(engine.vectorizationProcessorNames().size(), 1u);
    EXPECT_EQ(engine.findConfigurable(L"SpvAlgorithm"), stSpvAlgorithm_c::desc());
}
