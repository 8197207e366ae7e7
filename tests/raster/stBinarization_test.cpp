// Binarization on pages drawn here: grey paper under even and uneven light with dark pen strokes,
// blank paper and a filled area.

#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "rasterDrawing.h"
#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::kInk;
using vemora_test::kPaper;

namespace {

uint32_t grey(double v) {
    const unsigned g = unsigned(std::lround(std::clamp(v, 0.0, 255.0)));
    return g * 0x010101u;
}

// Noise in [-1, 1], the same for the same pixel.
double noise(unsigned x, unsigned y) {
    uint32_t h = x * 73856093u ^ y * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return double(h % 2001u) / 1000.0 - 1.0;
}

// A page whose pixels are paper(x, y) or, on the strokes, ink(x, y); `nearStrokes` marks the
// pixels within 4 px of a stroke, the rest is open paper.
struct Page {
    utRasterData_c raster;
    utRasterData_c strokes;
    utRasterData_c nearStrokes;
};

struct Segment {
    double x1, y1, x2, y2;
};

template <class PaperGrey, class InkGrey>
Page drawPage(unsigned w, unsigned h, const std::vector<Segment>& segments, double width,
              PaperGrey paper, InkGrey ink) {
    Page page{utRasterData_c(w, h), vemora_test::blankRaster(w, h), vemora_test::blankRaster(w, h)};
    for (const Segment& s : segments) {
        vemora_test::drawStroke(page.strokes, s.x1, s.y1, s.x2, s.y2, width);
        vemora_test::drawStroke(page.nearStrokes, s.x1, s.y1, s.x2, s.y2, width + 8.0);
    }
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            page.raster.setPixel(x, y,
                                 grey(page.strokes.pixel(x, y) == kInk ? ink(x, y) : paper(x, y)));
    return page;
}

// Of the stroke pixels, the share found as ink; of the open paper, the share found as ink.
struct Found {
    double strokes = 0.0;
    double openPaper = 0.0;
};

Found found(const Page& page, const utRasterData_c& out) {
    double strokes = 0, strokeInk = 0, open = 0, openInk = 0;
    for (unsigned y = 0; y < out.height(); ++y)
        for (unsigned x = 0; x < out.width(); ++x) {
            const bool ink = out.pixel(x, y) == kInk;
            EXPECT_TRUE(ink || out.pixel(x, y) == kPaper);
            if (page.strokes.pixel(x, y) == kInk) {
                ++strokes;
                strokeInk += ink;
            } else if (page.nearStrokes.pixel(x, y) != kInk) {
                ++open;
                openInk += ink;
            }
        }
    return {strokeInk / strokes, openInk / open};
}

utRasterData_c run(stBinarization_c& b, const utRasterData_c& r) {
    std::unique_ptr<utRasterData_c> out(b.process(new utRasterData_c(r)));
    return *out;
}

stBinarization_c withMethod(int method) {
    stBinarization_c b;
    b.setMethod(method);
    return b;
}

const std::vector<Segment> kPenStrokes = {
    {10, 40, 230, 40}, {30, 10, 30, 170}, {200, 10, 200, 170}, {20, 160, 220, 60}};

}  // namespace

TEST(stBinarizationTest, UnevenlyLitGreyPageGivesItsStrokesAndNotThePaper) {
    // Mid-grey paper lit from the right, from 75 on the left to 200 on the right, pen strokes at
    // a third of the paper's grey: no single level splits them, so the page's own level has to
    // follow the light.
    const auto paper = [](unsigned x, unsigned y) {
        return 75.0 + 125.0 * (x + 0.5 * y) / (240 + 0.5 * 180) + 6.0 * noise(x, y);
    };
    const auto ink = [&](unsigned x, unsigned y) { return paper(x, y) / 3.0; };
    const Page page = drawPage(240, 180, kPenStrokes, 3.0, paper, ink);

    stBinarization_c local = withMethod(stBinarization_c::kLocal);
    const Found l = found(page, run(local, page.raster));
    EXPECT_GE(l.strokes, 0.97);
    EXPECT_LE(l.openPaper, 0.002);

    stBinarization_c automatic = withMethod(stBinarization_c::kAuto);
    EXPECT_EQ(run(automatic, page.raster), run(local, page.raster));
    EXPECT_EQ(automatic.usedMethod(), stBinarization_c::kLocal);
    EXPECT_NEAR(automatic.inkShare(), local.inkShare(), 1e-12);

    // The page is a real trial: one level for the whole page inks the dim paper.
    stBinarization_c global = withMethod(stBinarization_c::kGlobal);
    EXPECT_GT(found(page, run(global, page.raster)).openPaper, 0.05);
}

