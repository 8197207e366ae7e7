#include <vemora.h>

#include <gtest/gtest.h>

#include "xmlFromText.h"

using namespace Vemora;

TEST(stDescriptorTest, DerivationFollowsTheParentChain) {
    const stDescriptor_c* spv = stSpvAlgorithm_c::desc();
    EXPECT_TRUE(spv->isDerivedFrom(spv));
    EXPECT_TRUE(spv->isDerivedFrom(stTracingAlgorithm_c::desc()));
    EXPECT_TRUE(spv->isDerivedFrom(stProcessor_c::desc()));
    EXPECT_TRUE(spv->isDerivedFrom(stConfigurable_c::desc()));
    EXPECT_FALSE(stProcessor_c::desc()->isDerivedFrom(spv));
    EXPECT_FALSE(spv->isDerivedFrom(stRasterProcessor_c::desc()));
    EXPECT_FALSE(stConfigurable_c::desc()->isDerivedFrom(stProcessor_c::desc()));
    EXPECT_STREQ(spv->name(), L"SpvAlgorithm");
    EXPECT_EQ(spv->description(), nullptr);
}

TEST(stDescriptorTest, FactoriesMakeDefaultObjectsOnlyForConcreteClasses) {
    EXPECT_EQ(stProcessor_c::desc()->factory(), nullptr);
    EXPECT_EQ(stSketchProcessor_c::desc()->factory(), nullptr);
    EXPECT_EQ(stConfigurable_c::desc()->factory(), nullptr);
    std::unique_ptr<stConfigurable_c> made(stSpvAlgorithm_c::desc()->factory());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->isA(), stSpvAlgorithm_c::desc());
    EXPECT_EQ(static_cast<stSpvAlgorithm_c*>(made.get())->blackLevel(), 187);

    const stDescriptor_c copy(*stVectorizationParams_c::desc());
    EXPECT_STREQ(copy.name(), L"SpvVectorizationParams");
    EXPECT_NE(copy.name(), stVectorizationParams_c::desc()->name());  // the strings are copied
    std::unique_ptr<stConfigurable_c> params(copy.factory());
    EXPECT_NE(params, nullptr);
}

TEST(stConfigurableTest, EveryConfigurableIsKindOfTheRoot) {
    stSpvAlgorithm_c spv;
    stVectorizationParams_c params;
    for (stConfigurable_c* c :
         {static_cast<stConfigurable_c*>(&spv), static_cast<stConfigurable_c*>(&params)}) {
        EXPECT_TRUE(c->isKindOf(stConfigurable_c::desc()));
    }
    EXPECT_TRUE(spv.isKindOf(stProcessor_c::desc()));
    EXPECT_FALSE(params.isKindOf(stProcessor_c::desc()));
    EXPECT_FALSE(spv.isKindOf(stSketchProcessor_c::desc()));
}

namespace {
// A host's own filter, declared as a host reads our headers' documentation.
class HostFilter : public stRasterProcessor_c {
public:
    static stDescriptor_c* desc() {
        static stDescriptor_c d(L"HostFilter", nullptr, stRasterProcessor_c::desc(), nullptr);
        return &d;
    }
    stDescriptor_c* isA() override { return desc(); }
    utRasterData_c* process(utRasterData_c* raster) override { return raster; }
};
}  // namespace

// Regression: isA() was const, so this override did not compile (and without `override` it hid
// the base's instead of replacing it).
TEST(stConfigurableTest, AHostClassOverridesIsAThroughTheBase) {
    HostFilter filter;
    stConfigurable_c& base = filter;
    EXPECT_EQ(base.isA(), HostFilter::desc());
    EXPECT_TRUE(base.isKindOf(HostFilter::desc()));
    EXPECT_TRUE(base.isKindOf(stRasterProcessor_c::desc()));
}

TEST(stConfigurableTest, ReadingSetsEveryPropertyAndWritingWritesNothing) {
    auto doc = vemora_test::xmlFromText(
        L"<Processor processorName=\"SpvAlgorithm\" name=\"SPV\">"
        L"<Description>tracer</Description>"
        L"<LengthStepLength>21</LengthStepLength>"
        L"<MaxWidthDeviation>2.5</MaxWidthDeviation>"
        L"<ScanLineThreshold>x</ScanLineThreshold>"
        L"</Processor>");
    ASSERT_NE(doc, nullptr);
    stXmlElement_c* e = doc->getDocumentElement();
    stSpvAlgorithm_c spv;
    spv.fromXml(e);
    EXPECT_EQ(spv.lengthStep(), 21);
    EXPECT_EQ(spv.maxWidthDeviation(), 2.5);
    EXPECT_EQ(spv.scanStep(), 0);    // unparsable text
    EXPECT_EQ(spv.blackLevel(), 0);  // missing: zero, not the default

    const bool modified = doc->isModified();
    EXPECT_EQ(spv.toXml(e), e);
    EXPECT_EQ(doc->isModified(), modified);
    EXPECT_EQ(e->getValue(L"BlackLevel"), nullptr);
}
