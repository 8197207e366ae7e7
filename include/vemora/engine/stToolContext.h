#pragma once

#include <vemora/config/utDictionary.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/raster/stPiIndexing.h>
#include <vemora/sketch/stSketch.h>

#include <memory>

namespace Vemora {

// The data a tool works on, as its processors see it.
class VEMORA_API stToolContext_c {
public:
    virtual ~stToolContext_c();
    virtual const utRasterData_c& getSourceRaster() const = 0;
    // The working raster (owned by the context); null when there is none.
    virtual utRasterData_c* getRaster() = 0;
    // Takes ownership of raster and deletes the one held (the same pointer is a no-op).
    virtual void setRaster(utRasterData_c* raster) = 0;
    // The working sketch (owned by the context); null when there is none.
    virtual stSketch_c* getVectors() = 0;
    // Takes ownership of sketch and deletes the one held (the same pointer is a no-op).
    virtual void setVectors(stSketch_c* sketch) = 0;
    virtual stSketch_c& getResultVectors() = 0;
    virtual stPiIndexing_c& getIndex() = 0;
    virtual utDictionary_c& getDictionary() = 0;
    // False, outputs untouched, when no pick point (selection rectangle) is defined.
    virtual bool getPickPoint(double& x, double& y) const = 0;
    virtual bool getSelectionRectangle(double& x1, double& y1, double& x2, double& y2) const = 0;
    // Hands the working sketch over to the caller without deleting it; the context holds none
    // after.
    virtual stSketch_c* releaseVectors() = 0;

    // The transform that tracing algorithms apply to their splines and that processors use to
    // scale their tolerances. A context that keeps none reports the identity.
    virtual void getScalingInfo(double& sx, double& sy) const;
    virtual void getRotationInfo(utPoint_c& centre, double& angle) const;
    virtual void getMoveInfo(double& mx, double& my) const;
};

// The context a host fills: a source raster, a pick point or a selection rectangle, the transform
// values; and reads back: the working raster, the working and result sketches, the dictionary.
class VEMORA_API stToolContextImpl_c : public stToolContext_c {
public:
    stToolContextImpl_c();
    // The source raster and a separately owned working copy.
    explicit stToolContextImpl_c(const utRasterData_c& source);
    // Copies are deep: the working raster and sketch are copied too. Assignment is not offered.
    stToolContextImpl_c(const stToolContextImpl_c& other);
    stToolContextImpl_c& operator=(const stToolContextImpl_c&) = delete;
    ~stToolContextImpl_c() override;

    const utRasterData_c& getSourceRaster() const override { return source_; }
    utRasterData_c* getRaster() override { return raster_.get(); }
    void setRaster(utRasterData_c* raster) override;
    stSketch_c* getVectors() override { return vectors_.get(); }
    void setVectors(stSketch_c* sketch) override;
    stSketch_c* releaseVectors() override { return vectors_.release(); }
    stSketch_c& getResultVectors() override { return result_; }
    stPiIndexing_c& getIndex() override { return index_; }
    utDictionary_c& getDictionary() override { return dictionary_; }
    bool getPickPoint(double& x, double& y) const override;
    bool getSelectionRectangle(double& x1, double& y1, double& x2, double& y2) const override;

    // Drops everything derived from the old source, then copies the new one into both rasters.
    void setSourceRaster(const utRasterData_c& source);
    // Defining the pick point undefines the selection rectangle, and the other way round.
    void setPickPoint(double x, double y);
    void setSelectionRectangle(double x1, double y1, double x2, double y2);
    void undefinePickPoint() { pickPointDefined_ = false; }
    void undefineSelectionRectangle() { selectionDefined_ = false; }

    void setScalingInfo(double sx, double sy);
    void getScalingInfo(double& sx, double& sy) const override;
    // angle in radians.
    void setRotationInfo(utPoint_c centre, double angle);
    void getRotationInfo(utPoint_c& centre, double& angle) const override;
    void setMoveInfo(double mx, double my);
    void getMoveInfo(double& mx, double& my) const override;

    // Prepares another run on the same raster: no pick point or selection, empty dictionary and
    // index, no working sketch, empty result; rasters and transform stay.
    void clearVectors();

private:
    // clearVectors, and the working raster goes too.
    void clear();

    double scaleX_ = 1.0;
    double scaleY_ = 1.0;
    double rotationAngle_ = 0.0;  // radians
    utPoint_c rotationCentre_;
    double moveX_ = 0.0;
    double moveY_ = 0.0;
    bool pickPointDefined_ = false;
    utPoint_c pickPoint_;
    bool selectionDefined_ = false;
    double selX1_ = 0.0, selY1_ = 0.0, selX2_ = 0.0, selY2_ = 0.0;
    stSketch_c result_;
    std::unique_ptr<stSketch_c> vectors_;
    utRasterData_c source_;
    std::unique_ptr<utRasterData_c> raster_;
    utDictionary_c dictionary_;
    stPiIndexing_c index_;
};

}  // namespace Vemora
