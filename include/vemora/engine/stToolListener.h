#pragma once

#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stEngineConfiguration_c;
class stTool_c;

// Follows a tool's run. Every operation does nothing by default; answering false to onStart,
// onStepStart or onProgress asks the running processor to stop.
class VEMORA_API stToolListener_c {
public:
    virtual ~stToolListener_c();
    virtual bool onStart(const stTool_c* tool);
    virtual bool onStepStart(const stTool_c* tool, const wchar_t* step);
    virtual bool onProgress(const stTool_c* tool, int percent);
    virtual void onStepFinish(const stTool_c* tool, const wchar_t* step);
    virtual void onFinish(const stTool_c* tool);
    virtual void onLogError(const stTool_c* tool, const wchar_t* a, const wchar_t* b);
    virtual void onLogMessage(const stTool_c* tool, const wchar_t* a, const wchar_t* b);
};

// Follows the engine's configuration.
class VEMORA_API stEngineListener_c {
public:
    virtual ~stEngineListener_c();
    virtual void onConfigurationLoaded(stEngineConfiguration_c& configuration) = 0;
    virtual void onToolDefined(const wchar_t* name) = 0;
    virtual void onToolUndefined(const wchar_t* name) = 0;
    virtual void onToolCreated(stTool_c* tool) = 0;
    virtual void onToolConfigurationChanged(stEngineConfiguration_c& configuration,
                                            const wchar_t* toolName) = 0;
    virtual void onConfigurationChanged(stEngineConfiguration_c& configuration) = 0;
    virtual void onConfigurationSaved() = 0;
};

// An engine listener that ignores everything; override what matters.
class VEMORA_API stEngineListenerBase_c : public stEngineListener_c {
public:
    void onConfigurationLoaded(stEngineConfiguration_c&) override {}
    void onToolDefined(const wchar_t*) override {}
    void onToolUndefined(const wchar_t*) override {}
    void onToolCreated(stTool_c*) override {}
    void onToolConfigurationChanged(stEngineConfiguration_c&, const wchar_t*) override {}
    void onConfigurationChanged(stEngineConfiguration_c&) override {}
    void onConfigurationSaved() override {}
};

}  // namespace Vemora
