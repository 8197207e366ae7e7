// The raster filters on small rasters drawn here, with the expected pixels worked out by hand.

#include <vemora.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "raster/filterRun.h"
#include "rasterDrawing.h"
#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::kInk;
using vemora_test::kPaper;

namespace {

uint32_t grey(uint32_t v) { return v * 0x010101u; }

utRasterData_c filled(unsigned w, unsigned h, uint32_t value) {
    utRasterData_c r(w, h);
    std::fill(r.data(), r.data() + size_t(w) * h, value);
    return r;
}

// Runs the filter on a copy of r and returns the result by value.
utRasterData_c run(stRasterProcessor_c& filter, const utRasterData_c& r) {
    std::unique_ptr<utRasterData_c> out(filter.process(new utRasterData_c(r)));
    return *out;
}

struct Recorder : stToolListener_c {
    std::vector<std::wstring> steps;
    std::vector<int> progress;
    bool onStepStart(const stTool_c*, const wchar_t* s) override {
        steps.push_back(s);
        return true;
    }
    bool onProgress(const stTool_c*, int p) override {
        progress.push_back(p);
        return true;
    }
    void onStepFinish(const stTool_c*, const wchar_t* s) override {
        steps.push_back(std::wstring(L"/") + s);
    }
};

// Exposes the shared convolution with every option.
struct Convolver : stRasterProcessor_c {
    double m[3][3] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}};
    bool normalize = false, magnitude = false;
    utRasterData_c* process(utRasterData_c* in) override {
        apply3x3Filter(in, m, in, normalize, magnitude);
        return in;
    }
};

}  // namespace

TEST(stConvolutionFilterTest, KernelIndexesRunAlongXThenY) {
    // A lone red pixel at (1, 1): weighing the left neighbour moves it right, weighing the one
    // above moves it down; the magnitude of pure red 255 is 255.
    utRasterData_c r = filled(4, 4, 0);
    r.setPixel(1, 1, 0x00FF0000u);
    stCustomFilter_c left;
    left.setM11(0.0);
    left.setM01(1.0);
    const utRasterData_c l = run(left, r);
    EXPECT_EQ(l.pixel(2, 1), kOpaque | grey(255));
    EXPECT_EQ(l.pixel(1, 2), kOpaque);
    EXPECT_EQ(l.pixel(1, 1), kOpaque);
    EXPECT_EQ(l.pixel(0, 1), 0u);  // the border keeps the source
    stCustomFilter_c above;
    above.setM11(0.0);
    above.setM10(1.0);
    const utRasterData_c a = run(above, r);
    EXPECT_EQ(a.pixel(1, 2), kOpaque | grey(255));
    EXPECT_EQ(a.pixel(2, 1), kOpaque);
}

TEST(stConvolutionFilterTest, FixedKernelsOnFlatGreyAndTinyRasters) {
    // Identity: grey v becomes trunc(v * sqrt 3), clamped; 100 -> 173, 200 -> 255.
    utRasterData_c r = filled(4, 3, grey(100));
    r.setPixel(2, 1, grey(200));
    stCustomFilter_c identity;
    const utRasterData_c id = run(identity, r);
    EXPECT_EQ(id.pixel(1, 1), kOpaque | grey(173));
    EXPECT_EQ(id.pixel(2, 1), kOpaque | grey(255));
    EXPECT_EQ(id.pixel(3, 1), grey(100));

    // On flat grey the ring kernels cancel (Gaussian, edge) or give back the centre (sharpen:
    // (k + 1) v - k v = v, so 50 -> trunc(50 sqrt 3) = 86).
    const utRasterData_c flat = filled(5, 5, grey(50));
    stGaussianFilter_c gaussian;
    stEdgeFilter_c edge;
    stSharpenFilter_c sharpen;
    EXPECT_EQ(run(gaussian, flat).pixel(2, 2), kOpaque);
    EXPECT_EQ(run(sharpen, flat).pixel(2, 2), kOpaque | grey(86));

    // The Gaussian and edge kernels differ only in sign, which the magnitude drops.
    utRasterData_c drawing = vemora_test::rasterFromAscii({"......", ".##...", "..#.#.", "......"});
    drawing.setPixel(4, 1, 0x00336699u);
    EXPECT_EQ(run(gaussian, drawing), run(edge, drawing));

    const utRasterData_c thin = filled(2, 7, grey(9));  // no interior
    EXPECT_EQ(run(sharpen, thin), thin);
}

