#pragma once

// Stroke widths measured on the raster a sketch was traced from, and the split of a drawing's
// widths into thin and thick strokes.

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c;
class stSketch_c;
class utRasterData_c;

// Gives every entity the width of the stroke it stands for: at points every "SampleStep" pixels
// along its centre line the run of ink across the line is measured (ink: channel mean below
// "BlackLevel", as the tracers read it), and the median of those runs becomes the entity's width
// attribute, in pixels. Points of the centre line that lie on paper are not measured; an entity
// with no point on ink keeps its width. Runs are followed up to "MaxWidth" pixels, so a point
// where the line runs along a wide filled area does not take the whole area's width.
//
// In a tool it measures on the context's working raster, into which the sketch's coordinates
// point shifted by the first corner of the selection rectangle, as the tracing algorithms shift
// them; without a context or a raster it leaves the sketch as it is. It edits the sketch in place
// and returns it. It reports start, the step "Stroke widths...", progress, the step's and its own
// end; a listener's cancel stops the measuring, and the entities measured so far keep their new
// widths.
//
// Properties (element names): "BlackLevel" (int, default 187), "SampleStep" (double, px, default
// 2), "MaxWidth" (double, px, default 64).
class VEMORA_API stStrokeWidthMeter_c : public stSketchProcessor_c {
public:
    stStrokeWidthMeter_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override { return element; }
    void fromXml(stXmlElement_c* element) override;
    stSketch_c* process(stSketch_c* sketch) override;

    // The measuring itself: the entities of sketch at raster coordinates = sketch coordinates -
    // origin. False when a listener cancelled.
    bool measure(stSketch_c& sketch, const utRasterData_c& raster, const utPoint_c& origin);

    int blackLevel() const { return blackLevel_; }
    void setBlackLevel(int level) { blackLevel_ = level; }
    double sampleStep() const { return sampleStep_; }
    void setSampleStep(double step) { sampleStep_ = step; }
    double maxWidth() const { return maxWidth_; }
    void setMaxWidth(double width) { maxWidth_ = width; }

private:
    static const tmpPropertyTable_c<stStrokeWidthMeter_c>& properties();
    int blackLevel_ = 187;
    double sampleStep_ = 2.0;
    double maxWidth_ = 64.0;
};

// The width from which a stroke of the sketch counts as thick: the split of its entities'
// widths, weighted by their length, into the two classes that lie furthest apart (Otsu's split,
// on the logarithm of the width, so that it goes by ratio). 0 when the widths do not form two
// classes: the thick strokes must be at least 1.41 times as wide as the thin on average (one step
// of the standard line width series), and between the commonest thin and the commonest thick
// width, in whole pixels, some width must be at most half as common as the rarer of the two, so
// that one broad spread of widths is not cut in two. A drawing of one line width, or of widths
// never measured, has no split.
VEMORA_API double thickStrokeWidth(const stSketch_c& sketch);

}  // namespace Vemora
