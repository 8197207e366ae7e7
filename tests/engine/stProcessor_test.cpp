// Processor kinds applied to a tool context, and how a tool relays their notifications.

#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "rasterDrawing.h"

using namespace Vemora;

namespace {

class InvertFilter : public stRasterProcessor_c {
public:
    bool fail = false;
    utRasterData_c* process(utRasterData_c* raster) override {
        if (fail) throw std::runtime_error("filter failed");
        for (unsigned y = 0; y < raster->height(); ++y)
            for (unsigned x = 0; x < raster->width(); ++x)
                raster->setPixel(x, y, ~raster->pixel(x, y) & 0x00FFFFFFu);
        return raster;
    }
};

// Makes a new, inverted raster and deletes its input as its last act; told to fail, it throws
// after its work but before that.
class ReplacingFilter : public stRasterProcessor_c {
public:
    bool fail = false;
    utRasterData_c* process(utRasterData_c* raster) override {
        auto out = std::make_unique<utRasterData_c>(raster->width(), raster->height());
        for (unsigned y = 0; y < raster->height(); ++y)
            for (unsigned x = 0; x < raster->width(); ++x)
                out->setPixel(x, y, ~raster->pixel(x, y) & 0x00FFFFFFu);
        if (fail) throw std::runtime_error("filter failed");
        delete raster;
        return out.release();
    }
};

class StubSketchProcessor : public stSketchProcessor_c {
public:
    enum Mode { kNull, kThrow, kReplace } mode = kNull;
    stSketch_c* process(stSketch_c* sketch) override {
        if (mode == kThrow) throw std::runtime_error("failed");
        if (mode == kNull) return nullptr;
        (void)sketch;  // left to the caller, which owns it
        auto* replaced = new stSketch_c();
        replaced->addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(1, 1)));
        return replaced;
    }
    stToolContext_c* seenContext() const { return context(); }
};

// Deletes its input and returns a new sketch holding one more entity; can be told to fail first.
class ConsumingProcessor : public stSketchProcessor_c {
public:
    bool fail = false;
    bool consumesInput() const override { return true; }
    stSketch_c* process(stSketch_c* sketch) override {
        if (fail) throw std::runtime_error("failed");
        auto* out = new stSketch_c(*sketch);
        out->addEntity(new stPoint_c());
        delete sketch;
        return out;
    }
};

// Records what it was asked to trace and returns a spline through (1, 0) and (2, 0) and a line.
class StubTracer : public stTracingAlgorithm_c {
public:
    bool hadStart = false;
    utPoint_c start;
    double dx = -1, dy = -1;
    stSketch_c* trace(utRasterData_c*, const utPoint_c* s, double x, double y) override {
        hadStart = s != nullptr;
        if (s) start = *s;
        dx = x;
        dy = y;
        auto* sketch = new stSketch_c();
        sketch->addEntity(new stSpline_c(std::vector<utPoint_c>{{1, 0}, {2, 0}}));
        sketch->addEntity(new stLine_c(utPoint_c(1, 0), utPoint_c(2, 0)));
        return sketch;
    }
};

struct RecordingListener : stToolListener_c {
    std::vector<std::wstring> calls;
    bool answer = true;
    bool onStart(const stTool_c*) override { return record(L"start"); }
    bool onStepStart(const stTool_c*, const wchar_t* step) override {
        return record(L"step " + std::wstring(step));
    }
    bool onProgress(const stTool_c*, int p) override {
        return record(L"progress " + std::to_wstring(p));
    }
    void onStepFinish(const stTool_c*, const wchar_t* step) override {
        record(L"done " + std::wstring(step));
    }
    void onFinish(const stTool_c*) override { record(L"finish"); }
    void onLogError(const stTool_c*, const wchar_t* a, const wchar_t*) override {
        record(L"error " + std::wstring(a));
    }
    bool record(std::wstring s) {
        calls.push_back(std::move(s));
        return answer;
    }
};

// Leaves the tool it listens to when asked for progress.
struct LeavingListener : RecordingListener {
    stTool_c* tool = nullptr;
    bool onProgress(const stTool_c* t, int p) override {
        tool->removeListener(this);
        return RecordingListener::onProgress(t, p);
    }
};

// A processor that says everything it can through its owner.
class Chatty : public stSketchProcessor_c {
public:
    std::vector<bool> answers;
    stSketch_c* process(stSketch_c* s) override {
        answers.push_back(notifyStarted());
        answers.push_back(notifyStepStarted(L"Step."));
        answers.push_back(notifyProgress(50));
        notifyStepFinished(L"Step.");
        notifyError(L"bad", L"worse");
        notifyFinished();
        return s;
    }
};
// What a listener hears of one Chatty run.
const std::vector<std::wstring> kChattyCalls = {L"start",      L"step Step.", L"progress 50",
                                                L"done Step.", L"error bad",  L"finish"};

}  // namespace