TEST(stBinarizationTest, EvenScanGivesWhatTheRightFixedLevelGives) {
    // Paper 222 to 242, ink 30 to 50, strokes a few percent of the page: every level from 51 to
    // 222 gives the same picture, a level taken from the mean of the page (about 227) would not.
    const auto paper = [](unsigned x, unsigned y) { return 232.0 + 10.0 * noise(x, y); };
    const auto ink = [](unsigned x, unsigned y) { return 40.0 + 10.0 * noise(y, x); };
    const Page page = drawPage(240, 180, kPenStrokes, 2.0, paper, ink);

    stBinarization_c fixed = withMethod(stBinarization_c::kFixed);
    fixed.setLevel(136);
    const utRasterData_c expected = run(fixed, page.raster);
    const Found f = found(page, expected);
    ASSERT_EQ(f.strokes, 1.0);
    ASSERT_EQ(f.openPaper, 0.0);

    for (int method : {stBinarization_c::kGlobal, stBinarization_c::kAuto}) {
        SCOPED_TRACE(method);
        stBinarization_c b = withMethod(method);
        EXPECT_EQ(run(b, page.raster), expected);
        EXPECT_EQ(b.usedMethod(), stBinarization_c::kGlobal);
        EXPECT_GT(b.usedLevel(), 50.0);
        EXPECT_LT(b.usedLevel(), 222.0);
        EXPECT_NEAR(b.inkShare(), fixed.inkShare(), 1e-12);
    }
}

TEST(stBinarizationTest, BlankPagesHoldNoInkAndFilledAreasStayWhole) {
    // Noisy blank paper is one tone, whatever its noise: nothing is ink.
    utRasterData_c blank(120, 90);
    for (unsigned y = 0; y < 90; ++y)
        for (unsigned x = 0; x < 120; ++x) blank.setPixel(x, y, grey(200.0 + 8.0 * noise(x, y)));
    for (int method : {stBinarization_c::kGlobal, stBinarization_c::kAuto}) {
        stBinarization_c b = withMethod(method);
        EXPECT_EQ(run(b, blank), vemora_test::blankRaster(120, 90));
        EXPECT_EQ(b.inkShare(), 0.0);
    }

    // A solid disc far wider than the local window, on even paper: the page's own level keeps it
    // solid, while the local level would hollow it out.
    utRasterData_c disc = vemora_test::blankRaster(400, 300);
    vemora_test::drawStroke(disc, 200, 150, 200, 150, 220.0);
    stBinarization_c automatic = withMethod(stBinarization_c::kAuto);
    EXPECT_EQ(run(automatic, disc), disc);
    EXPECT_EQ(automatic.usedMethod(), stBinarization_c::kGlobal);
    stBinarization_c local = withMethod(stBinarization_c::kLocal);
    EXPECT_EQ(run(local, disc).pixel(200, 150), kPaper);
}

TEST(stBinarizationTest, ReadsItsPropertiesAndReportsItsStep) {
    auto doc = vemora_test::xmlFromText(
        L"<P><method>3</method><level>100</level><window>15</window><k>0.3</k></P>");
    stBinarization_c b;
    b.fromXml(doc->getDocumentElement());
    EXPECT_EQ(b.method(), stBinarization_c::kFixed);
    EXPECT_EQ(b.level(), 100);
    EXPECT_EQ(b.window(), 15);
    EXPECT_EQ(b.k(), 0.3);

    struct Recorder : stToolListener_c {
        std::vector<std::wstring> events;
        std::vector<int> progress;
        bool onStart(const stTool_c*) override { return record(L"start"); }
        bool onStepStart(const stTool_c*, const wchar_t* s) override { return record(s); }
        bool onProgress(const stTool_c*, int p) override {
            progress.push_back(p);
            return true;
        }
        void onStepFinish(const stTool_c*, const wchar_t* s) override {
            record(std::wstring(L"/") + s);
        }
        void onFinish(const stTool_c*) override { record(L"finish"); }
        void onLogMessage(const stTool_c*, const wchar_t* a, const wchar_t* b) override {
            record(std::wstring(a) + L" " + b);
        }
        bool record(const std::wstring& e) {
            events.push_back(e);
            return true;
        }
    } rec;
    stTool_c tool;
    tool.addListener(&rec);
    b.setOwner(&tool);
    utRasterData_c r = vemora_test::blankRaster(4, 2);
    r.setPixel(0, 0, grey(99));
    r.setPixel(1, 0, grey(100));
    const utRasterData_c out = run(b, r);
    EXPECT_EQ(out.pixel(0, 0), kInk);  // strictly below the level
    EXPECT_EQ(out.pixel(1, 0), kPaper);
    EXPECT_EQ(rec.events, (std::vector<std::wstring>{
                              L"start", L"Binarization...",
                              L"Binarization... fixed level 100.0: 12.50 % of the pixels are ink",
                              L"/Binarization...", L"finish"}));
    ASSERT_FALSE(rec.progress.empty());
    EXPECT_EQ(rec.progress.back(), 100);
}