TEST(stConvolutionFilterTest, NormalizingStretchesTheResponsesInPlace) {
    // Each pixel takes its left neighbour: responses 10, 50, 100 stretch to 0, 113, 255. Source
    // and result are one raster, and each result must still come from source pixels only.
    utRasterData_c r = filled(5, 3, grey(10));
    r.setPixel(1, 1, grey(50));
    r.setPixel(2, 1, grey(100));
    r.setPixel(3, 1, grey(150));
    Convolver c;
    c.normalize = true;
    c.m[1][1] = 0.0;
    c.m[0][1] = 1.0;
    std::unique_ptr<utRasterData_c> out(c.process(new utRasterData_c(r)));
    EXPECT_EQ(out->pixel(1, 1), kOpaque | grey(0));
    EXPECT_EQ(out->pixel(2, 1), kOpaque | grey(113));
    EXPECT_EQ(out->pixel(3, 1), kOpaque | grey(255));
}

TEST(stConvolutionFilterTest, ProgressStaysWithinAHundredOnWideImages) {
    stTool_c tool;
    Recorder rec;
    tool.addListener(&rec);
    stGaussianFilter_c gaussian;
    gaussian.setOwner(&tool);
    run(gaussian, filled(400, 3, grey(7)));
    ASSERT_EQ(rec.progress.size(), 398u);  // one per interior column
    EXPECT_EQ(rec.progress.front(), 33);   // (3 + 400) * 100 / 1200
    for (int p : rec.progress) EXPECT_LE(p, 100);
    EXPECT_EQ(rec.progress.back(), 100);
    EXPECT_EQ(rec.steps,
              (std::vector<std::wstring>{L"Gaussian filter...", L"/Gaussian filter..."}));
    // An A0 scan at 300 dpi: h + x w passes 2^31 / 100 long before the last column.
    EXPECT_EQ(columnProgress(5000, 9933, 14043), 35);
    EXPECT_EQ(columnProgress(9931, 9933, 14043), 70);  // 100 (1 / w + x / h)
}

TEST(stThresholdFilterTest, SplitsByColourLengthEitherWayRound) {
    // Grey v has length v sqrt 3: 73 -> 126.4 is not above 127, 74 -> 128.2 is.
    utRasterData_c r(4, 1);
    r.setPixel(0, 0, grey(73));
    r.setPixel(1, 0, grey(74));
    r.setPixel(2, 0, 0xFFFFFFFFu);  // white whatever the top byte
    r.setPixel(3, 0, 0xFF000000u);  // black whatever the top byte
    stThresholdFilter_c plain;
    const utRasterData_c p = run(plain, r);
    EXPECT_EQ(std::vector<uint32_t>(p.data(), p.data() + 4),
              (std::vector<uint32_t>{kPaper, kInk, kInk, kPaper}));
    stThresholdFilter_c inverted;
    inverted.setInverted(true);
    const utRasterData_c i = run(inverted, r);
    EXPECT_EQ(std::vector<uint32_t>(i.data(), i.data() + 4),
              (std::vector<uint32_t>{kInk, kPaper, kPaper, kInk}));

    // Configured from an element: a missing "inverted" is false whatever was held before.
    auto doc = vemora_test::xmlFromText(L"<P><level>200</level></P>");
    inverted.fromXml(doc->getDocumentElement());
    EXPECT_EQ(inverted.level(), 200);
    EXPECT_FALSE(inverted.inverted());
}

