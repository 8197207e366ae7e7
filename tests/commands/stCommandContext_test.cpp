// The command context: what it tells its listeners and in which order, the pick point and the
// selection, the data it owns, the active command, and tools run over it.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace Vemora;

namespace {

// Writes down every notification by name, and may act on one.
class tmpRecorder_c : public stCommandContextListener_c {
public:
    explicit tmpRecorder_c(std::vector<std::string>& log, std::string tag = "")
        : log_(log), tag_(std::move(tag)) {}

    std::function<void(stCommandContext_c&)> onRecord;

    void onMouseMove(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "MouseMove");
    }
    void onLButtonDown(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "LButtonDown");
    }
    void onLButtonUp(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "LButtonUp");
    }
    void onLButtonClick(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "LButtonClick");
    }
    void onLButtonDblClick(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "LButtonDblClick");
    }
    void onRButtonDown(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "RButtonDown");
    }
    void onRButtonUp(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "RButtonUp");
    }
    void onRButtonClick(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "RButtonClick");
    }
    void onRButtonDblClick(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "RButtonDblClick");
    }
    void onMButtonDown(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "MButtonDown");
    }
    void onMButtonUp(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "MButtonUp");
    }
    void onMButtonClick(stCommandContext_c& c, unsigned, unsigned, unsigned long) override {
        note(c, "MButtonClick");
    }
    void onMButtonDblClick(stCommandContext_c& c, unsigned x, unsigned y,
                           unsigned long flags) override {
        note(c, "MButtonDblClick " + std::to_string(x) + " " + std::to_string(y) + " " +
                    std::to_string(flags));
    }
    void onMouseWheel(stCommandContext_c& c, unsigned, unsigned, long delta) override {
        note(c, "MouseWheel " + std::to_string(delta));
    }
    void onKeyPressed(stCommandContext_c& c, unsigned key) override {
        note(c, "KeyPressed " + std::to_string(key));
    }
    void onSetFocuse(stCommandContext_c& c) override { note(c, "SetFocuse"); }
    void onLoseFocuse(stCommandContext_c& c) override { note(c, "LoseFocuse"); }
    void onDcsChange(stCommandContext_c& c, unsigned w, unsigned h) override {
        note(c, "DcsChange " + std::to_string(w) + " " + std::to_string(h));
    }
    void onWcsChange(stCommandContext_c& c) override { note(c, "WcsChange"); }
    void onPickPointChange(stCommandContext_c& c) override { note(c, "PickPointChange"); }
    void onSelectionRectangleChange(stCommandContext_c& c) override {
        note(c, "SelectionRectangleChange");
    }
    void onBeforePaint(stCommandContext_c& c) override { note(c, "BeforePaint"); }
    void onPaint(stCommandContext_c& c) override { note(c, "Paint"); }
    void onPostPaint(stCommandContext_c& c) override { note(c, "PostPaint"); }
    void onBeforeCommandStart(stCommandContext_c& c) override { note(c, "BeforeCommandStart"); }
    void onAfterCommandFinish(stCommandContext_c& c) override { note(c, "AfterCommandFinish"); }
    void onRasterChange(stCommandContext_c& c) override { note(c, "RasterChange"); }
    void onVectorsChange(stCommandContext_c& c) override { note(c, "VectorsChange"); }
    void onDestroy(stCommandContext_c& c) override { note(c, "Destroy"); }
    void onIdle(stCommandContext_c& c) override { note(c, "Idle"); }

private:
    void note(stCommandContext_c& c, const std::string& what) {
        log_.push_back(tag_ + what);
        if (onRecord) onRecord(c);
    }

    std::vector<std::string>& log_;
    std::string tag_;
};

// Tells when it is destroyed.
class tmpCommand_c : public stCommand_c {
public:
    explicit tmpCommand_c(int& destroyed) : destroyed_(destroyed) {}
    ~tmpCommand_c() override { ++destroyed_; }
    void execute(stCommandContext_c&) override {}

private:
    int& destroyed_;
};

utRasterData_c discOnBlue(unsigned w, unsigned h, double cx, double cy, double radius) {
    utRasterData_c r(w, h);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            r.setPixel(x, y,
                       (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius ? 0x00FF0000u
                                                                                    : 0x000000FFu);
    return r;
}

}  // namespace

