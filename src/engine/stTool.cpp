#include <vemora/engine/stTool.h>

#include <vemora/engine/stToolContext.h>
#include <vemora/engine/stToolListener.h>
#include <vemora/engine/stVMREngine.h>
#include <vemora/foundation/utException.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

#include "engine/toolNotifications.h"

namespace Vemora {

namespace {
const wchar_t* const kInvalidDefinition = L"Invalid tool definition!";
const wchar_t* const kInvalidName = L"Invalid name!";

const wchar_t* const kRaster = L"Raster";
const wchar_t* const kAlgorithm = L"Algorithm";
const wchar_t* const kSketch = L"Sketch";
const wchar_t* const kDescriptionPath = L"General\\Description";

bool sameText(const wchar_t* a, const wchar_t* b) {
    if (!a || !b) return a == b;
    return std::wcscmp(a, b) == 0;
}

stXmlElement_c* asElement(stXmlNode_c* node) {
    return node && node->getNodeType() == stXmlNode_c::ELEMENT_NODE
               ? static_cast<stXmlElement_c*>(node)
               : nullptr;
}

// The first child element with that tag, or null.
stXmlElement_c* childElement(const stXmlElement_c* parent, const wchar_t* tag) {
    for (stXmlNode_c* n = parent->getFirstChild(); n; n = n->getNextSibling()) {
        stXmlElement_c* e = asElement(n);
        if (e && sameText(e->getTagName(), tag)) return e;
    }
    return nullptr;
}

// The i-th element child, or null.
stXmlElement_c* nthElement(const stXmlElement_c* parent, int i) {
    for (stXmlNode_c* n = parent->getFirstChild(); n; n = n->getNextSibling()) {
        stXmlElement_c* e = asElement(n);
        if (e && i-- == 0) return e;
    }
    return nullptr;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Definition handle

stXmlElement_c* stToolDefinition_c::checked() const {
    if (!valid()) throw stEngineException_c(kInvalidDefinition);
    return data();
}

const wchar_t* stToolDefinition_c::name() const { return checked()->getAttribute(L"name"); }

const wchar_t* stToolDefinition_c::description() const {
    return checked()->getValue(kDescriptionPath);
}

void stToolDefinition_c::setName(const wchar_t* name) {
    stXmlElement_c* e = checked();
    // Tool names are unique among the engine's definitions (this one included).
    if (stVMREngine_c::getEngine().toolDefinitionByName(name).valid())
        throw stEngineException_c(kInvalidName);
    e->setAttribute(L"name", name);
}

void stToolDefinition_c::setDescription(const wchar_t* text) {
    checked()->setValue(kDescriptionPath, text);
}

stXmlElement_c* stToolDefinition_c::section(const wchar_t* tag) const {
    return childElement(checked(), tag);
}

bool stToolDefinition_c::rasterTool() const { return section(kRaster) != nullptr; }
bool stToolDefinition_c::vectorizationTool() const { return section(kAlgorithm) != nullptr; }
bool stToolDefinition_c::sketchTool() const { return section(kSketch) != nullptr; }

bool stToolDefinition_c::applicable(stToolContext_c* context) const {
    if (!context) return false;
    if (rasterTool() || vectorizationTool()) return context->getRaster() != nullptr;
    if (sketchTool()) return context->getVectors() != nullptr;
    return false;
}

int stToolDefinition_c::countEntries(const wchar_t* tag) const {
    const stXmlElement_c* s = section(tag);
    int n = 0;
    if (s) {
        for (stXmlNode_c* c = s->getFirstChild(); c; c = c->getNextSibling())
            n += asElement(c) != nullptr;
    }
    return n;
}

stXmlElement_c* stToolDefinition_c::entry(const wchar_t* tag, int i) const {
    const stXmlElement_c* s = section(tag);
    return s && i >= 0 ? nthElement(s, i) : nullptr;
}

int stToolDefinition_c::countRasterProcessors() const { return countEntries(kRaster); }
int stToolDefinition_c::countVectorizationProcessors() const { return countEntries(kAlgorithm); }
int stToolDefinition_c::countVectorProcessors() const { return countEntries(kSketch); }

stXmlElement_c* stToolDefinition_c::rasterProcessorConfiguration(int i) const {
    return entry(kRaster, i);
}
stXmlElement_c* stToolDefinition_c::vectorizationProcessorConfiguration(int i) const {
    return entry(kAlgorithm, i);
}
stXmlElement_c* stToolDefinition_c::vectorProcessorConfiguration(int i) const {
    return entry(kSketch, i);
}

namespace {
const wchar_t* processorNameOf(const stXmlElement_c* e) {
    return e ? e->getAttribute(L"processorName") : nullptr;
}
}  // namespace

const wchar_t* stToolDefinition_c::rasterProcessorName(int i) const {
    return processorNameOf(rasterProcessorConfiguration(i));
}
const wchar_t* stToolDefinition_c::vectorizationProcessorName(int i) const {
    return processorNameOf(vectorizationProcessorConfiguration(i));
}
const wchar_t* stToolDefinition_c::vectorProcessorName(int i) const {
    return processorNameOf(vectorProcessorConfiguration(i));
}

int stToolDefinition_c::countProcessors() const {
    return countRasterProcessors() + countVectorizationProcessors() + countVectorProcessors();
}

stXmlElement_c* stToolDefinition_c::processorConfiguration(int i) const {
    const wchar_t* const sections[] = {kRaster, kAlgorithm, kSketch};
    for (const wchar_t* tag : sections) {
        const int n = countEntries(tag);
        if (i < n) return entry(tag, i);
        i -= n;
    }
    return nullptr;
}

const wchar_t* stToolDefinition_c::processorName(int i) const {
    return processorNameOf(processorConfiguration(i));
}

void stToolDefinition_c::updateDefinition(const std::vector<stProcessorInfo_c>& raster,
                                          const std::vector<stProcessorInfo_c>& vectorization,
                                          const std::vector<stProcessorInfo_c>& vector) {
    checked();
    updateSection(kRaster, raster);
    updateSection(kAlgorithm, vectorization);
    updateSection(kSketch, vector);
}

void stToolDefinition_c::updateSection(const wchar_t* tag,
                                       const std::vector<stProcessorInfo_c>& entries) {
    stXmlElement_c* tool = checked();
    if (entries.empty()) {
        if (stXmlElement_c* s = childElement(tool, tag)) delete tool->removeChild(s);
        return;
    }
    auto* s = asElement(tool->selectOrCreateNode(tag));
    if (!s) return;

    // Detach the current entries, keeping them in document order.
    std::vector<std::unique_ptr<stXmlNode_c>> pool;
    for (stXmlNode_c* n = s->getFirstChild(); n;) {
        stXmlNode_c* next = n->getNextSibling();
        if (asElement(n)) pool.emplace_back(s->removeChild(n));
        n = next;
    }
    for (const stProcessorInfo_c& info : entries) {
        auto kept =
            std::find_if(pool.begin(), pool.end(), [&](const std::unique_ptr<stXmlNode_c>& n) {
                const auto* e = static_cast<const stXmlElement_c*>(n.get());
                return n && sameText(e->getAttribute(L"processorName"), info.processorName()) &&
                       sameText(e->getAttribute(L"name"), info.name());
            });
        if (kept != pool.end()) {
            s->appendChild(kept->release());
            continue;
        }
        std::unique_ptr<stXmlElement_c> created(s->getOwnerDocument()->createElement(L"Processor"));
        created->setAttribute(L"processorName", info.processorName());
        created->setAttribute(L"name", info.name());
        created->setValue(L"Description", info.description());
        s->appendChild(created.release());
    }
    // What is left in the pool is deleted here.
}

// ---------------------------------------------------------------------------------------------
// Tool

stTool_c::stTool_c() = default;

stTool_c::stTool_c(const stToolDefinition_c& definition) : definition_(definition) {
    if (!definition_.valid()) throw stEngineException_c(kInvalidDefinition);
    assemble(definition_.countRasterProcessors(), &stToolDefinition_c::rasterProcessorName,
             &stToolDefinition_c::rasterProcessorConfiguration, stRasterProcessor_c::desc(),
             preProcessors_);
    assemble(definition_.countVectorizationProcessors(),
             &stToolDefinition_c::vectorizationProcessorName,
             &stToolDefinition_c::vectorizationProcessorConfiguration, stTracingAlgorithm_c::desc(),
             processors_);
    assemble(definition_.countVectorProcessors(), &stToolDefinition_c::vectorProcessorName,
             &stToolDefinition_c::vectorProcessorConfiguration, stSketchProcessor_c::desc(),
             postProcessors_);
}

stTool_c::~stTool_c() = default;

void stTool_c::assemble(int count, const wchar_t* (stToolDefinition_c::*name)(int) const,
                        stXmlElement_c* (stToolDefinition_c::*configuration)(int) const,
                        const stDescriptor_c* kind,
                        std::vector<std::unique_ptr<stProcessor_c>>& into) {
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<stConfigurable_c> object(
            stVMREngine_c::getEngine().createConfigurable((definition_.*name)(i)));
        if (!object || !object->isA()->isDerivedFrom(kind)) continue;
        std::unique_ptr<stProcessor_c> processor(static_cast<stProcessor_c*>(object.release()));
        try {
            processor->fromXml((definition_.*configuration)(i));
        } catch (...) {
            continue;  // unreadable settings: the entry is skipped
        }
        processor->setOwner(this);
        into.push_back(std::move(processor));
    }
}

int stTool_c::countSubProcessors() const {
    return countPreProcessors() + countProcessors() + countPostProcessors();
}

bool stTool_c::applicable(stToolContext_c* context) const {
    return definition_.applicable(context);
}

bool stTool_c::apply(stToolContext_c* context) {
    try {
        for (auto* list : {&preProcessors_, &processors_, &postProcessors_}) {
            for (const auto& p : *list) p->apply(context);
        }
    } catch (...) {
        return false;
    }
    return true;
}

void stTool_c::addListener(stToolListener_c* listener) { listeners_.push_back(listener); }

void stTool_c::removeListener(stToolListener_c* listener) {
    auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it != listeners_.end()) listeners_.erase(it);
}

// Listeners may add or remove listeners, themselves included, while they are being notified:
// the dispatch runs over the list as it was when the notification began, and skips those that
// have left since. Stops at the first listener that answers false.
template <class Call>
bool stTool_c::dispatch(Call call) {
    const std::vector<stToolListener_c*> snapshot = listeners_;
    for (stToolListener_c* l : snapshot) {
        if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) continue;
        if (!call(l)) return false;
    }
    return true;
}

