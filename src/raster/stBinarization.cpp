// Binarization: the page's own level between ink and paper, found once for the page or for each
// pixel, then every pixel written as ink or paper in place.

#include <vemora/foundation/utRasterData.h>
#include <vemora/raster/stBinarization.h>

#include <cstdio>
#include <memory>
#include <string>

#include "config/propertyTable.h"
#include "raster/greyHistogram.h"
#include "raster/inkMapping.h"
#include "raster/inkTest.h"

namespace Vemora {

namespace {

stConfigurable_c* create() { return new stBinarization_c(); }

const wchar_t* const kStep = L"Binarization...";

// Of the progress, the count of the page's tones takes this share when there is one.
constexpr int kCountingPercent = 40;

}  // namespace

const tmpPropertyTable_c<stBinarization_c>& stBinarization_c::properties() {
    static const tmpPropertyTable_c<stBinarization_c> table = [] {
        using B = stBinarization_c;
        tmpPropertyTable_c<B> t;
        t.integer(L"method", &B::method_)
            .integer(L"level", &B::level_)
            .integer(L"window", &B::window_)
            .real(L"k", &B::k_);
        return t;
    }();
    return table;
}

stDescriptor_c* stBinarization_c::desc() {
    static stDescriptor_c d(L"Binarization", &create, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stBinarization_c::isA() { return desc(); }
void stBinarization_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

utRasterData_c* stBinarization_c::process(utRasterData_c* in) {
    notifyStarted();
    notifyStepStarted(kStep);
    try {
        const uint64_t pixels = uint64_t(in->width()) * in->height();
        const int method = method_ >= kAuto && method_ <= kFixed ? method_ : kAuto;
        int from = 0;
        const auto progress = [&](int percent) {
            notifyProgress(from + percent * (100 - from) / 100);
        };
        uint64_t ink = 0;
        if (method == kFixed) {
            usedMethod_ = kFixed;
            usedLevel_ = level_;
            ink = inkBelowSum(*in, inkSumLimit(level_), progress);
        } else if (method == kLocal) {
            usedMethod_ = kLocal;
            usedLevel_ = -1.0;
            ink = inkBelowSauvola(*in, window_, k_, progress);
        } else {
            const tmpTileHistograms_c tiles(
                *in, [&](int percent) { notifyProgress(percent * kCountingPercent / 100); });
            from = kCountingPercent;
            const tmpOtsuSplit_c split = otsuSplit(tiles.whole());
            if (method == kAuto && paperDarkensBelowSplit(tiles, split)) {
                usedMethod_ = kLocal;
                usedLevel_ = -1.0;
                ink = inkBelowSauvola(*in, window_, k_, progress);
            } else {
                usedMethod_ = kGlobal;
                usedLevel_ = split.limit / 3.0;
                ink = inkBelowSum(*in, split.limit, progress);
            }
        }
        inkShare_ = pixels ? double(ink) / double(pixels) : 0.0;
    } catch (...) {
        notifyStepFinished(kStep);
        notifyFinished();
        throw;
    }
    report(kStep);
    notifyStepFinished(kStep);
    notifyFinished();
    return in;
}

void stBinarization_c::report(const wchar_t* step) {
    wchar_t text[160];
    if (usedMethod_ == kLocal) {
        std::swprintf(text, sizeof text / sizeof *text,
                      L"local level (window %d, k %g): %.2f %% of the pixels are ink", window_, k_,
                      inkShare_ * 100.0);
    } else {
        std::swprintf(text, sizeof text / sizeof *text,
                      L"%ls level %.1f: %.2f %% of the pixels are ink",
                      usedMethod_ == kFixed ? L"fixed" : L"global", usedLevel_, inkShare_ * 100.0);
    }
    notifyLogMessage(step, text);
}

}  // namespace Vemora
