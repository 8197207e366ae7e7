// Clusterization: a dilation of the dark pixels by a square window.
//
// The square window is the product of a row window and a column window, so the dilation runs as
// two sliding counts, first along each row (step 1, which also finds the dark pixels) and then
// down each column (step 2). Each costs a few operations per pixel whatever the window's size.

#include <vemora/foundation/utRasterData.h>
#include <vemora/raster/stClusterization.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "config/propertyTable.h"
#include "raster/filterRun.h"

namespace Vemora {

namespace {

stConfigurable_c* create() { return new stClusterization_c(); }

const wchar_t* const kStep1 = L"Clasterization - step 1";
const wchar_t* const kStep2 = L"Clasterization - step 2";

inline bool isDark(uint32_t p) { return (redOf(p) + greenOf(p) + blueOf(p)) / 3.0 < 127.0; }

// Progress of a row-by-row walk in steps of 5 percent: every twentieth of the pixels reached
// reports the next step, from 0 up to 95.
template <class Notify>
class tmpTwentieths_c {
public:
    tmpTwentieths_c(uint64_t pixels, Notify notify) : pixels_(pixels), notify_(notify) {}
    // Reports the steps reached by pixel index i; false when a listener cancelled.
    bool reach(uint64_t i) {
        const int64_t k = int64_t(i * 20 / pixels_);
        while (last_ < k)
            if (!notify_(int(++last_ * 5))) return false;
        return true;
    }

private:
    uint64_t pixels_;
    Notify notify_;
    int64_t last_ = -1;
};

}  // namespace

const tmpPropertyTable_c<stClusterization_c>& stClusterization_c::properties() {
    static const tmpPropertyTable_c<stClusterization_c> table = [] {
        using C = stClusterization_c;
        tmpPropertyTable_c<C> t;
        t.boolean(L"UseClusterization", &C::useClusterization_)
            .integer(L"MetaPixelSize", &C::clusterSize_);
        return t;
    }();
    return table;
}

stDescriptor_c* stClusterization_c::desc() {
    static stDescriptor_c d(L"Clusterization", &create, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stClusterization_c::isA() { return desc(); }
void stClusterization_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

utRasterData_c* stClusterization_c::process(utRasterData_c* in) {
    if (!useClusterization_) return in;

    auto result = std::make_unique<utRasterData_c>(*in);
    // The input goes only once the result is complete; a failure leaves it to the caller.
    auto done = [&] {
        delete in;
        return result.release();
    };
    const unsigned w = in->width(), h = in->height();
    const uint64_t pixels = uint64_t(w) * h;
    if (pixels == 0) return done();
    auto progress = [this](int percent) { return notifyProgress(percent); };
    // A window wider than the raster reaches as far as one just as wide.
    const int64_t s = std::min<int64_t>(clusterSize_, std::max(w, h));
    const uint32_t* const src = in->data();

    const wchar_t* step = nullptr;
    try {
        // Step 1: near[x, y] tells whether a dark pixel lies within s columns on row y.
        if (!notifyStepStarted(kStep1)) return done();
        step = kStep1;
        std::vector<uint8_t> near(pixels, 0);
        tmpTwentieths_c<decltype(progress)> ticks1(pixels, progress);
        for (unsigned y = 0; y < h; ++y) {
            if (!ticks1.reach(uint64_t(y + 1) * w - 1)) {
                notifyStepFinished(kStep1);
                return done();
            }
            if (s < 0) continue;
            const uint32_t* row = src + size_t(y) * w;
            uint8_t* nearRow = near.data() + size_t(y) * w;
            int64_t count = 0;  // dark pixels in columns x - s .. x + s
            for (int64_t x = 0; x <= std::min<int64_t>(s, w - 1); ++x) count += isDark(row[x]);
            for (int64_t x = 0; x < w; ++x) {
                nearRow[x] = count > 0;
                if (x + s + 1 < w) count += isDark(row[x + s + 1]);
                if (x - s >= 0) count -= isDark(row[x - s]);
            }
        }
        notifyStepFinished(kStep1);
        step = nullptr;

        // Step 2: a pixel turns black when a row of its column window has near set.
        if (!notifyStepStarted(kStep2)) return done();
        step = kStep2;
        uint32_t* const out = result->data();
        std::vector<int32_t> count(w, 0);  // rows y - s .. y + s with near set, per column
        auto addRow = [&](int64_t y, int delta) {
            if (y < 0 || y >= h) return;
            const uint8_t* nearRow = near.data() + size_t(y) * w;
            for (unsigned x = 0; x < w; ++x) count[x] += delta * nearRow[x];
        };
        if (s >= 0)
            for (int64_t y = 0; y <= std::min<int64_t>(s, h - 1); ++y) addRow(y, 1);
        tmpTwentieths_c<decltype(progress)> ticks2(pixels, progress);
        for (unsigned y = 0; y < h; ++y) {
            if (!ticks2.reach(uint64_t(y + 1) * w - 1)) {
                // Cancelled: the result is the black-and-white picture of the dark pixels.
                for (size_t i = 0; i < pixels; ++i) out[i] = isDark(src[i]) ? 0u : kWhite;
                notifyStepFinished(kStep2);
                return done();
            }
            if (s < 0) continue;
            if (y > 0) {
                addRow(int64_t(y) + s, 1);
                addRow(int64_t(y) - s - 1, -1);
            }
            uint32_t* outRow = out + size_t(y) * w;
            for (unsigned x = 0; x < w; ++x)
                if (count[x] > 0) outRow[x] = 0;
        }
        notifyStepFinished(kStep2);
        return done();
    } catch (...) {
        if (step) notifyStepFinished(step);
        throw;
    }
}

}  // namespace Vemora