TEST(stProcessorTest, KindBitsAnswerTheSupportQueries) {
    const InvertFilter filter;
    const StubTracer tracer;
    const StubSketchProcessor sketch;
    EXPECT_EQ(filter.processorKind(), 1u);
    EXPECT_TRUE(filter.supportRasterToRaster());
    EXPECT_FALSE(filter.supportRasterToSketch() || filter.supportSketchToSketch());
    EXPECT_EQ(tracer.processorKind(), 2u);
    EXPECT_TRUE(tracer.supportRasterToSketch());
    EXPECT_EQ(sketch.processorKind(), 4u);
    EXPECT_TRUE(sketch.supportSketchToSketch());
    EXPECT_EQ(sketch.countSubProcessors(), 1);
    EXPECT_TRUE(sketch.applicable(nullptr));
}

TEST(stProcessorTest, RasterProcessorReplacesTheWorkingRasterAndKeepsTheCopyOnFailure) {
    utRasterData_c source = vemora_test::blankRaster(3, 2);
    stToolContextImpl_c context(source);
    InvertFilter filter;
    EXPECT_TRUE(filter.apply(&context));
    EXPECT_EQ(context.getRaster()->pixel(2, 1), 0u);
    EXPECT_EQ(context.getSourceRaster().pixel(2, 1), 0x00FFFFFFu);  // the source is not touched

    filter.fail = true;
    const utRasterData_c* before = context.getRaster();
    EXPECT_FALSE(filter.apply(&context));
    ASSERT_NE(context.getRaster(), nullptr);
    EXPECT_NE(context.getRaster(), before);  // the copy handed to the filter
    EXPECT_EQ(context.getRaster()->pixel(2, 1), 0u);

    stToolContextImpl_c empty;
    EXPECT_FALSE(filter.apply(&empty));
}

TEST(stProcessorTest, AFilterFailingBeforeReleasingItsInputLeavesThatInputInTheContext) {
    // Run under the sanitizer build: a raster freed twice, read after its release or leaked
    // fails the suite.
    stToolContextImpl_c context(vemora_test::blankRaster(3, 2));
    ReplacingFilter filter;
    EXPECT_TRUE(filter.apply(&context));
    EXPECT_EQ(context.getRaster()->pixel(2, 1), 0u);

    filter.fail = true;
    EXPECT_FALSE(filter.apply(&context));
    ASSERT_NE(context.getRaster(), nullptr);
    EXPECT_EQ(context.getRaster()->pixel(2, 1), 0u);  // the input, whole
    filter.fail = false;
    EXPECT_TRUE(filter.apply(&context));
    EXPECT_EQ(context.getRaster()->pixel(2, 1), 0x00FFFFFFu);
}

TEST(stProcessorTest, SketchProcessorStoresOnlyANonNullResult) {
    stToolContextImpl_c context;
    auto* original = new stSketch_c();
    context.setVectors(original);
    StubSketchProcessor p;
    EXPECT_TRUE(p.apply(&context));
    EXPECT_EQ(context.getVectors(), original);
    EXPECT_EQ(p.seenContext(), &context);

    p.mode = StubSketchProcessor::kThrow;
    EXPECT_FALSE(p.apply(&context));
    EXPECT_EQ(context.getVectors(), original);

    p.mode = StubSketchProcessor::kReplace;
    EXPECT_TRUE(p.apply(&context));
    ASSERT_NE(context.getVectors(), nullptr);
    EXPECT_EQ(context.getVectors()->entitiesCount(), 1);
}

TEST(stProcessorTest, AConsumingProcessorIsHandedTheSketchTheContextLetGoOf) {
    // Run under the sanitizer build: a double free or a leak here fails the suite.
    stToolContextImpl_c context;
    context.setVectors(new stSketch_c());
    ConsumingProcessor p;
    EXPECT_TRUE(p.apply(&context));
    ASSERT_NE(context.getVectors(), nullptr);
    EXPECT_EQ(context.getVectors()->entitiesCount(), 1);
    EXPECT_TRUE(p.apply(&context));
    EXPECT_EQ(context.getVectors()->entitiesCount(), 2);

    p.fail = true;
    const stSketch_c* before = context.getVectors();
    EXPECT_FALSE(p.apply(&context));
    EXPECT_EQ(context.getVectors(), before);  // taken back unchanged
    EXPECT_EQ(before->entitiesCount(), 2);
}

