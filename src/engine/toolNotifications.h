#pragma once

// How a processor's notifications reach the tool that owns it. The processor base knows its
// owner only as the receiver of these seven calls, so it depends on this header alone, not on the
// tool, the engine or the classes they create; the tool implements them (stTool.cpp).

namespace Vemora {

class stTool_c;

struct stToolNotifications_c {
    static bool started(stTool_c& tool);
    static bool stepStarted(stTool_c& tool, const wchar_t* step);
    static bool progress(stTool_c& tool, int percent);
    static void stepFinished(stTool_c& tool, const wchar_t* step);
    static void finished(stTool_c& tool);
    static void error(stTool_c& tool, const wchar_t* a, const wchar_t* b);
    static void logMessage(stTool_c& tool, const wchar_t* a, const wchar_t* b);
};

}  // namespace Vemora
