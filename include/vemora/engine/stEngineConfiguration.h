#pragma once

#include <vemora/config/utDictionary.h>
#include <vemora/foundation/utString.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stVMREngine_c;
class stXmlDocument_c;
class stXmlElement_c;

// The engine's configuration document: tool definitions ("ToolDefinitions"), the saved
// configurations of each tool ("ToolConfigurations"), interactive command definitions
// ("CommandDefinitions") and loose properties ("Dictionary"). The loose properties live in this
// object, which is a dictionary: they are read from the document on load and written back on save.
// Lookups return elements of the document (owned by it) or null.
class VEMORA_API stEngineConfiguration_c : public utDictionary_c {
public:
    // The names of the document. They are constants because the engine reads its document while
    // the library is being loaded, before the library's other static data is ready.
    static constexpr const wchar_t* documentTagName_ = L"Vemora";
    static constexpr const wchar_t* schemaVersionAttributeName_ = L"version";
    static constexpr const wchar_t* schemaVersionValue_ = L"1.1";
    static constexpr const wchar_t* defaultToolName_ = L"SPV";
    static constexpr const wchar_t* dictionaryTagName_ = L"Dictionary";
    static constexpr const wchar_t* toolsTagName_ = L"ToolDefinitions";
    static constexpr const wchar_t* toolTagName_ = L"Tool";
    static constexpr const wchar_t* generalTagName_ = L"General";
    static constexpr const wchar_t* descriptionTagName_ = L"General\\Description";
    static constexpr const wchar_t* rasterTagName_ = L"Raster";
    static constexpr const wchar_t* algorithmTagName_ = L"Algorithm";
    static constexpr const wchar_t* sketchTagName_ = L"Sketch";
    static constexpr const wchar_t* processorTagName_ = L"Processor";
    static constexpr const wchar_t* processorNameAttributeName_ = L"processorName";
    static constexpr const wchar_t* nameAttributeName_ = L"name";
    static constexpr const wchar_t* typeAttributeName_ = L"type";
    static constexpr const wchar_t* stringTypeName_ = L"string";
    static constexpr const wchar_t* intTypeName_ = L"int";
    static constexpr const wchar_t* doubleTypeName_ = L"double";
    static constexpr const wchar_t* boolTypeName_ = L"bool";
    static constexpr const wchar_t* objectTypeName_ = L"object";
    static constexpr const wchar_t* dictionaryTypeName_ = L"dictionary";
    static constexpr const wchar_t* configurationsTagName_ = L"ToolConfigurations";
    static constexpr const wchar_t* configurationTagName_ = L"Configuration";
    static constexpr const wchar_t* configurationNameAttributeName_ = L"confName";
    static constexpr const wchar_t* defaultConfigurationName_ = L"Default";
    static constexpr const wchar_t* currentToolPropertyName_ = L"CurrentTool";
    static constexpr const wchar_t* guiSettingsPropertyName_ = L"GuiSettings";

    // An empty configuration: no tools, no configurations, the current tool "SPV" (in the
    // document and in the dictionary), nothing changed.
    stEngineConfiguration_c();
    // A copy with its own clone of the document; it is not the engine's configuration.
    stEngineConfiguration_c(const stEngineConfiguration_c& other);
    // Takes a clone of other's document, its dictionary and its file name; the engine's
    // configuration then tells the engine's listeners.
    stEngineConfiguration_c& operator=(const stEngineConfiguration_c& other);
    // True when both wrap the same document.
    bool operator==(const stEngineConfiguration_c& other) const {
        return document_ == other.document_;
    }
    ~stEngineConfiguration_c() override;

    // Never null.
    stXmlDocument_c* document() const { return document_; }
    // The path last given to load or save; null before.
    const wchar_t* fileName() const { return fileName_; }
    utDictionary_c& properties() { return *this; }
    // The nested dictionary "GuiSettings", made (empty) when there is none.
    utDictionary_c& guiSettings();

    int countTools() const;
    stXmlElement_c* toolDefinitionAt(int i) const;
    stXmlElement_c* toolDefinitionByName(const wchar_t* name) const;
    // The configuration conf ("Default" when null) of the tool; no fallback to the definition.
    stXmlElement_c* toolConfigurationByName(const wchar_t* tool, const wchar_t* conf) const;
    // The configuration, made from a copy of the tool's definition when there is none yet; null
    // when the tool is not defined.
    stXmlElement_c* makeToolConfiguration(const wchar_t* tool, const wchar_t* conf);
    // The configuration's content becomes a copy of the definition's again.
    void resetToolConfiguration(const wchar_t* tool, const wchar_t* conf);
    // The definition's content becomes a copy of the configuration's (its name stays).
    void updateToolDefinitionFromConfiguration(const wchar_t* tool, const wchar_t* conf);

    int countCommands() const;
    stXmlElement_c* commandDefinitionAt(int i) const;
    stXmlElement_c* commandDefinitionByName(const wchar_t* name) const;

    // Reads the document at path and the dictionary from it. A file that cannot be read leaves the
    // current document in place and is answered false; nothing throws. The path is remembered in
    // either case, but an existing file that could not be read is never overwritten by a later
    // save(null).
    bool load(const wchar_t* path);
    // Writes the document to path (remembered), or with null to the remembered file when the
    // dictionary or the document changed. Entries deleted from the dictionary leave the document
    // too; elements the dictionary reader skips are kept. False when nothing could be written
    // where writing was asked for.
    bool save(const wchar_t* path);

private:
    friend class stVMREngine_c;

    void initEmptyConfiguration();
    // Removes and deletes every saved configuration of the tool.
    void removeToolConfigurations(const wchar_t* tool);
    stXmlElement_c* section(const wchar_t* tag) const;
    // Tells the engine's listeners, when this is the engine's configuration.
    void notifyChanged();

    stXmlDocument_c* document_ = nullptr;  // owned
    utString_c fileName_;
    // The remembered file exists but could not be read: save(null) must not replace it.
    bool fileUnreadable_ = false;
    // The engine holding this configuration, or null. Set by the engine itself, so that nothing
    // here reaches for the engine while it is still being built.
    stVMREngine_c* engine_ = nullptr;
};

}  // namespace Vemora