TEST(stCommandContextTest, EveryNotificationReachesItsOwnHandlerInOrderOfRegistration) {
    std::vector<std::string> log;
    tmpRecorder_c first(log, "1 "), second(log, "2 ");
    stCommandContext_c c;
    c.addListener(&first);
    c.addListener(nullptr);
    c.addListener(&second);
    c.notifyKeyPressed(13);
    EXPECT_EQ(log, (std::vector<std::string>{"1 KeyPressed 13", "2 KeyPressed 13"}));

    c.removeListener(&second);
    log.clear();
    c.notifyMouseMove(1, 2, 3);
    c.notifyLButtonDown(1, 2, 3);
    c.notifyLButtonUp(1, 2, 3);
    c.notifyLButtonClick(1, 2, 3);
    c.notifyLButtonDblClick(1, 2, 3);
    c.notifyRButtonDown(1, 2, 3);
    c.notifyRButtonUp(1, 2, 3);
    c.notifyRButtonClick(1, 2, 3);
    c.notifyRButtonDblClick(1, 2, 3);
    c.notifyMButtonDown(1, 2, 3);
    c.notifyMButtonUp(1, 2, 3);
    c.notifyMButtonClick(1, 2, 3);
    c.notifyMButtonDblClick(4, 5, 6);
    c.notifyMouseWheel(1, 2, -120);
    c.notifySetFocuse();
    c.notifyLoseFocuse();
    c.notifyDcsChange(640, 480);
    c.notifyWcsChange();
    c.notifyPickPointChange();
    c.notifySelectionRectangleChange();
    c.notifyBeforePaint();
    c.notifyPaint();
    c.notifyPostPaint();
    c.notifyBeforeCommandStart();
    c.notifyAfterCommandFinish();
    c.notifyRasterChange();
    c.notifyVectorsChange();
    c.notifyDestroy();
    c.notifyIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"1 MouseMove",
                                             "1 LButtonDown",
                                             "1 LButtonUp",
                                             "1 LButtonClick",
                                             "1 LButtonDblClick",
                                             "1 RButtonDown",
                                             "1 RButtonUp",
                                             "1 RButtonClick",
                                             "1 RButtonDblClick",
                                             "1 MButtonDown",
                                             "1 MButtonUp",
                                             "1 MButtonClick",
                                             "1 MButtonDblClick 4 5 6",
                                             "1 MouseWheel -120",
                                             "1 SetFocuse",
                                             "1 LoseFocuse",
                                             "1 DcsChange 640 480",
                                             "1 WcsChange",
                                             "1 PickPointChange",
                                             "1 SelectionRectangleChange",
                                             "1 BeforePaint",
                                             "1 Paint",
                                             "1 PostPaint",
                                             "1 BeforeCommandStart",
                                             "1 AfterCommandFinish",
                                             "1 RasterChange",
                                             "1 VectorsChange",
                                             "1 Destroy",
                                             "1 Idle"}));
}

TEST(stCommandContextTest, PickPointSelectionRasterAndVectorsAreToldInTheOrderTheyChange) {
    std::vector<std::string> log;
    tmpRecorder_c views(log);
    stCommandContext_c c;
    c.addListener(&views);
    c.addListener(&views);  // twice: told twice

    c.setSourceRaster(utRasterData_c(4, 3));
    c.setPickPoint(1, 2);
    c.setSelectionRectangle(0, 0, 3, 2);  // the pick point goes first
    c.undefinePickPoint();                // none defined: nothing
    c.setPickPoint(2, 2);
    c.setRaster(c.getRaster());  // the raster held: nothing
    c.setRaster(new utRasterData_c(2, 2));
    c.setVectors(new stSketch_c());
    c.setVectors(c.getVectors());
    EXPECT_EQ(log, (std::vector<std::string>{
                       "RasterChange", "RasterChange", "PickPointChange", "PickPointChange",
                       "PickPointChange", "PickPointChange", "SelectionRectangleChange",
                       "SelectionRectangleChange", "SelectionRectangleChange",
                       "SelectionRectangleChange", "PickPointChange", "PickPointChange",
                       "RasterChange", "RasterChange", "VectorsChange", "VectorsChange"}));

    double x = -1, y = -1, x1 = -1, y1 = -1, x2 = -1, y2 = -1;
    EXPECT_TRUE(c.getPickPoint(x, y));
    EXPECT_EQ(x, 2);
    EXPECT_FALSE(c.getSelectionRectangle(x1, y1, x2, y2));
    EXPECT_EQ(x1, -1);  // untouched

    EXPECT_EQ(c.removeListener(&views), &views);  // every occurrence
    EXPECT_EQ(c.removeListener(&views), nullptr);
    log.clear();
    c.notifyIdle();
    EXPECT_TRUE(log.empty());
}

TEST(stCommandContextTest, ListenersRemovedWhileBeingToldAreToldNothingMore) {
    std::vector<std::string> log;
    tmpRecorder_c a(log, "a "), b(log, "b "), d(log, "d ");
    stCommandContext_c c;
    // a leaves and takes b with it; d, after them, is still told.
    a.onRecord = [&](stCommandContext_c& context) {
        context.removeListener(&a);
        context.removeListener(&b);
    };
    c.addListener(&a);
    c.addListener(&b);
    c.addListener(&d);
    c.notifyPaint();
    c.notifyPostPaint();
    EXPECT_EQ(log, (std::vector<std::string>{"a Paint", "d Paint", "d PostPaint"}));
}

