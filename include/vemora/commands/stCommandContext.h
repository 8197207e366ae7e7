#pragma once

#include <vemora/config/utDictionary.h>
#include <vemora/engine/stToolContext.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/raster/stPiIndexing.h>
#include <vemora/sketch/stSketch.h>

#include <memory>
#include <vector>

namespace Vemora {

class stCommand_c;
class stCommandContext_c;

// What a command context relays from the host's view: mouse and keyboard input (x and y in the
// view's device coordinates), focus, changes of the view (DCS: device coordinates; WCS: world
// coordinates) and of the data, the phases of painting, the start and end of commands, and idle
// time. Each notification passes the context it comes from.
class VEMORA_API stCommandContextListener_c {
public:
    virtual void onMouseMove(stCommandContext_c& context, unsigned int x, unsigned int y,
                             unsigned long flags) = 0;
    virtual void onLButtonDown(stCommandContext_c& context, unsigned int x, unsigned int y,
                               unsigned long flags) = 0;
    virtual void onLButtonUp(stCommandContext_c& context, unsigned int x, unsigned int y,
                             unsigned long flags) = 0;
    virtual void onLButtonClick(stCommandContext_c& context, unsigned int x, unsigned int y,
                                unsigned long flags) = 0;
    virtual void onLButtonDblClick(stCommandContext_c& context, unsigned int x, unsigned int y,
                                   unsigned long flags) = 0;
    virtual void onRButtonDown(stCommandContext_c& context, unsigned int x, unsigned int y,
                               unsigned long flags) = 0;
    virtual void onRButtonUp(stCommandContext_c& context, unsigned int x, unsigned int y,
                             unsigned long flags) = 0;
    virtual void onRButtonClick(stCommandContext_c& context, unsigned int x, unsigned int y,
                                unsigned long flags) = 0;
    virtual void onRButtonDblClick(stCommandContext_c& context, unsigned int x, unsigned int y,
                                   unsigned long flags) = 0;
    virtual void onMButtonDown(stCommandContext_c& context, unsigned int x, unsigned int y,
                               unsigned long flags) = 0;
    virtual void onMButtonUp(stCommandContext_c& context, unsigned int x, unsigned int y,
                             unsigned long flags) = 0;
    virtual void onMButtonClick(stCommandContext_c& context, unsigned int x, unsigned int y,
                                unsigned long flags) = 0;
    virtual void onMButtonDblClick(stCommandContext_c& context, unsigned int x, unsigned int y,
                                   unsigned long flags) = 0;
    virtual void onMouseWheel(stCommandContext_c& context, unsigned int x, unsigned int y,
                              long delta) = 0;
    virtual void onKeyPressed(stCommandContext_c& context, unsigned int key) = 0;
    virtual void onSetFocuse(stCommandContext_c& context) = 0;
    virtual void onLoseFocuse(stCommandContext_c& context) = 0;
    virtual void onDcsChange(stCommandContext_c& context, unsigned int width,
                             unsigned int height) = 0;
    virtual void onWcsChange(stCommandContext_c& context) = 0;
    virtual void onPickPointChange(stCommandContext_c& context) = 0;
    virtual void onSelectionRectangleChange(stCommandContext_c& context) = 0;
    virtual void onBeforePaint(stCommandContext_c& context) = 0;
    virtual void onPaint(stCommandContext_c& context) = 0;
    virtual void onPostPaint(stCommandContext_c& context) = 0;
    virtual void onBeforeCommandStart(stCommandContext_c& context) = 0;
    virtual void onAfterCommandFinish(stCommandContext_c& context) = 0;
    virtual void onRasterChange(stCommandContext_c& context) = 0;
    virtual void onVectorsChange(stCommandContext_c& context) = 0;
    virtual void onDestroy(stCommandContext_c& context) = 0;
    virtual void onIdle(stCommandContext_c& context) = 0;
    virtual ~stCommandContextListener_c();
};

// Ignores every notification but the start and end of commands, which each listener answers.
class VEMORA_API stCommandContextListenerBase_c : public stCommandContextListener_c {
public:
    void onMouseMove(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onLButtonDown(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onLButtonUp(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onLButtonClick(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onLButtonDblClick(stCommandContext_c&, unsigned int, unsigned int,
                           unsigned long) override {}
    void onRButtonDown(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onRButtonUp(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onRButtonClick(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onRButtonDblClick(stCommandContext_c&, unsigned int, unsigned int,
                           unsigned long) override {}
    void onMButtonDown(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onMButtonUp(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onMButtonClick(stCommandContext_c&, unsigned int, unsigned int, unsigned long) override {}
    void onMButtonDblClick(stCommandContext_c&, unsigned int, unsigned int,
                           unsigned long) override {}
    void onMouseWheel(stCommandContext_c&, unsigned int, unsigned int, long) override {}
    void onKeyPressed(stCommandContext_c&, unsigned int) override {}
    void onSetFocuse(stCommandContext_c&) override {}
    void onLoseFocuse(stCommandContext_c&) override {}
    void onDcsChange(stCommandContext_c&, unsigned int, unsigned int) override {}
    void onWcsChange(stCommandContext_c&) override {}
    void onPickPointChange(stCommandContext_c&) override {}
    void onSelectionRectangleChange(stCommandContext_c&) override {}
    void onBeforePaint(stCommandContext_c&) override {}
    void onPaint(stCommandContext_c&) override {}
    void onPostPaint(stCommandContext_c&) override {}
    void onRasterChange(stCommandContext_c&) override {}
    void onVectorsChange(stCommandContext_c&) override {}
    void onDestroy(stCommandContext_c&) override {}
    void onIdle(stCommandContext_c&) override {}
};

// What a host's view keeps while the user works on a raster: the raster as loaded and the
// working raster, the sketch being edited and the sketch tools deliver, the row interval index,
// the pick point or the selection rectangle (at most one of them at a time), the active command,
// and the listeners the host's input events are relayed to. It is a tool context, so tools run
// on it directly; a change of its raster or sketch is told to the listeners.
//
// The host subclasses it to answer the queries about its view and its values; the ones it does
// not answer throw stCommandException_c "Not implemented.".
class VEMORA_API stCommandContext_c : public stToolContext_c {
public:
    stCommandContext_c();
    // Copies the data, the listeners and the active command, which the copies then share: it is
    // destroyed when the last of them replaces it.
    stCommandContext_c(const stCommandContext_c& other);
    stCommandContext_c& operator=(const stCommandContext_c&) = delete;
    // Clears without telling anyone; the active command is left to its owner.
    ~stCommandContext_c() override;

    // ---- the tool context --------------------------------------------------------------------
    const utRasterData_c& getSourceRaster() const override { return source_; }
    utRasterData_c* getRaster() override { return raster_.get(); }
    // Takes ownership, deletes the working raster held and tells onRasterChange; the raster
    // already held changes nothing and tells nothing.
    void setRaster(utRasterData_c* raster) override;
    stSketch_c* getVectors() override { return vectors_.get(); }
    // As setRaster, for the sketch being edited, with onVectorsChange.
    void setVectors(stSketch_c* sketch) override;
    // Hands the sketch being edited over to the caller, who gives it back or its successor
    // through setVectors (which tells the listeners); nothing is told here.
    stSketch_c* releaseVectors() override { return vectors_.release(); }
    stSketch_c& getResultVectors() override { return result_; }
    stPiIndexing_c& getIndex() override { return index_; }
    // The engine's configuration dictionary ("CurrentTool", the GUI settings and the rest of its
    // loose properties), shared by every context.
    utDictionary_c& getDictionary() override;
    bool getPickPoint(double& x, double& y) const override;
    bool getSelectionRectangle(double& x1, double& y1, double& x2, double& y2) const override;

    // ---- what only the host knows; each throws stCommandException_c "Not implemented." here
    virtual unsigned int getDcsWidth() const;
    virtual unsigned int getDcsHeight() const;
    virtual double getScale() const;
    virtual void setScale(double scale);
    virtual void getWcsOrigin(double& x, double& y) const;
    virtual void setWcsOrigin(double x, double y);
    virtual int getInt(const wchar_t* name) const;
    virtual double getDouble(const wchar_t* name) const;
    virtual bool getBool(const wchar_t* name) const;
    virtual utString_c getString(const wchar_t* name) const;
    virtual const utPoint_c& getPoint(const wchar_t* name) const;
    // Nothing here.
    virtual void forceRedraw();
    virtual void log(const wchar_t* text);

    // ---- data ----------------------------------------------------------------------------------
    // Clears, copies the raster into the source raster and into a new working raster, and tells
    // onRasterChange.
    void setSourceRaster(const utRasterData_c& raster);
    // The context's own scratch values, cleared with the rest of its state.
    utDictionary_c& scratchDictionary() { return dictionary_; }
    // Undefines the pick point and the selection rectangle (telling no one), clears the scratch
    // values and the index, deletes the working raster and the sketch being edited and empties
    // the result sketch. The source raster and the engine's dictionary stay.
    void clear();

    // ---- the pick point and the selection rectangle -------------------------------------------
    // Each undefines the other first (telling its change when it was defined), then tells its
    // own change.
    void setPickPoint(double x, double y);
    void setSelectionRectangle(double x1, double y1, double x2, double y2);
    // Tells the change only when one was defined.
    void undefinePickPoint();
    void undefineSelectionRectangle();

    // ---- the active command --------------------------------------------------------------------
    // Takes ownership of command and destroys the one it replaces, unless a copy of this context
    // still holds that one. The command already active changes nothing. Neither activate nor
    // deactivate is called here.
    void setActiveCommand(stCommand_c* command);
    stCommand_c* getActiveCommand() const { return activeCommand_.get(); }
    // Nothing here.
    void runCommand(const wchar_t* name);

    // ---- listeners -----------------------------------------------------------------------------
    // Listeners are not owned. A null one is ignored; one added twice is told twice.
    void addListener(stCommandContextListener_c* listener);
    // Removes every occurrence; returns listener when it was there, else null. A listener may
    // remove itself or another while being told: a removed one is told nothing more.
    stCommandContextListener_c* removeListener(stCommandContextListener_c* listener);

    // Each tells its notification to every listener in the order they were added.
    void notifyMouseMove(unsigned int x, unsigned int y, unsigned long flags);
    void notifyLButtonDown(unsigned int x, unsigned int y, unsigned long flags);
    void notifyLButtonUp(unsigned int x, unsigned int y, unsigned long flags);
    void notifyLButtonClick(unsigned int x, unsigned int y, unsigned long flags);
    void notifyLButtonDblClick(unsigned int x, unsigned int y, unsigned long flags);
    void notifyRButtonDown(unsigned int x, unsigned int y, unsigned long flags);
    void notifyRButtonUp(unsigned int x, unsigned int y, unsigned long flags);
    void notifyRButtonClick(unsigned int x, unsigned int y, unsigned long flags);
    void notifyRButtonDblClick(unsigned int x, unsigned int y, unsigned long flags);
    void notifyMButtonDown(unsigned int x, unsigned int y, unsigned long flags);
    void notifyMButtonUp(unsigned int x, unsigned int y, unsigned long flags);
    void notifyMButtonClick(unsigned int x, unsigned int y, unsigned long flags);
    void notifyMButtonDblClick(unsigned int x, unsigned int y, unsigned long flags);
    void notifyMouseWheel(unsigned int x, unsigned int y, long delta);
    void notifyKeyPressed(unsigned int key);
    void notifySetFocuse();
    void notifyLoseFocuse();
    void notifyDcsChange(unsigned int width, unsigned int height);
    void notifyWcsChange();
    void notifyPickPointChange();
    void notifySelectionRectangleChange();
    void notifyBeforePaint();
    void notifyPaint();
    void notifyPostPaint();
    void notifyBeforeCommandStart();
    void notifyAfterCommandFinish();
    void notifyRasterChange();
    void notifyVectorsChange();
    void notifyDestroy();
    void notifyIdle();

private:
    template <class Call>
    void tell(const Call& call);

    utRasterData_c source_;
    std::unique_ptr<utRasterData_c> raster_;
    std::unique_ptr<stSketch_c> vectors_;
    stSketch_c result_;
    utDictionary_c dictionary_;
    stPiIndexing_c index_;
    bool pickPointDefined_ = false;
    double pickX_ = 0.0, pickY_ = 0.0;
    bool selectionDefined_ = false;
    double selX1_ = 0.0, selY1_ = 0.0, selX2_ = 0.0, selY2_ = 0.0;
    // Shared by the copies of a context, so that the last one to let the command go destroys it;
    // never destroyed by the holder itself.
    std::shared_ptr<stCommand_c> activeCommand_;
    // A removal during a notification leaves a null entry, skipped and swept afterwards.
    std::vector<stCommandContextListener_c*> listeners_;
    int telling_ = 0;
};

}  // namespace Vemora
