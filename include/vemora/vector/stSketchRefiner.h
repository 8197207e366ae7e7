#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c;

// Repairs a traced sketch in place, in two steps:
//  - gap merging ("MergeGaps"): entity ends that lie near a vertex or a segment of another entity,
//    with ink between them in the working raster, move onto one merge point per gap;
//  - collinear linking ("LinkCollinear"): lines, then splines, absorb the lines and splines that
//    continue them straight across a gap; absorbed entities leave the sketch.
// Lengths are in sketch units and are multiplied by the smaller scale factor of the tool context
// on every call (and kept so). A pixel is ink when the mean of its channels is below 197.
//
// Settings (configuration keys): "RunRefiner" true, "LinkCollinear" false,
// "LinkCollinearMaxDeviation" 0.9 (a cosine), "LinkCollinearUseWidth" false (no effect),
// "LinkCollinearMaxDistance" 5.0, "LinkCollinearMaxWidthDeviation" 2.0 (a width ratio),
// "LinkCollinearRunSegmentizer" true, "MergeGaps" true, "MergeGapsMaxDistance" 8.0,
// "MergeGapsUseWidth" false (no effect).
class VEMORA_API stSketchRefiner_c : public stSketchProcessor_c {
public:
    stSketchRefiner_c() = default;
    stSketchRefiner_c(const stSketchRefiner_c&) = default;
    stSketchRefiner_c& operator=(const stSketchRefiner_c&) = default;
    ~stSketchRefiner_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0 or false.
    void fromXml(stXmlElement_c* element) override;

    // Edits sketch in place and returns it; null is returned as it came. Without a tool context
    // (used on its own) there is no raster: every pixel is paper, and only links of no more pixels
    // than the white-pixel allowance pass.
    stSketch_c* process(stSketch_c* sketch) override;
    // One per enabled step, the announced segmentizer step included.
    int countSubProcessors() const override;

    // White pixels a link may cross and still count as inked.
    int maxWhitePixelCount() const { return maxWhitePixelCount_; }
    void setMaxWhitePixelCount(int count) { maxWhitePixelCount_ = count; }

    bool runRefiner() const { return runRefiner_; }
    void setRunRefiner(bool on) { runRefiner_ = on; }
    bool linkCollinear() const { return linkCollinear_; }
    void setLinkCollinear(bool on) { linkCollinear_ = on; }
    double linkCollinearMaxDeviation() const { return linkCollinearMaxDeviation_; }
    void setLinkCollinearMaxDeviation(double v) { linkCollinearMaxDeviation_ = v; }
    double linkCollinearMaxDistance() const { return linkCollinearMaxDistance_; }
    void setLinkCollinearMaxDistance(double v) { linkCollinearMaxDistance_ = v; }
    double linkCollinearMaxWidthDeviation() const { return linkCollinearMaxWidthDeviation_; }
    void setLinkCollinearMaxWidthDeviation(double v) { linkCollinearMaxWidthDeviation_ = v; }
    bool linkCollinearRunSegmentizer() const { return linkCollinearRunSegmentizer_; }
    void setLinkCollinearRunSegmentizer(bool on) { linkCollinearRunSegmentizer_ = on; }
    bool mergeGaps() const { return mergeGaps_; }
    void setMergeGaps(bool on) { mergeGaps_ = on; }
    double mergeGapsMaxDistance() const { return mergeGapsMaxDistance_; }
    void setMergeGapsMaxDistance(double v) { mergeGapsMaxDistance_ = v; }

private:
    static const tmpPropertyTable_c<stSketchRefiner_c>& properties();
    void mergeGapsStep(stSketch_c& sketch, double sx, double sy, double ox, double oy);
    void linkCollinearStep(stSketch_c& sketch, double sx, double sy, double ox, double oy);

    bool runRefiner_ = true;
    bool linkCollinear_ = false;
    double linkCollinearMaxDeviation_ = 0.9;
    bool linkCollinearUseWidth_ = false;
    double linkCollinearMaxDistance_ = 5.0;
    double linkCollinearMaxWidthDeviation_ = 2.0;
    bool linkCollinearRunSegmentizer_ = true;
    bool mergeGaps_ = true;
    double mergeGapsMaxDistance_ = 8.0;
    bool mergeGapsUseWidth_ = false;
    int maxWhitePixelCount_ = 2;
};

}  // namespace Vemora
