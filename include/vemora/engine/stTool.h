#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/xml/stXmlElementHandle.h>

#include <memory>
#include <vector>

namespace Vemora {

class stToolContext_c;
class stToolListener_c;

// A light handle on a tool definition element ("Tool") of the configuration document: its name,
// its description and the processor entries of its "Raster", "Algorithm" and "Sketch" sections.
// The handle becomes invalid when its element is removed or the document destroyed; using an
// invalid handle throws stEngineException_c "Invalid tool definition!".
class VEMORA_API stToolDefinition_c : public stXmlElementHandle_c {
public:
    stToolDefinition_c() = default;
    explicit stToolDefinition_c(stXmlElement_c* element) : stXmlElementHandle_c(element) {}

    const wchar_t* name() const;
    const wchar_t* description() const;
    // Throws stEngineException_c "Invalid name!" when the engine has a tool definition of that
    // name (this one included).
    void setName(const wchar_t* name);
    void setDescription(const wchar_t* text);

    bool rasterTool() const;
    bool vectorizationTool() const;
    bool sketchTool() const;
    // A raster or vectorization tool needs a working raster, a sketch tool a working sketch.
    bool applicable(stToolContext_c* context) const;

    int countRasterProcessors() const;
    const wchar_t* rasterProcessorName(int i) const;
    stXmlElement_c* rasterProcessorConfiguration(int i) const;
    int countVectorizationProcessors() const;
    const wchar_t* vectorizationProcessorName(int i) const;
    stXmlElement_c* vectorizationProcessorConfiguration(int i) const;
    int countVectorProcessors() const;
    const wchar_t* vectorProcessorName(int i) const;
    stXmlElement_c* vectorProcessorConfiguration(int i) const;
    // Over the raster, vectorization and vector sections in that order; null past the end.
    int countProcessors() const;
    const wchar_t* processorName(int i) const;
    stXmlElement_c* processorConfiguration(int i) const;

    // Makes each section list exactly the given entries in the given order, keeping the element
    // (and so the settings) of every entry that already existed; an empty list removes the section.
    void updateDefinition(const std::vector<stProcessorInfo_c>& raster,
                          const std::vector<stProcessorInfo_c>& vectorization,
                          const std::vector<stProcessorInfo_c>& vector);

private:
    // The element, or throws "Invalid tool definition!".
    stXmlElement_c* checked() const;
    stXmlElement_c* section(const wchar_t* tag) const;
    stXmlElement_c* entry(const wchar_t* tag, int i) const;
    int countEntries(const wchar_t* tag) const;
    void updateSection(const wchar_t* tag, const std::vector<stProcessorInfo_c>& entries);
};

// A pipeline of processors built from a tool definition: raster processors, then tracing
// algorithms, then sketch processors, run in that order over a tool context. The tool owns its
// processors; listeners are not owned.
class VEMORA_API stTool_c : public stAbstractTool_c {
public:
    stTool_c();
    // Throws stEngineException_c "Invalid tool definition!" for an invalid definition. Entries
    // whose class is unknown, of the wrong kind or unreadable are skipped.
    explicit stTool_c(const stToolDefinition_c& definition);
    // A tool owns its processors and they point back at it: tools are not copied.
    stTool_c(const stTool_c&) = delete;
    stTool_c& operator=(const stTool_c&) = delete;
    ~stTool_c() override;

    const wchar_t* name() const { return definition_.name(); }
    const wchar_t* description() const { return definition_.description(); }
    const stToolDefinition_c& definition() const { return definition_; }

    int countPreProcessors() const { return int(preProcessors_.size()); }
    stProcessor_c* preProcessorAt(int i) const { return preProcessors_[size_t(i)].get(); }
    int countProcessors() const { return int(processors_.size()); }
    stProcessor_c* processorAt(int i) const { return processors_[size_t(i)].get(); }
    int countPostProcessors() const { return int(postProcessors_.size()); }
    stProcessor_c* postProcessorAt(int i) const { return postProcessors_[size_t(i)].get(); }
    int countSubProcessors() const;

    bool applicable(stToolContext_c* context) const override;
    // Runs every processor in order whatever each one answers; false only when one throws.
    bool apply(stToolContext_c* context) override;

    // Listeners are called in the order added; the same one may be added twice.
    void addListener(stToolListener_c* listener);
    void removeListener(stToolListener_c* listener);
    int countListeners() const { return int(listeners_.size()); }
    stToolListener_c* listenerAt(int i) const { return listeners_[size_t(i)]; }

protected:
    friend struct stToolNotifications_c;  // the processors' way to these
    // The first listener answering false stops the dispatch; the result is then false.
    bool notifyStarted();
    bool notifyStepStarted(const wchar_t* step);
    bool notifyProgress(int percent);
    void notifyStepFinished(const wchar_t* step);
    void notifyFinished();
    void notifyError(const wchar_t* a, const wchar_t* b);
    void notifyLogMessage(const wchar_t* a, const wchar_t* b);

private:
    // Creates the registered class of every entry of a section, keeps those of the wanted kind
    // and configures them from their entry.
    void assemble(int count, const wchar_t* (stToolDefinition_c::*name)(int) const,
                  stXmlElement_c* (stToolDefinition_c::*configuration)(int) const,
                  const stDescriptor_c* kind, std::vector<std::unique_ptr<stProcessor_c>>& into);
    // Calls call(listener) for each listener in order until one returns false.
    template <class Call>
    bool dispatch(Call call);

    stToolDefinition_c definition_;
    std::vector<stToolListener_c*> listeners_;
    std::vector<std::unique_ptr<stProcessor_c>> postProcessors_;
    std::vector<std::unique_ptr<stProcessor_c>> processors_;
    std::vector<std::unique_ptr<stProcessor_c>> preProcessors_;
};

}  // namespace Vemora