TEST(stCommandContextTest, ClearDropsTheContextsStateButNotTheEnginesDictionary) {
    stCommandContext_c c;
    c.setSourceRaster(utRasterData_c(5, 4));
    c.setVectors(new stSketch_c());
    c.getResultVectors().addEntity(new stPoint_c(utPoint_c(1, 1)));
    c.scratchDictionary().setInt(L"Count", 3);
    c.setPickPoint(1, 1);
    c.getIndex() = stPiIndexing_c(0, 3);

    utDictionary_c& engine = c.getDictionary();
    EXPECT_EQ(&engine, &stVMREngine_c::getEngine().systemProperties());
    ASSERT_NE(engine.getString(L"CurrentTool", nullptr), nullptr);
    c.clear();
    EXPECT_NE(engine.getString(L"CurrentTool", nullptr), nullptr);
    EXPECT_EQ(c.scratchDictionary().getInt(L"Count", -1), -1);
    EXPECT_EQ(c.getRaster(), nullptr);
    EXPECT_EQ(c.getVectors(), nullptr);
    EXPECT_TRUE(c.getResultVectors().isEmpty());
    EXPECT_EQ(c.getIndex().step(), 1);
    double x = 0, y = 0;
    EXPECT_FALSE(c.getPickPoint(x, y));
    EXPECT_EQ(c.getSourceRaster().width(), 5u);
}

TEST(stCommandContextTest, CopiesShareTheActiveCommandWithoutDestroyingItUnderEachOther) {
    int destroyed = 0;
    auto* command = new tmpCommand_c(destroyed);
    auto original = std::make_unique<stCommandContext_c>();
    original->setActiveCommand(command);
    original->setActiveCommand(command);  // the same: kept
    EXPECT_EQ(destroyed, 0);

    auto copy = std::make_unique<stCommandContext_c>(*original);
    EXPECT_EQ(copy->getActiveCommand(), command);
    original->setActiveCommand(nullptr);  // the copy still holds it
    EXPECT_EQ(destroyed, 0);
    original.reset();
    copy->setActiveCommand(new tmpCommand_c(destroyed));  // the last holder lets it go
    EXPECT_EQ(destroyed, 1);

    // The last active command outlives the context; its owner destroys it.
    stCommand_c* last = copy->getActiveCommand();
    { stCommandContext_c(*copy).setActiveCommand(nullptr); }
    EXPECT_EQ(destroyed, 1);
    copy.reset();
    EXPECT_EQ(destroyed, 1);
    delete last;
    EXPECT_EQ(destroyed, 2);
}

TEST(stCommandContextTest, HostQueriesAreLeftToTheHost) {
    stCommandContext_c c;
    const std::vector<std::function<void()>> queries = {
        [&] { c.getDcsWidth(); },
        [&] { c.getDcsHeight(); },
        [&] { c.getScale(); },
        [&] { c.setScale(2); },
        [&] {
            double x, y;
            c.getWcsOrigin(x, y);
        },
        [&] { c.setWcsOrigin(1, 2); },
        [&] { c.getInt(L"n"); },
        [&] { c.getDouble(L"n"); },
        [&] { c.getBool(L"n"); },
        [&] { c.getString(L"n"); },
        [&] { c.getPoint(L"n"); },
    };
    for (size_t i = 0; i < queries.size(); ++i) {
        try {
            queries[i]();
            ADD_FAILURE() << "query " << i << " answered";
        } catch (const stCommandException_c& e) {
            EXPECT_STREQ(e.what(), L"Not implemented.") << i;
        }
    }
}

TEST(stCommandContextTest, ToolsRunOverItAndTellTheirSketches) {
    std::vector<std::string> log;
    tmpRecorder_c views(log);
    stCommandContext_c c;
    c.setSourceRaster(discOnBlue(60, 50, 30, 25, 12));
    c.setPickPoint(30, 25);
    c.addListener(&views);

    // The tracer hands its sketch over; the approximator consumes it and hands over its own.
    stColoredOutlineAlgorithm_c tracer;
    ASSERT_TRUE(tracer.apply(&c));
    ASSERT_NE(c.getVectors(), nullptr);
    ASSERT_EQ(c.getVectors()->entitiesCount(), 1);
    const int traced = static_cast<const stSpline_c*>(c.getVectors()->entityAt(0))->pointCount();
    stPolygonalApproximator_c corners;
    ASSERT_TRUE(corners.apply(&c));
    ASSERT_NE(c.getVectors(), nullptr);
    ASSERT_EQ(c.getVectors()->entitiesCount(), 1);
    EXPECT_LT(static_cast<const stSpline_c*>(c.getVectors()->entityAt(0))->pointCount(), traced);
    EXPECT_EQ(log, (std::vector<std::string>{"VectorsChange", "VectorsChange"}));
}
