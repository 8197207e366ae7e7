#pragma once

#include <vemora/config/stConfigurable.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stSketch_c;
class stTool_c;
class stToolContext_c;
class stXmlElement_c;
class utRasterData_c;

// What tools and processors share: they can tell whether they apply to a context and run on it.
class VEMORA_API stAbstractTool_c {
public:
    virtual ~stAbstractTool_c();
    virtual bool applicable(stToolContext_c* context) const = 0;
    virtual bool apply(stToolContext_c* context) = 0;
};

// One configurable step of a tool. A processor reports start, steps, progress and finish through
// the tool that owns it; a false answer to the first three means a listener asked to cancel.
class VEMORA_API stProcessor_c : public stConfigurable_c, public stAbstractTool_c {
public:
    enum Kind : unsigned { kRasterToRaster = 1, kRasterToSketch = 2, kSketchToSketch = 4 };

    stProcessor_c() = default;
    explicit stProcessor_c(stTool_c* owner) : owner_(owner) {}
    stProcessor_c(const stProcessor_c& other) = default;
    stProcessor_c& operator=(const stProcessor_c& other) = default;
    ~stProcessor_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();

    virtual int countSubProcessors() const { return 1; }
    virtual unsigned int processorKind() const = 0;

    // The tool that runs this processor (not owned); null when used on its own.
    stTool_c* owner() const { return owner_; }
    void setOwner(stTool_c* owner) { owner_ = owner; }

    bool supportRasterToRaster() const { return (processorKind() & kRasterToRaster) != 0; }
    bool supportRasterToSketch() const { return (processorKind() & kRasterToSketch) != 0; }
    bool supportSketchToSketch() const { return (processorKind() & kSketchToSketch) != 0; }
    bool applicable(stToolContext_c*) const override { return true; }

protected:
    bool notifyStarted();
    bool notifyStepStarted(const wchar_t* step);
    bool notifyProgress(int percent);
    void notifyStepFinished(const wchar_t* step);
    void notifyFinished();
    void notifyError(const wchar_t* a, const wchar_t* b);
    void notifyLogMessage(const wchar_t* a, const wchar_t* b);

private:
    stTool_c* owner_ = nullptr;
};

// Turns a raster into a raster.
class VEMORA_API stRasterProcessor_c : public stProcessor_c {
public:
    using stProcessor_c::stProcessor_c;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    unsigned int processorKind() const override { return kRasterToRaster; }
    // Takes raster over and returns the result, owned by the caller: raster itself, changed or
    // not, or a new raster (or null, which leaves the context's working raster as it was). A
    // process that does not return raster deletes it as its last act, once nothing can throw any
    // more; so a process that throws has not deleted raster, which is then the caller's again
    // (apply puts it into the context as the working raster).
    virtual utRasterData_c* process(utRasterData_c* raster) = 0;
    // Filters a copy of the context's working raster and makes the result the working raster.
    bool apply(stToolContext_c* context) override;

protected:
    // Convolves the interior of src with the 3x3 kernel m into the interior of dst, which must
    // have src's size; the outermost rows and columns of dst are left as they are. m[i][j] weighs
    // the pixel at x offset i - 1 and y offset j - 1. Each channel's response is truncated and
    // clamped to 0-255, or with normalize stretched from the lowest to the highest response over
    // the image; magnitude replaces the three responses by the length of their vector and writes
    // it as grey. Results are opaque (top byte 0xFF). Progress is reported after each column.
    void apply3x3Filter(const utRasterData_c* src, const double m[3][3], utRasterData_c* dst,
                        bool normalize, bool magnitude);
};

// Turns a raster into a sketch.
class VEMORA_API stTracingAlgorithm_c : public stProcessor_c {
public:
    using stProcessor_c::stProcessor_c;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    unsigned int processorKind() const override { return kRasterToSketch; }
    // Traces the whole raster, or only the stroke through start when it is given; (dx, dy) is
    // added to every output coordinate. The caller keeps raster and owns the returned sketch.
    virtual stSketch_c* trace(utRasterData_c* raster, const utPoint_c* start, double dx,
                              double dy) = 0;
    // Traces a copy of the context's working raster (from its pick point when it has one, offset by
    // its selection rectangle's first corner) and makes the result the context's sketch.
    bool apply(stToolContext_c* context) override;

private:
    // Turns p about centre by angle radians (clockwise with the y axis up).
    static void rotatePoint(const utPoint_c& centre, utPoint_c& point, double angle);
};

// Turns a sketch into a sketch.
class VEMORA_API stSketchProcessor_c : public stProcessor_c {
public:
    using stProcessor_c::stProcessor_c;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    unsigned int processorKind() const override { return kSketchToSketch; }
    // Returns the processed sketch. Each processor states what it does with its argument: edits it
    // and returns it, returns a new sketch and leaves the argument to the caller, or (when
    // consumesInput() says so) deletes the argument and returns a new sketch. A consuming process
    // deletes its argument only when it returns; if it throws, the argument is still the caller's.
    // The default returns its argument.
    virtual stSketch_c* process(stSketch_c* sketch) { return sketch; }
    // True for processors whose process deletes its argument. False by default.
    virtual bool consumesInput() const { return false; }
    // Processes the context's sketch and stores a non-null result as the context's sketch. The
    // context gives up its sketch before a consuming processor deletes it, so nothing is freed
    // twice.
    bool apply(stToolContext_c* context) override;

protected:
    // The context of the last apply (not owned); null before the first.
    stToolContext_c* context() const { return context_; }
    void setContext(stToolContext_c* context) { context_ = context; }

private:
    stToolContext_c* context_ = nullptr;
};

// One processor entry of a tool definition.
class VEMORA_API stProcessorInfo_c {
public:
    stProcessorInfo_c() = default;
    stProcessorInfo_c(const wchar_t* name, const wchar_t* processorName, const wchar_t* description)
        : processorName_(processorName), description_(description), name_(name) {}
    // Reads the attributes "processorName" and "name" and the text of "Description"; a null
    // element leaves all three null.
    explicit stProcessorInfo_c(stXmlElement_c* element);

    const wchar_t* processorName() const { return processorName_; }
    const wchar_t* description() const { return description_; }
    const wchar_t* name() const { return name_; }
    void setProcessorName(const wchar_t* v) { processorName_ = v; }
    void setDescription(const wchar_t* v) { description_ = v; }
    void setName(const wchar_t* v) { name_ = v; }

private:
    utString_c processorName_;
    utString_c description_;
    utString_c name_;
};

}  // namespace Vemora
