#pragma once

// The raster filters a tool may run before tracing: a brightness/contrast lookup, four 3x3
// convolutions, a global threshold, a band filter and an iterative thinning.
//
// Each filter's process returns a new raster, built from a copy of its input, and keeps the raster
// processors' rule on the input (stProcessor.h). Each filter but the custom one reports start, its
// step, progress per column and the step's and its own end; none can be cancelled part-way.
//
// Channels are read as 0x00RRGGBB (the top byte is ignored); white is 0xFFFFFF, black 0.

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c;

// Maps every channel through one table built from brightness and contrast (both 0-100, 50 is
// neutral). "alpha" is kept for the configuration and not used.
class VEMORA_API stBrightnessAndContrast_c : public stRasterProcessor_c {
public:
    stBrightnessAndContrast_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;

    int brightness() const { return brightness_; }
    void setBrightness(int v) { brightness_ = v; }
    int contrast() const { return contrast_; }
    void setContrast(int v) { contrast_ = v; }
    int alpha() const { return alpha_; }
    void setAlpha(int v) { alpha_ = v; }

private:
    static const tmpPropertyTable_c<stBrightnessAndContrast_c>& properties();
    int brightness_ = 50;
    int contrast_ = 50;
    int alpha_ = 0;
};

// Eight outer coefficients -0.125 around a centre of 1; the output is the grey magnitude of the
// three channel responses.
class VEMORA_API stGaussianFilter_c : public stRasterProcessor_c {
public:
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    utRasterData_c* process(utRasterData_c* in) override;
};

// Eight outer coefficients 0.125 around a centre of -1, as a grey magnitude. Since the magnitude
// drops the sign, this gives the same picture as the Gaussian filter.
class VEMORA_API stEdgeFilter_c : public stRasterProcessor_c {
public:
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    utRasterData_c* process(utRasterData_c* in) override;
};

// Outer coefficients -k/8 around a centre of k + 1, as a grey magnitude.
class VEMORA_API stSharpenFilter_c : public stRasterProcessor_c {
public:
    stSharpenFilter_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;

    double k() const { return k_; }
    void setK(double k) { k_ = k; }

private:
    static const tmpPropertyTable_c<stSharpenFilter_c>& properties();
    double k_ = 3.0;
};

// Any 3x3 kernel, as a grey magnitude: mIJ weighs the pixel at x offset I - 1 and y offset J - 1
// (m01 the left neighbour, m10 the one above). The default is the identity. It sends no start or
// step notifications, only the convolution's progress.
class VEMORA_API stCustomFilter_c : public stRasterProcessor_c {
public:
    stCustomFilter_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;

    double m00() const { return m00_; }
    void setM00(double v) { m00_ = v; }
    double m01() const { return m01_; }
    void setM01(double v) { m01_ = v; }
    double m02() const { return m02_; }
    void setM02(double v) { m02_ = v; }
    double m10() const { return m10_; }
    void setM10(double v) { m10_ = v; }
    double m11() const { return m11_; }
    void setM11(double v) { m11_ = v; }
    double m12() const { return m12_; }
    void setM12(double v) { m12_ = v; }
    double m20() const { return m20_; }
    void setM20(double v) { m20_ = v; }
    double m21() const { return m21_; }
    void setM21(double v) { m21_ = v; }
    double m22() const { return m22_; }
    void setM22(double v) { m22_ = v; }

private:
    static const tmpPropertyTable_c<stCustomFilter_c>& properties();
    double m00_ = 0.0, m01_ = 0.0, m02_ = 0.0;
    double m10_ = 0.0, m11_ = 1.0, m12_ = 0.0;
    double m20_ = 0.0, m21_ = 0.0, m22_ = 0.0;
};

// Splits pixels by the length sqrt(r^2 + g^2 + b^2) of their colour against "level" (0-441).
// Not inverted, pixels brighter than the level become black and the rest white; inverted, they
// become white and the rest black, which keeps dark ink dark on white paper.
class VEMORA_API stThresholdFilter_c : public stRasterProcessor_c {
public:
    stThresholdFilter_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;

    int level() const { return level_; }
    void setLevel(int level) { level_ = level; }
    bool inverted() const { return inverted_; }
    void setInverted(bool on) { inverted_ = on; }

private:
    static const tmpPropertyTable_c<stThresholdFilter_c>& properties();
    int level_ = 127;
    bool inverted_ = false;
};

// Keeps the pixels whose colour length lies strictly between lowBand and hiBand and whitens the
// rest; inverted, it whitens the band and keeps the rest.
class VEMORA_API stNoiseFilter_c : public stRasterProcessor_c {
public:
    stNoiseFilter_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;

    int lowBand() const { return lowBand_; }
    void setLowBand(int v) { lowBand_ = v; }
    int hiBand() const { return hiBand_; }
    void setHiBand(int v) { hiBand_ = v; }
    bool isInverted() const { return inverted_; }
    void setInverted(bool on) { inverted_ = on; }

private:
    static const tmpPropertyTable_c<stNoiseFilter_c>& properties();
    int lowBand_ = 50;
    int hiBand_ = 200;
    bool inverted_ = false;
};

// Peels the outline of black (0) strokes one layer per pass, keeping end points and pixels whose
// removal would cut a stroke. Runs at most stepCount passes and stops at the first pass that
// removes nothing.
class VEMORA_API stThiningFilter_c : public stRasterProcessor_c {
public:
    stThiningFilter_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;

    unsigned int stepCount() const { return unsigned(stepCount_); }
    void setStepCount(unsigned int count) { stepCount_ = int(count); }

private:
    static const tmpPropertyTable_c<stThiningFilter_c>& properties();
    int stepCount_ = 7;  // read as an int; a negative count means a very large one
};

}  // namespace Vemora
