// The band filter on the length of a pixel's colour.

#include <vemora/foundation/utRasterData.h>
#include <vemora/raster/stRasterFilters.h>

#include "config/propertyTable.h"
#include "raster/filterRun.h"

namespace Vemora {

namespace {
stConfigurable_c* create() { return new stNoiseFilter_c(); }
}  // namespace

const tmpPropertyTable_c<stNoiseFilter_c>& stNoiseFilter_c::properties() {
    static const tmpPropertyTable_c<stNoiseFilter_c> table = [] {
        using N = stNoiseFilter_c;
        tmpPropertyTable_c<N> t;
        t.integer(L"lowBand", &N::lowBand_)
            .integer(L"hiBand", &N::hiBand_)
            .boolean(L"inverted", &N::inverted_);
        return t;
    }();
    return table;
}

stDescriptor_c* stNoiseFilter_c::desc() {
    static stDescriptor_c d(L"NoiseFilter", &create, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stNoiseFilter_c::isA() { return desc(); }
void stNoiseFilter_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

utRasterData_c* stNoiseFilter_c::process(utRasterData_c* in) {
    static const wchar_t* const kStep = L"Noise filter...";
    const double low = lowBand_, high = hiBand_;
    const bool keepBand = !inverted_;
    return filterStepIntoCopy(*this, kStep, in,
                              [&](const utRasterData_c& src, utRasterData_c& dst) {
                                  mapPixelsByColumns(
                                      src, dst,
                                      [&](uint32_t p) {
                                          const double g = colourLength(p);
                                          const bool inBand = low < g && g < high;
                                          return inBand == keepBand ? p : kWhite;
                                      },
                                      [this](int percent) { notifyProgress(percent); });
                              });
}

}  // namespace Vemora
