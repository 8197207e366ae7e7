// Clusterization on small rasters drawn here, with the expected pixels worked out by hand.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "rasterDrawing.h"

using namespace Vemora;

namespace {

constexpr uint32_t kTint = 0x00C0D0E0u;  // light: channel mean 208

utRasterData_c tinted(unsigned w, unsigned h) {
    utRasterData_c r(w, h);
    std::fill(r.data(), r.data() + size_t(w) * h, kTint);
    return r;
}

// The pixels as text: '#' black, '.' the tint, '-' white, '?' anything else.
std::vector<std::string> picture(const utRasterData_c& r) {
    std::vector<std::string> rows;
    for (unsigned y = 0; y < r.height(); ++y) {
        std::string row;
        for (unsigned x = 0; x < r.width(); ++x) {
            const uint32_t p = r.pixel(x, y);
            row += p == 0 ? '#' : p == kTint ? '.' : p == 0x00FFFFFFu ? '-' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

struct Canceller : stToolListener_c {
    std::wstring refuseStep, cancelIn;
    std::wstring current;
    std::vector<std::wstring> calls;
    std::vector<int> progress;
    bool onStepStart(const stTool_c*, const wchar_t* s) override {
        calls.push_back(s);
        current = s;
        return refuseStep != s;
    }
    bool onProgress(const stTool_c*, int p) override {
        progress.push_back(p);
        return !(cancelIn == current && p == 50);
    }
    void onStepFinish(const stTool_c*, const wchar_t* s) override {
        calls.push_back(std::wstring(L"/") + s);
    }
};

std::vector<std::string> clusterized(int size, const utRasterData_c& r, stTool_c* owner = nullptr) {
    stClusterization_c c;
    c.setUseClusterization(true);
    c.setClusterSize(size);
    c.setOwner(owner);
    std::unique_ptr<utRasterData_c> out(c.process(new utRasterData_c(r)));
    return picture(*out);
}

}  // namespace

TEST(stClusterizationTest, OffHandsTheSameRasterBack) {
    stClusterization_c c;  // never configured: off
    EXPECT_FALSE(c.useClusterization());
    EXPECT_EQ(c.countSubProcessors(), 0);
    auto* r = new utRasterData_c(tinted(3, 3));
    std::unique_ptr<utRasterData_c> out(c.process(r));
    EXPECT_EQ(out.get(), r);
}

TEST(stClusterizationTest, DarkPixelsSpreadOverTheCentredWindow) {
    // One dark pixel inside and one in the last row and column; the light ones keep their tint.
    utRasterData_c r = tinted(7, 5);
    r.setPixel(2, 1, 0x00404040u);
    r.setPixel(6, 4, 0x00000000u);
    r.setPixel(6, 0, 0x007F7F7Fu);  // mean 127 is not dark
    EXPECT_EQ(clusterized(1, r),
              (std::vector<std::string>{".###..?", ".###...", ".###...", ".....##", ".....##"}));
    EXPECT_EQ(clusterized(2, r),
              (std::vector<std::string>{"#####.?", "#####..", "#######", "#######", "....###"}));
    EXPECT_EQ(clusterized(0, r)[1], "..#....");
    EXPECT_EQ(clusterized(-1, r), picture(r));  // an empty window reaches nothing
}

TEST(stClusterizationTest, ProgressInTwentiethsAndCancellation) {
    utRasterData_c r = tinted(8, 5);  // 40 pixels: a step of 5 every 2 pixels
    r.setPixel(4, 2, 0);
    stTool_c tool;
    Canceller listener;
    tool.addListener(&listener);
    clusterized(1, r, &tool);
    std::vector<int> twice;
    for (int round = 0; round < 2; ++round)
        for (int p = 0; p < 100; p += 5) twice.push_back(p);
    EXPECT_EQ(listener.progress, twice);
    EXPECT_EQ(listener.calls,
              (std::vector<std::wstring>{L"Clasterization - step 1", L"/Clasterization - step 1",
                                         L"Clasterization - step 2", L"/Clasterization - step 2"}));

    // Below 20 pixels a pixel spans several steps, and the count stays below 100.
    listener.progress.clear();
    clusterized(1, tinted(3, 2), &tool);
    std::vector<int> coarse;  // the last of 6 pixels is 16 twentieths in
    for (int round = 0; round < 2; ++round)
        for (int p = 0; p <= 80; p += 5) coarse.push_back(p);
    EXPECT_EQ(listener.progress, coarse);

    // Cancelled in step 2, the result is the black-and-white picture of the dark pixels; cancelled
    // in step 1 or refused at a step, an unchanged copy.
    const std::vector<std::string> binary = {"--------", "--------", "----#---", "--------",
                                             "--------"};
    listener.cancelIn = L"Clasterization - step 2";
    EXPECT_EQ(clusterized(1, r, &tool), binary);
    listener.cancelIn = L"Clasterization - step 1";
    EXPECT_EQ(clusterized(1, r, &tool), picture(r));
    listener.cancelIn.clear();
    listener.refuseStep = L"Clasterization - step 2";
    listener.calls.clear();
    EXPECT_EQ(clusterized(1, r, &tool), picture(r));
    EXPECT_EQ(listener.calls.back(), L"Clasterization - step 2");  // a refused step is not ended
}

TEST(stClusterizationTest, MatchesTheSquareWindowPixelByPixel) {
    // Scattered dark pixels; every pixel with one within s in x and in y must turn black.
    utRasterData_c r = tinted(23, 17);
    uint32_t seed = 12345;
    for (int i = 0; i < 12; ++i) {
        seed = seed * 1103515245u + 12345u;
        r.setPixel((seed >> 8) % 23, (seed >> 20) % 17, 0x00101010u);
    }
    for (int s : {1, 2, 4, 30}) {
        SCOPED_TRACE(s);
        std::vector<std::string> expected = picture(r);
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x)
                for (int v = std::max(0, y - s); v <= std::min(16, y + s); ++v)
                    for (int u = std::max(0, x - s); u <= std::min(22, x + s); ++u)
                        if (r.pixel(u, v) == 0x00101010u) expected[y][x] = '#';
        EXPECT_EQ(clusterized(s, r), expected);
    }
}