TEST(stProcessorTest, TracingTakesOffsetsFromTheSelectionAndStartFromThePickPoint) {
    stToolContextImpl_c context(vemora_test::blankRaster(30, 30));
    StubTracer tracer;
    context.setSelectionRectangle(10, 20, 25, 28);
    EXPECT_TRUE(tracer.apply(&context));
    EXPECT_EQ(tracer.dx, 10);
    EXPECT_EQ(tracer.dy, 20);
    EXPECT_FALSE(tracer.hadStart);
    ASSERT_NE(context.getVectors(), nullptr);

    context.setPickPoint(4, 5);
    EXPECT_TRUE(tracer.apply(&context));
    EXPECT_TRUE(tracer.hadStart);
    EXPECT_EQ(tracer.start, utPoint_c(4, 5));
    EXPECT_EQ(tracer.dx, 0);  // the pick point undefined the selection
}

TEST(stProcessorTest, RotationTurnsOnlySplines) {
    stToolContextImpl_c context(vemora_test::blankRaster(8, 8));
    context.setRotationInfo(utPoint_c(0, 0), M_PI / 2);
    StubTracer tracer;
    ASSERT_TRUE(tracer.apply(&context));
    const stSketch_c* sketch = context.getVectors();
    ASSERT_EQ(sketch->entitiesCount(), 2);
    const auto* spline = dynamic_cast<const stSpline_c*>(sketch->entityAt(0));
    ASSERT_NE(spline, nullptr);
    EXPECT_NEAR(spline->pointAt(0).x(), 0, 1e-12);
    EXPECT_NEAR(spline->pointAt(0).y(), -1, 1e-12);
    EXPECT_NEAR(spline->pointAt(1).y(), -2, 1e-12);
    const auto* line = dynamic_cast<const stLine_c*>(sketch->entityAt(1));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isEqual(std::make_unique<stLine_c>(utPoint_c(1, 0), utPoint_c(2, 0)).get()));
}

TEST(stProcessorTest, ScaleAppliesAfterTheMoveButAMoveAloneChangesNothing) {
    StubTracer tracer;
    stToolContextImpl_c moved(vemora_test::blankRaster(8, 8));
    moved.setMoveInfo(5, 5);
    ASSERT_TRUE(tracer.apply(&moved));
    EXPECT_EQ(static_cast<const stSpline_c*>(moved.getVectors()->entityAt(0))->pointAt(0),
              utPoint_c(1, 0));

    stToolContextImpl_c scaled(vemora_test::blankRaster(8, 8));
    scaled.setMoveInfo(1, 0);
    scaled.setScalingInfo(2, 3);
    ASSERT_TRUE(tracer.apply(&scaled));
    const auto* spline = static_cast<const stSpline_c*>(scaled.getVectors()->entityAt(0));
    EXPECT_EQ(spline->pointAt(0), utPoint_c(0, 0));
    EXPECT_EQ(spline->pointAt(1), utPoint_c(2, 0));
}

TEST(stProcessorTest, AProcessorOnItsOwnIsNeverCancelled) {
    Chatty p;
    stSketch_c sketch;
    p.process(&sketch);
    EXPECT_EQ(p.answers, (std::vector<bool>{true, true, true}));
}

TEST(stToolTest, ListenersHearInOrderAndTheFirstRefusalStopsTheDispatch) {
    stTool_c tool;
    RecordingListener first, second;
    tool.addListener(&first);
    tool.addListener(&second);
    Chatty p;
    p.setOwner(&tool);
    stSketch_c sketch;
    p.process(&sketch);
    EXPECT_EQ(first.calls, kChattyCalls);
    EXPECT_EQ(second.calls, kChattyCalls);

    first.calls.clear();
    second.calls.clear();
    p.answers.clear();
    first.answer = false;
    p.process(&sketch);
    EXPECT_EQ(p.answers, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(first.calls, kChattyCalls);
    // The refusals kept the three questions from the second listener; the rest reached it.
    EXPECT_EQ(second.calls, (std::vector<std::wstring>{L"done Step.", L"error bad", L"finish"}));

    tool.removeListener(&first);
    tool.removeListener(&first);  // absent: ignored
    EXPECT_EQ(tool.countListeners(), 1);
    EXPECT_EQ(tool.listenerAt(0), &second);
}

// Regression: a listener removing itself during a notification made the tool skip the next
// listener, call the one after it twice and read past the end of its list.
TEST(stToolTest, AListenerLeavingDuringANotificationLeavesTheOthersTheirCalls) {
    stTool_c tool;
    LeavingListener leaving;
    leaving.tool = &tool;
    RecordingListener second, third;
    tool.addListener(&leaving);
    tool.addListener(&second);
    tool.addListener(&third);
    Chatty p;
    p.setOwner(&tool);
    stSketch_c sketch;
    p.process(&sketch);
    EXPECT_EQ(leaving.calls, (std::vector<std::wstring>{L"start", L"step Step.", L"progress 50"}));
    EXPECT_EQ(second.calls, kChattyCalls);
    EXPECT_EQ(third.calls, kChattyCalls);
    EXPECT_EQ(tool.countListeners(), 2);
}
