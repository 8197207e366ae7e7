#include <vemora/engine/stToolListener.h>

namespace Vemora {

stToolListener_c::~stToolListener_c() = default;
bool stToolListener_c::onStart(const stTool_c*) { return true; }
bool stToolListener_c::onStepStart(const stTool_c*, const wchar_t*) { return true; }
bool stToolListener_c::onProgress(const stTool_c*, int) { return true; }
void stToolListener_c::onStepFinish(const stTool_c*, const wchar_t*) {}
void stToolListener_c::onFinish(const stTool_c*) {}
void stToolListener_c::onLogError(const stTool_c*, const wchar_t*, const wchar_t*) {}
void stToolListener_c::onLogMessage(const stTool_c*, const wchar_t*, const wchar_t*) {}

stEngineListener_c::~stEngineListener_c() = default;

}  // namespace Vemora
