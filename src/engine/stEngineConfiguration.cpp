#include <vemora/engine/stEngineConfiguration.h>

#include <vemora/engine/stVMREngine.h>
#include <vemora/xml/stXmlNode.h>
#include <vemora/xml/stXmlParser.h>

#include <cwchar>
#include <memory>
#include <vector>

#include "engine/configurationDictionary.h"
#include "foundation/platform.h"

namespace Vemora {

namespace {
using Conf = stEngineConfiguration_c;

constexpr const wchar_t* kCommandsTag = L"CommandDefinitions";
constexpr const wchar_t* kCommandTag = L"Command";

bool same(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

stXmlElement_c* asElement(stXmlNode_c* node) {
    return node && node->getNodeType() == stXmlNode_c::ELEMENT_NODE
               ? static_cast<stXmlElement_c*>(node)
               : nullptr;
}

// The first element child with that tag, or null.
stXmlElement_c* childElement(const stXmlNode_c* parent, const wchar_t* tag) {
    if (!parent) return nullptr;
    for (stXmlNode_c* n = parent->getFirstChild(); n; n = n->getNextSibling()) {
        stXmlElement_c* e = asElement(n);
        if (e && same(e->getTagName(), tag)) return e;
    }
    return nullptr;
}

// The element children of parent with that tag, in document order.
std::vector<stXmlElement_c*> childElements(const stXmlElement_c* parent, const wchar_t* tag) {
    std::vector<stXmlElement_c*> out;
    if (!parent) return out;
    for (stXmlNode_c* n = parent->getFirstChild(); n; n = n->getNextSibling()) {
        stXmlElement_c* e = asElement(n);
        if (e && same(e->getTagName(), tag)) out.push_back(e);
    }
    return out;
}

stXmlElement_c* namedChild(const stXmlElement_c* parent, const wchar_t* tag, const wchar_t* name) {
    for (stXmlElement_c* e : childElements(parent, tag))
        if (same(e->getAttribute(Conf::nameAttributeName_), name)) return e;
    return nullptr;
}

const wchar_t* orDefault(const wchar_t* conf) {
    return conf ? conf : Conf::defaultConfigurationName_;
}

// Replaces the children of target by deep copies of the children of source.
void copyChildren(stXmlElement_c& target, const stXmlElement_c& source) {
    target.removeChildren();
    for (stXmlNode_c* n = source.getFirstChild(); n; n = n->getNextSibling()) {
        std::unique_ptr<stXmlNode_c> copy(n->cloneNode(true));
        target.appendChild(copy.get());
        copy.release();
    }
}

stXmlDocument_c* cloneDocument(const stXmlDocument_c& document) {
    std::unique_ptr<stXmlNode_c> copy(document.cloneNode(true));
    auto* const clone = dynamic_cast<stXmlDocument_c*>(copy.get());
    if (clone) copy.release();
    return clone;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

stEngineConfiguration_c::stEngineConfiguration_c() { initEmptyConfiguration(); }

stEngineConfiguration_c::stEngineConfiguration_c(const stEngineConfiguration_c& other)
    : utDictionary_c(other),
      document_(cloneDocument(*other.document_)),
      fileName_(other.fileName_),
      fileUnreadable_(other.fileUnreadable_) {
    if (!document_) initEmptyConfiguration();
}

stEngineConfiguration_c& stEngineConfiguration_c::operator=(const stEngineConfiguration_c& other) {
    if (this == &other) return *this;
    std::unique_ptr<stXmlDocument_c> clone(cloneDocument(*other.document_));
    if (!clone) return *this;  // no memory for the copy: this one stays whole
    delete document_;
    document_ = clone.release();
    utDictionary_c::operator=(other);
    fileName_ = other.fileName_;
    fileUnreadable_ = other.fileUnreadable_;
    notifyChanged();
    return *this;
}

stEngineConfiguration_c::~stEngineConfiguration_c() { delete document_; }

void stEngineConfiguration_c::initEmptyConfiguration() {
    std::unique_ptr<stXmlDocument_c> doc(
        stXmlDOMImplementation_c::createDOMImplementation(nullptr)->createDocument());
    std::unique_ptr<stXmlElement_c> root(doc->createElement(documentTagName_));
    root->setAttribute(schemaVersionAttributeName_, schemaVersionValue_);
    for (const wchar_t* tag : {toolsTagName_, configurationsTagName_}) {
        std::unique_ptr<stXmlElement_c> section(doc->createElement(tag));
        root->appendChild(section.get());
        section.release();
    }
    doc->appendChild(root.get());
    root.release()->setValue(L"Dictionary\\CurrentTool", defaultToolName_);
    document_ = doc.release();
    // The dictionary mirrors the document from the start; nothing is unsaved yet.
    setString(currentToolPropertyName_, defaultToolName_);
    setChanged(false);
}

// ---------------------------------------------------------------------------------------------
// Access

utDictionary_c& stEngineConfiguration_c::guiSettings() {
    utDictionary_c* settings = getDictionary(guiSettingsPropertyName_, nullptr);
    if (!settings) {
        setDictionary(guiSettingsPropertyName_, nullptr);
        settings = getDictionary(guiSettingsPropertyName_, nullptr);
    }
    return *settings;
}

stXmlElement_c* stEngineConfiguration_c::section(const wchar_t* tag) const {
    return childElement(document_->getDocumentElement(), tag);
}

int stEngineConfiguration_c::countTools() const {
    return int(childElements(section(toolsTagName_), toolTagName_).size());
}

stXmlElement_c* stEngineConfiguration_c::toolDefinitionAt(int i) const {
    const auto tools = childElements(section(toolsTagName_), toolTagName_);
    return i >= 0 && size_t(i) < tools.size() ? tools[size_t(i)] : nullptr;
}

stXmlElement_c* stEngineConfiguration_c::toolDefinitionByName(const wchar_t* name) const {
    return namedChild(section(toolsTagName_), toolTagName_, name);
}

stXmlElement_c* stEngineConfiguration_c::toolConfigurationByName(const wchar_t* tool,
                                                                 const wchar_t* conf) const {
    for (stXmlElement_c* e : childElements(section(configurationsTagName_), configurationTagName_))
        if (same(e->getAttribute(nameAttributeName_), tool) &&
            same(e->getAttribute(configurationNameAttributeName_), orDefault(conf)))
            return e;
    return nullptr;
}

stXmlElement_c* stEngineConfiguration_c::makeToolConfiguration(const wchar_t* tool,
                                                               const wchar_t* conf) {
    if (stXmlElement_c* found = toolConfigurationByName(tool, conf)) return found;
    const stXmlElement_c* const definition = toolDefinitionByName(tool);
    stXmlElement_c* const configurations = section(configurationsTagName_);
    if (!definition || !configurations) return nullptr;
    const utString_c toolName(tool), confName(orDefault(conf));  // may live in the document
    std::unique_ptr<stXmlElement_c> made(document_->createElement(configurationTagName_));
    made->setAttribute(nameAttributeName_, toolName);
    made->setAttribute(configurationNameAttributeName_, confName);
    copyChildren(*made, *definition);
    configurations->appendChild(made.get());
    return made.release();
}

void stEngineConfiguration_c::resetToolConfiguration(const wchar_t* tool, const wchar_t* conf) {
    stXmlElement_c* const configuration = toolConfigurationByName(tool, conf);
    const stXmlElement_c* const definition = toolDefinitionByName(tool);
    if (configuration && definition) copyChildren(*configuration, *definition);
}

void stEngineConfiguration_c::updateToolDefinitionFromConfiguration(const wchar_t* tool,
                                                                    const wchar_t* conf) {
    const stXmlElement_c* const configuration = toolConfigurationByName(tool, conf);
    stXmlElement_c* const definition = toolDefinitionByName(tool);
    if (configuration && definition) copyChildren(*definition, *configuration);
}

void stEngineConfiguration_c::removeToolConfigurations(const wchar_t* tool) {
    if (!tool) return;
    stXmlElement_c* const configurations = section(configurationsTagName_);
    const utString_c name(tool);  // tool may be the text of an element removed here
    for (stXmlElement_c* e : childElements(configurations, configurationTagName_))
        if (same(e->getAttribute(nameAttributeName_), name)) delete configurations->removeChild(e);
}

int stEngineConfiguration_c::countCommands() const {
    return int(childElements(section(kCommandsTag), kCommandTag).size());
}

stXmlElement_c* stEngineConfiguration_c::commandDefinitionAt(int i) const {
    const auto commands = childElements(section(kCommandsTag), kCommandTag);
    return i >= 0 && size_t(i) < commands.size() ? commands[size_t(i)] : nullptr;
}

stXmlElement_c* stEngineConfiguration_c::commandDefinitionByName(const wchar_t* name) const {
    return namedChild(section(kCommandsTag), kCommandTag, name);
}

// ---------------------------------------------------------------------------------------------
// Persistence

bool stEngineConfiguration_c::load(const wchar_t* path) {
    bool read = false;
    const utString_c file(path);
    try {
        std::unique_ptr<stXmlParser_c> parser(stXmlParser_c::createParser(nullptr));
        if (stXmlDocument_c* parsed = path ? parser->parse(path) : nullptr) {
            delete document_;
            document_ = parsed;
            read = true;
        }
        clear();
        if (const stXmlElement_c* root = document_->getDocumentElement())
            root->getDictionaryValue(dictionaryTagName_, *this);
        clearDictionaryTreeChanged(*this);
        notifyChanged();
    } catch (...) {
        // A broken file is no reason to fail: the previous document stays.
    }
    fileName_ = file;
    fileUnreadable_ = !read && platform::pathExists(file);
    return read;
}

bool stEngineConfiguration_c::save(const wchar_t* path) {
    if (path) {
        const utString_c target(path);  // path may be fileName() itself
        fileName_ = target;
        fileUnreadable_ = false;
    }
    if (!fileName_ || fileUnreadable_) return false;
    try {
        if (dictionaryTreeChanged(*this)) {
            if (stXmlElement_c* root = document_->getDocumentElement()) {
                auto* const element = asElement(root->selectOrCreateNode(dictionaryTagName_));
                if (element) writeDictionaryElement(*element, *this);
            }
            clearDictionaryTreeChanged(*this);
            return document_->save(fileName_);
        }
        if (path || document_->isModified()) return document_->save(fileName_);
        return true;
    } catch (...) {
        return false;
    }
}

void stEngineConfiguration_c::notifyChanged() {
    if (engine_) engine_->notifyConfigurationChanged();
}

}  // namespace Vemora