TEST(stNoiseFilterTest, KeepsEitherTheBandOrWhatLiesOutsideIt) {
    // Lengths: grey 20 -> 34.6 (below 50), 60 -> 103.9 (in), 130 -> 225.2 (above 200).
    utRasterData_c r(3, 1);
    r.setPixel(0, 0, grey(20));
    r.setPixel(1, 0, 0xAA000000u | grey(60));
    r.setPixel(2, 0, grey(130));
    stNoiseFilter_c band;
    const utRasterData_c b = run(band, r);
    EXPECT_EQ(std::vector<uint32_t>(b.data(), b.data() + 3),
              (std::vector<uint32_t>{kPaper, 0xAA000000u | grey(60), kPaper}));
    band.setInverted(true);
    const utRasterData_c o = run(band, r);
    EXPECT_EQ(std::vector<uint32_t>(o.data(), o.data() + 3),
              (std::vector<uint32_t>{grey(20), kPaper, grey(130)}));
}

TEST(stBrightnessAndContrastTest, TableShiftsAndStretchesEachChannel) {
    utRasterData_c r(3, 1);
    r.setPixel(0, 0, 0x0000107Fu);  // channels 0, 16, 127
    r.setPixel(1, 0, 0x00807E9Bu);  // 128, 126, 155
    r.setPixel(2, 0, 0x00FFFFFFu);
    stBrightnessAndContrast_c neutral;
    const utRasterData_c n = run(neutral, r);
    EXPECT_EQ(n.pixel(0, 0), kOpaque | 0x0000107Fu);
    EXPECT_EQ(n.pixel(1, 0), kOpaque | 0x00807E9Bu);

    stBrightnessAndContrast_c brighter;
    brighter.setBrightness(100);  // + 100, clamped
    const utRasterData_c b = run(brighter, r);
    EXPECT_EQ(b.pixel(0, 0), kOpaque | 0x006474E3u);
    EXPECT_EQ(b.pixel(1, 0), kOpaque | 0x00E4E2FFu);

    // Contrast 100 multiplies the distance from 127 by 16: 128 -> 143, 126 -> 111.
    stBrightnessAndContrast_c steep;
    steep.setContrast(100);
    const utRasterData_c s = run(steep, r);
    EXPECT_EQ(s.pixel(0, 0), kOpaque | 0x0000007Fu);
    EXPECT_EQ(s.pixel(1, 0), kOpaque | 0x008F6FFFu);
}

namespace {
// A 3x3 block at (1..3, 1..3) in 5 x 5. Worked by hand: the first pass peels all of it but
// (2, 2) and (3, 2), which are end points of each other from then on.
const std::initializer_list<const char*> kBlock = {".....", ".###.", ".###.", ".###.", "....."};
const std::initializer_list<const char*> kBlockThinned = {".....", ".....", "..##.", ".....",
                                                          "....."};
}  // namespace

TEST(stThiningFilterTest, PeelsABlockToItsCoreAndKeepsThinLines) {
    stThiningFilter_c thinning;
    EXPECT_EQ(run(thinning, vemora_test::rasterFromAscii(kBlock)),
              vemora_test::rasterFromAscii(kBlockThinned));
    const utRasterData_c line = vemora_test::rasterFromAscii({"......", ".####.", "......"});
    EXPECT_EQ(run(thinning, line), line);
}

TEST(stThiningFilterTest, ReadsColourBitsOnlyAndLeavesOtherPixelsAlone) {
    // The same block with the top byte set everywhere, and a real pixel of value 1 in a corner.
    utRasterData_c r = vemora_test::rasterFromAscii(kBlock);
    for (unsigned i = 0; i < 25; ++i) r.data()[i] |= kOpaque;
    r.setPixel(4, 4, 1u);
    stThiningFilter_c thinning;
    const utRasterData_c out = run(thinning, r);
    utRasterData_c expected = vemora_test::rasterFromAscii(kBlockThinned);
    expected.setPixel(4, 4, 1u);
    for (unsigned y = 0; y < 5; ++y)
        for (unsigned x = 0; x < 5; ++x)
            EXPECT_EQ(out.pixel(x, y) & 0xFFFFFFu, expected.pixel(x, y)) << x << "," << y;

    utRasterData_c line = vemora_test::rasterFromAscii({"......", ".####.", "......"});
    for (unsigned i = 0; i < 18; ++i) line.data()[i] |= kOpaque;
    EXPECT_EQ(run(thinning, line), line);
}

