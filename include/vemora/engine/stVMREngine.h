#pragma once

#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

#include <vector>

namespace Vemora {

class stConfigurable_c;
class stDescriptor_c;
class stEngineListener_c;

// The process-wide engine: the registry of configurable classes, by registered name, and the names
// of the processors of each kind. It is created when the library is loaded, which registers every
// class of the library in a fixed order.
class VEMORA_API stVMREngine_c {
public:
    static stVMREngine_c& getEngine();

    stVMREngine_c(const stVMREngine_c&) = delete;
    stVMREngine_c& operator=(const stVMREngine_c&) = delete;

    // d must not be null. A strict descendant of a processor kind also joins that kind's name list.
    // No duplicate check: registering twice lists twice.
    void registerConfigurable(stDescriptor_c* d);
    // Removes the first descriptor of that name, and its name from its kind's list.
    void unregisterConfigurable(const wchar_t* name);
    // The first descriptor of that name (exact, case-sensitive), or null.
    stDescriptor_c* findConfigurable(const wchar_t* name) const;
    // A new object of that class, owned by the caller; null for an unknown or abstract class.
    stConfigurable_c* createConfigurable(const wchar_t* name) const;

    const std::vector<utString_c>& rasterProcessorNames() const { return rasterNames_; }
    const std::vector<utString_c>& vectorizationProcessorNames() const {
        return vectorizationNames_;
    }
    const std::vector<utString_c>& vectorProcessorNames() const { return vectorNames_; }

    // Listeners are not owned; the same one may be added twice.
    void addListener(stEngineListener_c* listener);
    void removeListener(stEngineListener_c* listener);

private:
    stVMREngine_c();
    ~stVMREngine_c();

    std::vector<stDescriptor_c*> registry_;  // the classes' static descriptors, not owned
    std::vector<stEngineListener_c*> listeners_;
    std::vector<utString_c> rasterNames_;
    std::vector<utString_c> vectorizationNames_;
    std::vector<utString_c> vectorNames_;
};

}  // namespace Vemora
