// Brightness and contrast through one lookup table shared by the three channels.

#include <vemora/foundation/utRasterData.h>
#include <vemora/raster/stRasterFilters.h>

#include <algorithm>

#include "config/propertyTable.h"
#include "raster/filterRun.h"

namespace Vemora {

namespace {

stConfigurable_c* create() { return new stBrightnessAndContrast_c(); }

// Contrast scales the distance from mid-grey (50 keeps it, below 50 flattens gently, above 50
// steepens up to 16 times); brightness shifts by 2b - 100 levels.
struct tmpChannelTable_c {
    uint32_t t[256];
    tmpChannelTable_c(int brightness, int contrast) {
        const double c = contrast;
        const double factor =
            c <= 50 ? 1.0 - (50.0 - c) / 15.0 / 50.0 : (c - 50.0) * 15.0 / 50.0 + 1.0;
        const double shift = 2.0 * brightness - 100.0;
        for (int i = 0; i < 256; ++i) t[i] = channelByte(factor * (i - 127) + 127 + shift);
    }
};

}  // namespace

const tmpPropertyTable_c<stBrightnessAndContrast_c>& stBrightnessAndContrast_c::properties() {
    static const tmpPropertyTable_c<stBrightnessAndContrast_c> table = [] {
        using B = stBrightnessAndContrast_c;
        tmpPropertyTable_c<B> t;
        t.integer(L"brightness", &B::brightness_)
            .integer(L"contrast", &B::contrast_)
            .integer(L"alpha", &B::alpha_);
        return t;
    }();
    return table;
}

stDescriptor_c* stBrightnessAndContrast_c::desc() {
    static stDescriptor_c d(L"BrightnessAndContrast", &create, stRasterProcessor_c::desc(),
                            nullptr);
    return &d;
}
stDescriptor_c* stBrightnessAndContrast_c::isA() { return desc(); }
void stBrightnessAndContrast_c::fromXml(stXmlElement_c* element) {
    properties().read(*this, element);
}

utRasterData_c* stBrightnessAndContrast_c::process(utRasterData_c* in) {
    static const wchar_t* const kStep = L"Brightness and contrast...";
    const tmpChannelTable_c table(brightness_, contrast_);
    const uint32_t* const t = table.t;
    return filterStepIntoCopy(
        *this, kStep, in, [&](const utRasterData_c& src, utRasterData_c& dst) {
            mapPixelsByColumns(
                src, dst,
                [t](uint32_t p) {
                    return kOpaque | t[redOf(p)] << 16 | t[greenOf(p)] << 8 | t[blueOf(p)];
                },
                [this](int percent) { notifyProgress(percent); });
        });
}

}  // namespace Vemora