TEST(stThiningFilterTest, AHugeStepCountStopsWhenAPassChangesNothing) {
    auto doc = vemora_test::xmlFromText(L"<P><stepCount>-1</stepCount></P>");
    stThiningFilter_c thinning;
    thinning.fromXml(doc->getDocumentElement());
    EXPECT_EQ(thinning.stepCount(), 4294967295u);
    EXPECT_EQ(run(thinning, vemora_test::rasterFromAscii(kBlock)),
              vemora_test::rasterFromAscii(kBlockThinned));
}

// "Clean": a threshold that keeps dark ink dark, then the sparse tracer. A drawing on mid-grey
// paper comes out as the same drawing traced on white.
TEST(stThresholdFilterTest, CleanToolTracesTheStrokesOfAGreyScanAndNotThePaper) {
    auto doc = vemora_test::xmlFromText(
        L"<Tool name=\"Clean\"><Raster>"
        L"<Processor processorName=\"ThresholdFilter\" name=\"binarize\">"
        L"<level>127</level><inverted>true</inverted></Processor></Raster>"
        L"<Algorithm><Processor processorName=\"SpvAlgorithm\" name=\"SPV\">"
        L"<BlackLevel>187</BlackLevel><LengthStepLength>17</LengthStepLength>"
        L"<MaxWidthDeviation>3</MaxWidthDeviation><ScanLineThreshold>2</ScanLineThreshold>"
        L"</Processor></Algorithm></Tool>");
    stTool_c clean{stToolDefinition_c(doc->getDocumentElement())};
    ASSERT_EQ(clean.countPreProcessors(), 1);

    auto draw = [](uint32_t paper, uint32_t ink) {
        utRasterData_c r = filled(160, 120, paper);
        vemora_test::fillBox(r, 10, 10, 150, 13, ink);
        vemora_test::drawStroke(r, 20, 110, 140, 30, 4, ink);
        vemora_test::fillBox(r, 80, 20, 83, 110, ink);
        return r;
    };
    stToolContextImpl_c scan(draw(grey(128), grey(40)));
    ASSERT_TRUE(clean.apply(&scan));
    EXPECT_EQ(*scan.getRaster(), draw(kPaper, kInk));

    stSpvAlgorithm_c spv;
    utRasterData_c onWhite = draw(kPaper, kInk);
    std::unique_ptr<stSketch_c> expected(spv.trace(&onWhite, nullptr, 0, 0));
    const stSketch_c* traced = scan.getVectors();
    ASSERT_NE(traced, nullptr);
    ASSERT_GE(expected->entitiesCount(), 3);
    ASSERT_EQ(traced->entitiesCount(), expected->entitiesCount());
    for (int i = 0; i < expected->entitiesCount(); ++i)
        EXPECT_TRUE(traced->entityAt(i)->isEqual(expected->entityAt(i))) << i;
}

TEST(stThresholdFilterTest, AFailureLeavesTheWorkingRasterWholeAndEndsTheStep) {
    struct Throwing : Recorder {
        bool onProgress(const stTool_c*, int p) override {
            if (p > 50) throw std::runtime_error("listener failed");
            return true;
        }
    } listener;
    stTool_c tool;
    tool.addListener(&listener);
    stThresholdFilter_c threshold;
    threshold.setOwner(&tool);
    const utRasterData_c source = filled(8, 8, grey(200));
    stToolContextImpl_c context(source);
    EXPECT_FALSE(threshold.apply(&context));
    EXPECT_EQ(*context.getRaster(), source);
    EXPECT_EQ(listener.steps,
              (std::vector<std::wstring>{L"Threshold filter...", L"/Threshold filter..."}));
}
