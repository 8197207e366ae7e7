// The four convolution filters: fixed or configured 3x3 kernels run through the shared
// convolution in magnitude mode, so each gives a grey picture.

#include <vemora/foundation/utRasterData.h>
#include <vemora/raster/stRasterFilters.h>

#include "config/propertyTable.h"
#include "raster/filterRun.h"

namespace Vemora {

namespace {

stConfigurable_c* createGaussian() { return new stGaussianFilter_c(); }
stConfigurable_c* createEdge() { return new stEdgeFilter_c(); }
stConfigurable_c* createSharpen() { return new stSharpenFilter_c(); }
stConfigurable_c* createCustom() { return new stCustomFilter_c(); }

// A kernel with one value on the eight outer places and another in the centre.
struct tmpRingKernel_c {
    double m[3][3];
    tmpRingKernel_c(double outer, double centre) {
        for (auto& column : m)
            for (double& v : column) v = outer;
        m[1][1] = centre;
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------

stDescriptor_c* stGaussianFilter_c::desc() {
    static stDescriptor_c d(L"GaussianFilter", &createGaussian, stRasterProcessor_c::desc(),
                            nullptr);
    return &d;
}
stDescriptor_c* stGaussianFilter_c::isA() { return desc(); }

utRasterData_c* stGaussianFilter_c::process(utRasterData_c* in) {
    static const wchar_t* const kStep = L"Gaussian filter...";
    const tmpRingKernel_c kernel(-0.125, 1.0);
    return filterStepIntoCopy(*this, kStep, in,
                              [&](const utRasterData_c& src, utRasterData_c& dst) {
                                  apply3x3Filter(&src, kernel.m, &dst, false, true);
                              });
}

// ---------------------------------------------------------------------------------------------

stDescriptor_c* stEdgeFilter_c::desc() {
    static stDescriptor_c d(L"EdgeFilter", &createEdge, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stEdgeFilter_c::isA() { return desc(); }

utRasterData_c* stEdgeFilter_c::process(utRasterData_c* in) {
    static const wchar_t* const kStep = L"Edge filter...";
    const tmpRingKernel_c kernel(0.125, -1.0);
    return filterStepIntoCopy(*this, kStep, in,
                              [&](const utRasterData_c& src, utRasterData_c& dst) {
                                  apply3x3Filter(&src, kernel.m, &dst, false, true);
                              });
}

// ---------------------------------------------------------------------------------------------

const tmpPropertyTable_c<stSharpenFilter_c>& stSharpenFilter_c::properties() {
    static const tmpPropertyTable_c<stSharpenFilter_c> table = [] {
        tmpPropertyTable_c<stSharpenFilter_c> t;
        t.real(L"k", &stSharpenFilter_c::k_);
        return t;
    }();
    return table;
}

stDescriptor_c* stSharpenFilter_c::desc() {
    static stDescriptor_c d(L"SharpenFilter", &createSharpen, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stSharpenFilter_c::isA() { return desc(); }
void stSharpenFilter_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

utRasterData_c* stSharpenFilter_c::process(utRasterData_c* in) {
    static const wchar_t* const kStep = L"Sharpen filter...";
    const tmpRingKernel_c kernel(-k_ / 8.0, k_ + 1.0);
    return filterStepIntoCopy(*this, kStep, in,
                              [&](const utRasterData_c& src, utRasterData_c& dst) {
                                  apply3x3Filter(&src, kernel.m, &dst, false, true);
                              });
}

// ---------------------------------------------------------------------------------------------

const tmpPropertyTable_c<stCustomFilter_c>& stCustomFilter_c::properties() {
    static const tmpPropertyTable_c<stCustomFilter_c> table = [] {
        using C = stCustomFilter_c;
        tmpPropertyTable_c<C> t;
        t.real(L"m00", &C::m00_)
            .real(L"m01", &C::m01_)
            .real(L"m02", &C::m02_)
            .real(L"m10", &C::m10_)
            .real(L"m11", &C::m11_)
            .real(L"m12", &C::m12_)
            .real(L"m20", &C::m20_)
            .real(L"m21", &C::m21_)
            .real(L"m22", &C::m22_);
        return t;
    }();
    return table;
}

stDescriptor_c* stCustomFilter_c::desc() {
    static stDescriptor_c d(L"CustomFilter", &createCustom, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stCustomFilter_c::isA() { return desc(); }
void stCustomFilter_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

utRasterData_c* stCustomFilter_c::process(utRasterData_c* in) {
    const double kernel[3][3] = {{m00_, m01_, m02_}, {m10_, m11_, m12_}, {m20_, m21_, m22_}};
    return filterIntoCopy(
        in, [] {},
        [&](const utRasterData_c& src, utRasterData_c& dst) {
            apply3x3Filter(&src, kernel, &dst, false, true);
        },
        [] {});
}

}  // namespace Vemora
