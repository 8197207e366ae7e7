// The global threshold on the length of a pixel's colour.

#include <vemora/foundation/utRasterData.h>
#include <vemora/raster/stRasterFilters.h>

#include "config/propertyTable.h"
#include "raster/filterRun.h"

namespace Vemora {

namespace {
stConfigurable_c* create() { return new stThresholdFilter_c(); }
}  // namespace

const tmpPropertyTable_c<stThresholdFilter_c>& stThresholdFilter_c::properties() {
    static const tmpPropertyTable_c<stThresholdFilter_c> table = [] {
        using T = stThresholdFilter_c;
        tmpPropertyTable_c<T> t;
        t.integer(L"level", &T::level_).boolean(L"inverted", &T::inverted_);
        return t;
    }();
    return table;
}

stDescriptor_c* stThresholdFilter_c::desc() {
    static stDescriptor_c d(L"ThresholdFilter", &create, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stThresholdFilter_c::isA() { return desc(); }
void stThresholdFilter_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

utRasterData_c* stThresholdFilter_c::process(utRasterData_c* in) {
    static const wchar_t* const kStep = L"Threshold filter...";
    // Not inverted, light pixels become black; inverted keeps ink dark on white paper.
    const uint32_t above = inverted_ ? kWhite : 0u;
    const uint32_t below = inverted_ ? 0u : kWhite;
    const double level = level_;
    return filterStepIntoCopy(
        *this, kStep, in, [&](const utRasterData_c& src, utRasterData_c& dst) {
            mapPixelsByColumns(
                src, dst, [&](uint32_t p) { return colourLength(p) > level ? above : below; },
                [this](int percent) { notifyProgress(percent); });
        });
}

}  // namespace Vemora
