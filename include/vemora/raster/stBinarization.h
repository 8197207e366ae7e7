#pragma once

// Binarization that finds the ink of a drawing on whatever paper it lies: the level between ink
// and paper is taken from the image itself, for the whole page at once (Otsu's method, for even
// scans) or for every pixel from the window around it (Sauvola's method, for photographs and
// uneven light), or given as a fixed level. The result is black ink (0) on white paper
// (0xFFFFFF), which every tracer reads the same way whatever its black level.
//
// Grey is the channel mean (R + G + B) / 3 as the tracers' ink test reads it; a pixel is ink
// when its grey lies strictly below the level. The raster is binarized in place: process returns
// its input.

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c;

// Properties (element names): "method" (int, see Method; default kAuto), "level" (int, the grey
// level of kFixed; default 187, the tracers' black level), "window" (int, the side of Sauvola's
// square window in pixels, made odd and at least 3; default 51), "k" (double, how far below the
// window's mean the ink lies, Sauvola's k; default 0.2).
//
// It reports start, the step "Binarization...", progress in percent, the step's and its own end,
// and one log message (step text, then what was found: the method, the level and the share of
// ink). It cannot be cancelled part-way.
class VEMORA_API stBinarization_c : public stRasterProcessor_c {
public:
    enum Method : int {
        // Otsu's level, unless part of the page holds strokes on paper no lighter than that
        // level (dim light, shadows): then Sauvola's.
        kAuto = 0,
        kGlobal = 1,  // Otsu's level over the whole page
        kLocal = 2,   // Sauvola's level from the window around each pixel
        kFixed = 3,   // "level"
    };

    stBinarization_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    utRasterData_c* process(utRasterData_c* in) override;

    // An unknown method is taken as kAuto.
    int method() const { return method_; }
    void setMethod(int method) { method_ = method; }
    int level() const { return level_; }
    void setLevel(int level) { level_ = level; }
    int window() const { return window_; }
    void setWindow(int window) { window_ = window; }
    double k() const { return k_; }
    void setK(double k) { k_ = k; }

    // What the last process found: the method it used (kAuto resolved to kGlobal or kLocal), the
    // grey level it used (-1 for kLocal, whose level differs from pixel to pixel), and the share
    // of the pixels that became ink (0 to 1). A page of one tone holds no ink whatever its grey:
    // kGlobal then reports level 0.
    int usedMethod() const { return usedMethod_; }
    double usedLevel() const { return usedLevel_; }
    double inkShare() const { return inkShare_; }

private:
    static const tmpPropertyTable_c<stBinarization_c>& properties();
    void report(const wchar_t* step);

    int method_ = kAuto;
    int level_ = 187;
    int window_ = 51;
    double k_ = 0.2;

    int usedMethod_ = kAuto;
    double usedLevel_ = -1.0;
    double inkShare_ = 0.0;
};

}  // namespace Vemora
