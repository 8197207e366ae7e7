#include <vemora/commands/stCommand.h>
#include <vemora/commands/stCommandContext.h>
#include <vemora/engine/stVMREngine.h>
#include <vemora/foundation/utException.h>

#include <algorithm>

namespace Vemora {

namespace {

const wchar_t* const kNotImplemented = L"Not implemented.";

}  // namespace

stCommandContextListener_c::~stCommandContextListener_c() = default;

stCommandContext_c::stCommandContext_c() = default;

stCommandContext_c::stCommandContext_c(const stCommandContext_c& other)
    : stToolContext_c(other),
      source_(other.source_),
      raster_(other.raster_ ? std::make_unique<utRasterData_c>(*other.raster_) : nullptr),
      vectors_(other.vectors_ ? std::make_unique<stSketch_c>(*other.vectors_) : nullptr),
      result_(other.result_),
      dictionary_(other.dictionary_),
      index_(other.index_),
      pickPointDefined_(other.pickPointDefined_),
      pickX_(other.pickX_),
      pickY_(other.pickY_),
      selectionDefined_(other.selectionDefined_),
      selX1_(other.selX1_),
      selY1_(other.selY1_),
      selX2_(other.selX2_),
      selY2_(other.selY2_),
      activeCommand_(other.activeCommand_),
      listeners_(other.listeners_) {
    // A copy made while the other is telling starts without its removed entries.
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), nullptr), listeners_.end());
}

stCommandContext_c::~stCommandContext_c() { clear(); }

// =============================================================================================
// Data

void stCommandContext_c::setRaster(utRasterData_c* raster) {
    if (raster == raster_.get()) return;
    raster_.reset(raster);
    notifyRasterChange();
}

void stCommandContext_c::setVectors(stSketch_c* sketch) {
    if (sketch == vectors_.get()) return;
    vectors_.reset(sketch);
    notifyVectorsChange();
}

utDictionary_c& stCommandContext_c::getDictionary() {
    return stVMREngine_c::getEngine().systemProperties();
}

void stCommandContext_c::setSourceRaster(const utRasterData_c& raster) {
    // raster may be the working raster, which clearing deletes.
    utRasterData_c copy(raster);
    clear();
    source_ = copy;
    raster_ = std::make_unique<utRasterData_c>(std::move(copy));
    notifyRasterChange();
}

void stCommandContext_c::clear() {
    pickPointDefined_ = false;
    selectionDefined_ = false;
    dictionary_.clear();
    index_.clear();
    raster_.reset();
    vectors_.reset();
    result_.clear();
}

// =============================================================================================
// The pick point and the selection rectangle

bool stCommandContext_c::getPickPoint(double& x, double& y) const {
    if (!pickPointDefined_) return false;
    x = pickX_;
    y = pickY_;
    return true;
}

bool stCommandContext_c::getSelectionRectangle(double& x1, double& y1, double& x2,
                                               double& y2) const {
    if (!selectionDefined_) return false;
    x1 = selX1_;
    y1 = selY1_;
    x2 = selX2_;
    y2 = selY2_;
    return true;
}

void stCommandContext_c::setPickPoint(double x, double y) {
    undefineSelectionRectangle();
    pickX_ = x;
    pickY_ = y;
    pickPointDefined_ = true;
    notifyPickPointChange();
}

void stCommandContext_c::setSelectionRectangle(double x1, double y1, double x2, double y2) {
    undefinePickPoint();
    selX1_ = x1;
    selY1_ = y1;
    selX2_ = x2;
    selY2_ = y2;
    selectionDefined_ = true;
    notifySelectionRectangleChange();
}

void stCommandContext_c::undefinePickPoint() {
    if (!pickPointDefined_) return;
    pickPointDefined_ = false;
    notifyPickPointChange();
}

void stCommandContext_c::undefineSelectionRectangle() {
    if (!selectionDefined_) return;
    selectionDefined_ = false;
    notifySelectionRectangleChange();
}

// =============================================================================================
// The active command

void stCommandContext_c::setActiveCommand(stCommand_c* command) {
    if (command == activeCommand_.get()) return;
    std::shared_ptr<stCommand_c> previous = std::move(activeCommand_);
    // The holders only count who still has the command; they never destroy it themselves.
    if (command) activeCommand_.reset(command, [](stCommand_c*) {});
    if (previous && previous.use_count() == 1) delete previous.get();
}

void stCommandContext_c::runCommand(const wchar_t*) {}

// =============================================================================================
// The host's queries

unsigned int stCommandContext_c::getDcsWidth() const {
    throw stCommandException_c(kNotImplemented);
}

unsigned int stCommandContext_c::getDcsHeight() const {
    throw stCommandException_c(kNotImplemented);
}

double stCommandContext_c::getScale() const { throw stCommandException_c(kNotImplemented); }

void stCommandContext_c::setScale(double) { throw stCommandException_c(kNotImplemented); }

void stCommandContext_c::getWcsOrigin(double&, double&) const {
    throw stCommandException_c(kNotImplemented);
}

void stCommandContext_c::setWcsOrigin(double, double) {
    throw stCommandException_c(kNotImplemented);
}

int stCommandContext_c::getInt(const wchar_t*) const {
    throw stCommandException_c(kNotImplemented);
}

double stCommandContext_c::getDouble(const wchar_t*) const {
    throw stCommandException_c(kNotImplemented);
}

bool stCommandContext_c::getBool(const wchar_t*) const {
    throw stCommandException_c(kNotImplemented);
}

utString_c stCommandContext_c::getString(const wchar_t*) const {
    throw stCommandException_c(kNotImplemented);
}

const utPoint_c& stCommandContext_c::getPoint(const wchar_t*) const {
    throw stCommandException_c(kNotImplemented);
}

void stCommandContext_c::forceRedraw() {}

void stCommandContext_c::log(const wchar_t*) {}

}  // namespace Vemora
