#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c;

// Thickens dark areas so that broken or dotted strokes merge before tracing: every pixel with a
// dark pixel (channel mean below 127) within "MetaPixelSize" pixels in x and in y, the square
// window centred on it and clipped to the raster, becomes black; the others keep their colour.
//
// Switched off ("UseClusterization" false, also the value of a processor never configured) it
// hands its input back untouched; otherwise it returns a new raster. It reports two steps,
// "Clasterization - step 1" and "- step 2", with progress in twentieths; refusing a step returns an
// unchanged copy, and cancelling the second step returns the black-and-white picture of the dark
// pixels.
class VEMORA_API stClusterization_c : public stRasterProcessor_c {
public:
    stClusterization_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;
    int countSubProcessors() const override { return useClusterization_ ? 2 : 0; }

    bool useClusterization() const { return useClusterization_; }
    void setUseClusterization(bool on) { useClusterization_ = on; }
    // "MetaPixelSize": how far, in pixels, a dark pixel reaches; a negative size reaches nothing.
    int clusterSize() const { return clusterSize_; }
    void setClusterSize(int size) { clusterSize_ = size; }

private:
    static const tmpPropertyTable_c<stClusterization_c>& properties();
    bool useClusterization_ = false;
    int clusterSize_ = 1;
};

}  // namespace Vemora