bool stTool_c::notifyStarted() {
    return dispatch([this](stToolListener_c* l) { return l->onStart(this); });
}

bool stTool_c::notifyStepStarted(const wchar_t* step) {
    return dispatch([this, step](stToolListener_c* l) { return l->onStepStart(this, step); });
}

bool stTool_c::notifyProgress(int percent) {
    return dispatch([this, percent](stToolListener_c* l) { return l->onProgress(this, percent); });
}

void stTool_c::notifyStepFinished(const wchar_t* step) {
    dispatch([this, step](stToolListener_c* l) {
        l->onStepFinish(this, step);
        return true;
    });
}

void stTool_c::notifyFinished() {
    dispatch([this](stToolListener_c* l) {
        l->onFinish(this);
        return true;
    });
}

void stTool_c::notifyError(const wchar_t* a, const wchar_t* b) {
    dispatch([this, a, b](stToolListener_c* l) {
        l->onLogError(this, a, b);
        return true;
    });
}

void stTool_c::notifyLogMessage(const wchar_t* a, const wchar_t* b) {
    dispatch([this, a, b](stToolListener_c* l) {
        l->onLogMessage(this, a, b);
        return true;
    });
}

// The processors' notifications, relayed to the tool that owns them.
bool stToolNotifications_c::started(stTool_c& tool) { return tool.notifyStarted(); }
bool stToolNotifications_c::stepStarted(stTool_c& tool, const wchar_t* step) {
    return tool.notifyStepStarted(step);
}
bool stToolNotifications_c::progress(stTool_c& tool, int percent) {
    return tool.notifyProgress(percent);
}
void stToolNotifications_c::stepFinished(stTool_c& tool, const wchar_t* step) {
    tool.notifyStepFinished(step);
}
void stToolNotifications_c::finished(stTool_c& tool) { tool.notifyFinished(); }
void stToolNotifications_c::error(stTool_c& tool, const wchar_t* a, const wchar_t* b) {
    tool.notifyError(a, b);
}
void stToolNotifications_c::logMessage(stTool_c& tool, const wchar_t* a, const wchar_t* b) {
    tool.notifyLogMessage(a, b);
}

}  // namespace Vemora
