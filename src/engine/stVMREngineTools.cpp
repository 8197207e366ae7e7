// The engine's tool side: tool definitions and saved configurations in the configuration
// document, and tools built from them.

#include <vemora/engine/stVMREngine.h>

#include <vemora/xml/stXmlNode.h>

#include <memory>

namespace Vemora {

namespace {
using Conf = stEngineConfiguration_c;

stXmlElement_c* appendElement(stXmlElement_c& parent, const wchar_t* tag) {
    std::unique_ptr<stXmlElement_c> e(parent.getOwnerDocument()->createElement(tag));
    parent.appendChild(e.get());
    return e.release();
}

void appendSection(stXmlElement_c& tool, const wchar_t* tag,
                   const std::vector<stProcessorInfo_c>& entries) {
    if (entries.empty()) return;
    stXmlElement_c* const section = appendElement(tool, tag);
    for (const stProcessorInfo_c& info : entries) {
        stXmlElement_c* const p = appendElement(*section, Conf::processorTagName_);
        p->setAttribute(Conf::nameAttributeName_, info.name());
        p->setAttribute(Conf::processorNameAttributeName_, info.processorName());
        p->setValue(L"Description", info.description());
    }
}
}  // namespace

stToolDefinition_c stVMREngine_c::toolDefinitionAt(int i) const {
    return stToolDefinition_c(configuration_.toolDefinitionAt(i));
}

stToolDefinition_c stVMREngine_c::toolDefinitionByName(const wchar_t* name) const {
    return stToolDefinition_c(configuration_.toolDefinitionByName(name));
}

stToolDefinition_c stVMREngine_c::toolConfigurationByName(const wchar_t* tool,
                                                          const wchar_t* configuration) const {
    return stToolDefinition_c(configuration_.toolConfigurationByName(tool, configuration));
}

stToolDefinition_c stVMREngine_c::makeToolConfiguration(const wchar_t* tool,
                                                        const wchar_t* configuration) {
    return stToolDefinition_c(configuration_.makeToolConfiguration(tool, configuration));
}

void stVMREngine_c::resetToolConfiguration(const wchar_t* tool, const wchar_t* configuration) {
    configuration_.resetToolConfiguration(tool, configuration);
}

void stVMREngine_c::updateDefaultConfiguration(const wchar_t* tool, const wchar_t* configuration) {
    configuration_.updateToolDefinitionFromConfiguration(tool, configuration);
}

stToolDefinition_c stVMREngine_c::defineTool(const wchar_t* name, const wchar_t* description,
                                             const std::vector<stProcessorInfo_c>& raster,
                                             const std::vector<stProcessorInfo_c>& vectorization,
                                             const std::vector<stProcessorInfo_c>& vector) {
    if (configuration_.toolDefinitionByName(name)) return stToolDefinition_c();
    stXmlElement_c* const root = configuration_.document()->getDocumentElement();
    if (!root) return stToolDefinition_c();
    auto* const tools =
        dynamic_cast<stXmlElement_c*>(root->selectOrCreateNode(Conf::toolsTagName_));
    if (!tools) return stToolDefinition_c();
    stXmlElement_c* const tool = appendElement(*tools, Conf::toolTagName_);
    tool->setAttribute(Conf::nameAttributeName_, name);
    tool->setValue(Conf::descriptionTagName_, description);
    appendSection(*tool, Conf::rasterTagName_, raster);
    appendSection(*tool, Conf::algorithmTagName_, vectorization);
    appendSection(*tool, Conf::sketchTagName_, vector);
    return stToolDefinition_c(tool);
}

void stVMREngine_c::undefineTool(const wchar_t* name) {
    stXmlElement_c* const tool = configuration_.toolDefinitionByName(name);
    if (!tool) return;
    const utString_c kept(name);  // name may be the tool's own attribute text
    if (stXmlNode_c* parent = tool->getParentNode()) delete parent->removeChild(tool);
    configuration_.removeToolConfigurations(kept);
}

void stVMREngine_c::undefineAllTools() {
    // Every definition and configuration removed is deleted; handles on them learn of it.
    for (const wchar_t* tag : {Conf::toolsTagName_, Conf::configurationsTagName_})
        if (stXmlElement_c* section = configuration_.section(tag)) section->removeChildren();
}

stTool_c* stVMREngine_c::createTool(const wchar_t* tool, const wchar_t* configuration) {
    stXmlElement_c* const element = configuration_.toolConfigurationByName(tool, configuration);
    if (!element) return nullptr;
    try {
        return new stTool_c(stToolDefinition_c(element));
    } catch (...) {
        return nullptr;
    }
}

}  // namespace Vemora
