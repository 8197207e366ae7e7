#include <vemora/engine/stToolContext.h>

namespace Vemora {

stToolContext_c::~stToolContext_c() = default;

void stToolContext_c::getScalingInfo(double& sx, double& sy) const { sx = sy = 1.0; }

void stToolContext_c::getRotationInfo(utPoint_c& centre, double& angle) const {
    centre = utPoint_c(0.0, 0.0);
    angle = 0.0;
}

void stToolContext_c::getMoveInfo(double& mx, double& my) const { mx = my = 0.0; }

stToolContextImpl_c::stToolContextImpl_c() = default;

stToolContextImpl_c::stToolContextImpl_c(const utRasterData_c& source)
    : source_(source), raster_(std::make_unique<utRasterData_c>(source)) {}

stToolContextImpl_c::stToolContextImpl_c(const stToolContextImpl_c& other)
    : stToolContext_c(other),
      scaleX_(other.scaleX_),
      scaleY_(other.scaleY_),
      rotationAngle_(other.rotationAngle_),
      rotationCentre_(other.rotationCentre_),
      moveX_(other.moveX_),
      moveY_(other.moveY_),
      pickPointDefined_(other.pickPointDefined_),
      pickPoint_(other.pickPoint_),
      selectionDefined_(other.selectionDefined_),
      selX1_(other.selX1_),
      selY1_(other.selY1_),
      selX2_(other.selX2_),
      selY2_(other.selY2_),
      result_(other.result_),
      vectors_(other.vectors_ ? std::make_unique<stSketch_c>(*other.vectors_) : nullptr),
      source_(other.source_),
      raster_(other.raster_ ? std::make_unique<utRasterData_c>(*other.raster_) : nullptr),
      dictionary_(other.dictionary_),
      index_(other.index_) {}

stToolContextImpl_c::~stToolContextImpl_c() = default;

void stToolContextImpl_c::setRaster(utRasterData_c* raster) {
    if (raster != raster_.get()) raster_.reset(raster);
}

void stToolContextImpl_c::setVectors(stSketch_c* sketch) {
    if (sketch != vectors_.get()) vectors_.reset(sketch);
}

bool stToolContextImpl_c::getPickPoint(double& x, double& y) const {
    if (!pickPointDefined_) return false;
    x = pickPoint_.x();
    y = pickPoint_.y();
    return true;
}

bool stToolContextImpl_c::getSelectionRectangle(double& x1, double& y1, double& x2,
                                                double& y2) const {
    if (!selectionDefined_) return false;
    x1 = selX1_;
    y1 = selY1_;
    x2 = selX2_;
    y2 = selY2_;
    return true;
}

void stToolContextImpl_c::setSourceRaster(const utRasterData_c& source) {
    clear();
    raster_ = std::make_unique<utRasterData_c>(source);
    source_ = *raster_;
}

void stToolContextImpl_c::setPickPoint(double x, double y) {
    pickPointDefined_ = true;
    pickPoint_.set(x, y);
    selectionDefined_ = false;
}

void stToolContextImpl_c::setSelectionRectangle(double x1, double y1, double x2, double y2) {
    selectionDefined_ = true;
    selX1_ = x1;
    selY1_ = y1;
    selX2_ = x2;
    selY2_ = y2;
    pickPointDefined_ = false;
}

void stToolContextImpl_c::setScalingInfo(double sx, double sy) {
    scaleX_ = sx;
    scaleY_ = sy;
}

void stToolContextImpl_c::getScalingInfo(double& sx, double& sy) const {
    sx = scaleX_;
    sy = scaleY_;
}

void stToolContextImpl_c::setRotationInfo(utPoint_c centre, double angle) {
    rotationCentre_ = centre;
    rotationAngle_ = angle;
}

void stToolContextImpl_c::getRotationInfo(utPoint_c& centre, double& angle) const {
    centre = rotationCentre_;
    angle = rotationAngle_;
}

void stToolContextImpl_c::setMoveInfo(double mx, double my) {
    moveX_ = mx;
    moveY_ = my;
}

void stToolContextImpl_c::getMoveInfo(double& mx, double& my) const {
    mx = moveX_;
    my = moveY_;
}

void stToolContextImpl_c::clearVectors() {
    pickPointDefined_ = false;
    selectionDefined_ = false;
    dictionary_.clear();
    index_.clear();
    vectors_.reset();
    result_.clear();
}

void stToolContextImpl_c::clear() {
    clearVectors();
    raster_.reset();
}

}  // namespace Vemora
