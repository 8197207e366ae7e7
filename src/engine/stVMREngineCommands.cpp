// The engine's command side: interactive command definitions in the configuration document, and
// commands created from them.

#include <vemora/engine/stVMREngine.h>

#include <vemora/commands/stCommand.h>
#include <vemora/xml/stXmlNode.h>

#include <memory>

namespace Vemora {

namespace {
constexpr const wchar_t* kCommandsTag = L"CommandDefinitions";
constexpr const wchar_t* kCommandTag = L"Command";
}  // namespace

stCommandDefinition_c stVMREngine_c::commandDefinitionAt(int i) const {
    return stCommandDefinition_c(configuration_.commandDefinitionAt(i));
}

stCommandDefinition_c stVMREngine_c::commandDefinitionByName(const wchar_t* name) const {
    return stCommandDefinition_c(configuration_.commandDefinitionByName(name));
}

stCommandDefinition_c stVMREngine_c::defineCommand(const wchar_t* name, const wchar_t* className,
                                                   const wchar_t* groupName,
                                                   const wchar_t* description) {
    if (configuration_.commandDefinitionByName(name)) return stCommandDefinition_c();
    stXmlElement_c* const root = configuration_.document()->getDocumentElement();
    if (!root) return stCommandDefinition_c();
    auto* const commands = dynamic_cast<stXmlElement_c*>(root->selectOrCreateNode(kCommandsTag));
    if (!commands) return stCommandDefinition_c();
    std::unique_ptr<stXmlElement_c> made(configuration_.document()->createElement(kCommandTag));
    commands->appendChild(made.get());
    stXmlElement_c* const command = made.release();
    command->setAttribute(L"name", name);
    command->setAttribute(L"className", className);
    command->setAttribute(
        L"groupName", groupName ? groupName : stEngineConfiguration_c::defaultConfigurationName_);
    stCommandDefinition_c definition(command);
    definition.setDescription(description);
    return definition;
}

void stVMREngine_c::undefineCommand(const wchar_t* name) {
    stXmlElement_c* const command = configuration_.commandDefinitionByName(name);
    if (!command) return;
    if (stXmlNode_c* parent = command->getParentNode()) delete parent->removeChild(command);
    notifyConfigurationChanged();
}

stCommand_c* stVMREngine_c::createCommand(const wchar_t* name) {
    const stCommandDefinition_c definition(configuration_.commandDefinitionByName(name));
    if (!definition.valid()) return nullptr;
    // Only a command class may be made from a command definition.
    const stDescriptor_c* const d = findConfigurable(definition.className());
    if (!d || !d->isDerivedFrom(stCommand_c::desc())) return nullptr;
    try {
        std::unique_ptr<stConfigurable_c> object(d->factory());
        auto* const command = dynamic_cast<stCommand_c*>(object.get());
        if (!command) return nullptr;
        command->fromXml(definition.configuration());
        command->definition_ = definition;
        object.release();
        return command;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace Vemora
