#pragma once

#include <vemora/engine/stEngineConfiguration.h>
#include <vemora/engine/stProcessor.h>
#include <vemora/engine/stTool.h>
#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

#include <vector>

namespace Vemora {

class stCommand_c;
class stCommandDefinition_c;
class stConfigurable_c;
class stDescriptor_c;
class stEngineListener_c;

// The process-wide engine: the registry of configurable classes, by registered name, and the names
// of the processors of each kind; the configuration document beside the library
// ("Data/orvexconfig.xml" in the library's folder) with its tool and command definitions; and the
// listeners told when that configuration changes. It is created when the library is loaded, which
// reads the document and registers every class of the library in a fixed order.
class VEMORA_API stVMREngine_c {
public:
    static stVMREngine_c& getEngine();

    stVMREngine_c(const stVMREngine_c&) = delete;
    stVMREngine_c& operator=(const stVMREngine_c&) = delete;

    // ---- registry ---------------------------------------------------------------------------
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

    // ---- configuration ----------------------------------------------------------------------
    stEngineConfiguration_c& configuration() { return configuration_; }
    // The configuration's top-level dictionary.
    utDictionary_c& systemProperties() { return configuration_; }
    utDictionary_c& guiSettings() { return configuration_.guiSettings(); }
    // See stEngineConfiguration_c::load and save.
    bool loadConfiguration(const wchar_t* path) { return configuration_.load(path); }
    bool saveConfiguration(const wchar_t* path) { return configuration_.save(path); }

    // ---- tools --------------------------------------------------------------------------------
    // Definitions are handles on elements of the configuration; invalid when nothing is found.
    int countTools() const { return configuration_.countTools(); }
    stToolDefinition_c toolDefinitionAt(int i) const;
    stToolDefinition_c toolDefinitionByName(const wchar_t* name) const;
    // The saved configuration ("Default" when null) of a tool.
    stToolDefinition_c toolConfigurationByName(const wchar_t* tool,
                                               const wchar_t* configuration) const;
    stToolDefinition_c makeToolConfiguration(const wchar_t* tool, const wchar_t* configuration);
    void resetToolConfiguration(const wchar_t* tool, const wchar_t* configuration);
    // The tool's definition takes the content of that configuration.
    void updateDefaultConfiguration(const wchar_t* tool, const wchar_t* configuration);
    // A new tool definition whose processor entries carry no settings yet; invalid (and nothing
    // changed) when the name is taken.
    stToolDefinition_c defineTool(const wchar_t* name, const wchar_t* description,
                                  const std::vector<stProcessorInfo_c>& raster,
                                  const std::vector<stProcessorInfo_c>& vectorization,
                                  const std::vector<stProcessorInfo_c>& vector);
    // Deletes the definition and all its saved configurations.
    void undefineTool(const wchar_t* name);
    void undefineAllTools();
    // A new tool, owned by the caller, built from the named saved configuration ("Default" when
    // null) of the tool; null when there is no such configuration.
    stTool_c* createTool(const wchar_t* tool, const wchar_t* configuration);

    // ---- commands -----------------------------------------------------------------------------
    int countCommands() const { return configuration_.countCommands(); }
    stCommandDefinition_c commandDefinitionAt(int i) const;
    stCommandDefinition_c commandDefinitionByName(const wchar_t* name) const;
    // Invalid when the name is taken. A null group is "Default".
    stCommandDefinition_c defineCommand(const wchar_t* name, const wchar_t* className,
                                        const wchar_t* groupName, const wchar_t* description);
    void undefineCommand(const wchar_t* name);
    // A new command, owned by the caller, of the class its definition names and configured from
    // the definition; null when there is no such definition, the class is not a registered
    // command class, or it cannot be created or configured.
    stCommand_c* createCommand(const wchar_t* name);

    // ---- listeners ----------------------------------------------------------------------------
    // Listeners are not owned; the same one may be added twice. A listener may remove itself (or
    // another) while it is being told.
    void addListener(stEngineListener_c* listener);
    void removeListener(stEngineListener_c* listener);

private:
    friend class stEngineConfiguration_c;

    stVMREngine_c();
    ~stVMREngine_c();

    void notifyConfigurationChanged();

    std::vector<stDescriptor_c*> registry_;  // the classes' static descriptors, not owned
    stEngineConfiguration_c configuration_;
    std::vector<stEngineListener_c*> listeners_;
    std::vector<utString_c> rasterNames_;
    std::vector<utString_c> vectorizationNames_;
    std::vector<utString_c> vectorNames_;
};

}  // namespace Vemora
