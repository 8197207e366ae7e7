#include <vemora/engine/stVMREngine.h>

#include <vemora/config/stConfigurable.h>
#include <vemora/engine/stProcessor.h>
#include <vemora/engine/stToolListener.h>

#include <algorithm>
#include <cassert>
#include <cwchar>
#include <string>

#include "engine/registration.h"
#include "foundation/platform.h"

namespace Vemora {

namespace {
bool sameName(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

bool strictlyDerived(const stDescriptor_c* d, const stDescriptor_c* kind) {
    return d != kind && d->isDerivedFrom(kind);
}

void removeFirst(std::vector<utString_c>& names, const wchar_t* name) {
    auto it = std::find_if(names.begin(), names.end(),
                           [&](const utString_c& n) { return sameName(n, name); });
    if (it != names.end()) names.erase(it);
}
}  // namespace

stVMREngine_c& stVMREngine_c::getEngine() {
    static stVMREngine_c engine;
    return engine;
}

stVMREngine_c::stVMREngine_c() {
    // The configuration tells the engine's listeners through this pointer: asking getEngine()
    // for them now would re-enter the construction of the engine.
    configuration_.engine_ = this;
    const std::wstring path = platform::libraryFolder() + L"Data/orvexconfig.xml";
    configuration_.load(path.c_str());
    registerLibraryClasses(*this);
}

stVMREngine_c::~stVMREngine_c() = default;

void stVMREngine_c::registerConfigurable(stDescriptor_c* d) {
    assert(d && "registering needs a descriptor");
    if (!d) return;
    if (strictlyDerived(d, stRasterProcessor_c::desc())) rasterNames_.emplace_back(d->name());
    if (strictlyDerived(d, stTracingAlgorithm_c::desc()))
        vectorizationNames_.emplace_back(d->name());
    if (strictlyDerived(d, stSketchProcessor_c::desc())) vectorNames_.emplace_back(d->name());
    registry_.push_back(d);
}

void stVMREngine_c::unregisterConfigurable(const wchar_t* name) {
    auto it = std::find_if(registry_.begin(), registry_.end(),
                           [&](const stDescriptor_c* d) { return sameName(d->name(), name); });
    if (it == registry_.end()) return;
    const stDescriptor_c* d = *it;
    if (d->isDerivedFrom(stRasterProcessor_c::desc())) removeFirst(rasterNames_, name);
    if (d->isDerivedFrom(stTracingAlgorithm_c::desc())) removeFirst(vectorizationNames_, name);
    if (d->isDerivedFrom(stSketchProcessor_c::desc())) removeFirst(vectorNames_, name);
    registry_.erase(it);
}

stDescriptor_c* stVMREngine_c::findConfigurable(const wchar_t* name) const {
    for (stDescriptor_c* d : registry_)
        if (sameName(d->name(), name)) return d;
    return nullptr;
}

stConfigurable_c* stVMREngine_c::createConfigurable(const wchar_t* name) const {
    const stDescriptor_c* d = findConfigurable(name);
    return d ? d->factory() : nullptr;
}

void stVMREngine_c::addListener(stEngineListener_c* listener) { listeners_.push_back(listener); }

void stVMREngine_c::removeListener(stEngineListener_c* listener) {
    auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it != listeners_.end()) listeners_.erase(it);
}

void stVMREngine_c::notifyConfigurationChanged() {
    // Listeners may come and go while being told: each one of the list as it was is told unless
    // it has been removed meanwhile.
    const std::vector<stEngineListener_c*> snapshot = listeners_;
    for (size_t i = 0; i < snapshot.size(); ++i) {
        stEngineListener_c* const l = snapshot[i];
        const auto listed = size_t(std::count(listeners_.begin(), listeners_.end(), l));
        // A listener added twice is told twice, unless one of its entries went.
        const auto before = size_t(std::count(snapshot.begin(), snapshot.begin() + long(i), l));
        if (before < listed) l->onConfigurationChanged(configuration_);
    }
}

}  // namespace Vemora
