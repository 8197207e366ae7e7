#include "toolCommand.h"

#include <vemora/engine/stToolContext.h>
#include <vemora/engine/stToolListener.h>
#include <vemora/engine/stVMREngine.h>
#include <vemora/outline/stColoredOutlineAlgorithm.h>

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "commandOutput.h"
#include "io/imageReader.h"
#include "io/sketchWriter.h"
#include "optionValues.h"
#include "pathText.h"
#include "progress.h"

namespace Vemora {

namespace {

std::string text(const wchar_t* w) { return w ? narrowText(w) : std::string(); }

std::wstring wide(const std::string& s) { return widePath(s); }

std::string pixelText(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

void checkInside(const std::string& option, int x, int y, unsigned w, unsigned h) {
    if (x < 0 || y < 0 || unsigned(x) >= w || unsigned(y) >= h) {
        throw std::runtime_error(option + " " + pixelText(x, y) + ": outside the " +
                                 std::to_string(w) + " x " + std::to_string(h) + " image");
    }
}

// Feeds the progress display with the steps and percentages the tool's processors report.
class tmpProgressListener_c : public stToolListener_c {
public:
    explicit tmpProgressListener_c(stProgressDisplay_c& display) : display_(display) {}
    bool onStepStart(const stTool_c*, const wchar_t* step) override {
        step_ = text(step);
        display_.phase(step_);
        return true;
    }
    bool onProgress(const stTool_c*, int percent) override {
        display_.phase(step_ + " " + std::to_string(percent) + "%");
        return true;
    }

private:
    stProgressDisplay_c& display_;
    std::string step_;
};

// Whether one of the tool's tracing algorithms grows its result from a seed pixel: without a pick
// point it would start from the corner of the image, which is paper as a rule.
bool tracesFromASeed(const stTool_c& tool) {
    for (int i = 0; i < tool.countProcessors(); ++i)
        if (tool.processorAt(i)->isKindOf(stColoredOutlineAlgorithm_c::desc())) return true;
    return false;
}

std::vector<std::string> splitCommas(const std::string& s) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t comma; (comma = s.find(',', from)) != std::string::npos; from = comma + 1)
        parts.push_back(s.substr(from, comma - from));
    parts.push_back(s.substr(from));
    return parts;
}

}  // namespace

std::pair<double, double> parseScale(const std::string& option, const std::string& text) {
    const std::vector<std::string> parts = splitCommas(text);
    double v[2] = {0.0, 0.0};
    bool ok = parts.size() == 2;
    for (size_t i = 0; ok && i < 2; ++i) {
        char* end = nullptr;
        v[i] = std::strtod(parts[i].c_str(), &end);
        ok = !parts[i].empty() && end && *end == '\0' && std::isfinite(v[i]) && v[i] > 0.0;
    }
    if (!ok)
        throw std::runtime_error(option + ": expected two positive numbers as SX,SY, not '" + text +
                                 "'");
    return {v[0], v[1]};
}

std::array<int, 4> parseRectangle(const std::string& option, const std::string& text) {
    const std::vector<std::string> parts = splitCommas(text);
    std::array<int, 4> v{};
    bool ok = parts.size() == 4;
    for (size_t i = 0; ok && i < 4; ++i) {
        try {
            size_t used = 0;
            v[i] = std::stoi(parts[i], &used);
            ok = used == parts[i].size();
        } catch (const std::exception&) {
            ok = false;
        }
    }
    if (!ok)
        throw std::runtime_error(option + ": expected four integers as X1,Y1,X2,Y2, not '" + text +
                                 "'");
    return v;
}

void useConfiguration(const std::string& configFile) {
    if (configFile.empty()) return;  // the one beside the library, read at load
    if (!stVMREngine_c::getEngine().loadConfiguration(wide(configFile).c_str()))
        throw std::runtime_error(configFile + ": not a readable configuration document");
}

void listTools() {
    stVMREngine_c& engine = stVMREngine_c::getEngine();
    for (int i = 0; i < engine.countTools(); ++i) {
        const stToolDefinition_c tool = engine.toolDefinitionAt(i);
        std::printf("%s\t%s\n", text(tool.name()).c_str(), text(tool.description()).c_str());
    }
}

void listProcessors() {
    const stVMREngine_c& engine = stVMREngine_c::getEngine();
    const std::pair<const char*, const std::vector<utString_c>*> kinds[] = {
        {"raster processors", &engine.rasterProcessorNames()},
        {"tracing algorithms", &engine.vectorizationProcessorNames()},
        {"sketch processors", &engine.vectorProcessorNames()}};
    for (const auto& kind : kinds) {
        std::printf("%s:\n", kind.first);
        for (const utString_c& name : *kind.second) std::printf("  %s\n", text(name).c_str());
    }
}

void runTool(const stToolOptions_c& o) {
    // Everything that can be refused is checked before the work starts.
    const stOutputFormat_e format = chooseOutputFormat(o.output, o.format);
    const stUnits_e units = unitsFromName(o.units);
    if (o.overlay && format != stOutputFormat_e::Svg)
        throw std::runtime_error("--overlay: only SVG output can hold the image");
    if (o.pick && o.select) throw std::runtime_error("--pick and --select: give only one of them");
    useConfiguration(o.configFile);

    stVMREngine_c& engine = stVMREngine_c::getEngine();
    const std::wstring toolName = wide(o.tool), confName = wide(o.configuration);
    const wchar_t* const conf = o.configuration.empty() ? nullptr : confName.c_str();
    if (!engine.toolDefinitionByName(toolName.c_str()).valid())
        throw std::runtime_error(o.tool + ": no such tool (vemora tools lists them)");
    std::unique_ptr<stTool_c> tool(engine.createTool(toolName.c_str(), conf));
    if (!tool) {
        throw std::runtime_error(o.tool + ": no configuration '" +
                                 (conf ? o.configuration : std::string("Default")) + "'");
    }
    if (!o.pick && tracesFromASeed(*tool))
        throw std::runtime_error(
            o.tool + ": traces the region around a seed pixel: give it with --pick X,Y");

    stProgressDisplay_c progress(!o.quiet);
    progress.phase("reading " + o.input);
    stDecodedImage_c image = readImageFile(o.input, o.maxPixels);
    const unsigned w = image.raster.width(), h = image.raster.height();
    const double dpi = chooseResolution(o.dpi.value_or(0.0), image.dpiX, units, o.units, o.input);

    stToolContextImpl_c context(image.raster);
    if (o.pick) {
        checkInside("--pick", o.pick->first, o.pick->second, w, h);
        context.setPickPoint(o.pick->first, o.pick->second);
    }
    if (o.select) {
        const auto& r = *o.select;
        checkInside("--select", r[0], r[1], w, h);
        checkInside("--select", r[2], r[3], w, h);
        if (r[2] < r[0] || r[3] < r[1])
            throw std::runtime_error("--select: X2,Y2 must not lie left of or above X1,Y1");
        // The tool works on the selected pixels; its results are placed back by the corner.
        context.setRaster(new utRasterData_c(image.raster, unsigned(r[0]), unsigned(r[1]),
                                             unsigned(r[2] - r[0] + 1), unsigned(r[3] - r[1] + 1)));
        context.setSelectionRectangle(r[0], r[1], r[2], r[3]);
    }
    if (o.scale) context.setScalingInfo(o.scale->first, o.scale->second);

    tmpProgressListener_c listener(progress);
    tool->addListener(&listener);
    progress.phase(o.tool);
    if (!tool->apply(&context)) throw std::runtime_error(o.tool + ": the tool failed");
    std::unique_ptr<stSketch_c> sketch(context.releaseVectors());
    if (!sketch) sketch = std::make_unique<stSketch_c>();

    progress.phase("writing " + o.output);
    const stDrawingFrame_c frame = stDrawingFrame_c::forImage(w, h, dpi, units);
    writeSketchFile(o.output, format, *sketch, frame, o.overlay ? &image.raster : nullptr);
    progress.finish();

    reportWritten(o.output, o.quiet, *sketch, o.input + ": the tool " + o.tool + " found nothing");
}

stToolCommands_c::stToolCommands_c(CLI::App& app) {
    stToolOptions_c& o = options_;
    tool_ =
        app.add_subcommand("tool", "Run a tool of the configuration document over an image file");
    tool_->add_option("NAME", o.tool, "Tool name (vemora tools lists them)")->required();
    addInputAndOutput(*tool_, o);
    tool_->add_option("--conf", o.configuration,
                      "Saved configuration of the tool (default: Default)");
    tool_->add_option("--format", o.format, "Output format: dxf, svg or json; needed with -o -");
    tool_->add_option("--pick", pick_, "X,Y: the pixel the tool starts from")->type_name("X,Y");
    tool_->add_option("--select", select_, "X1,Y1,X2,Y2: work on these pixels only (ends included)")
        ->type_name("X1,Y1,X2,Y2");
    tool_->add_option("--scale", scale_, "SX,SY: scale factors handed to the tool")
        ->type_name("SX,SY");
    tool_->add_option("--config", o.configFile,
                      "Configuration document to read instead of the one beside the library");
    addDrawingOptions(*tool_, o, drawingTexts_);

    tools_ = app.add_subcommand("tools", "List the tools of the configuration document");
    tools_->add_option("--config", listConfig_, "Configuration document to read instead");
    processors_ = app.add_subcommand("processors", "List the registered processors by kind");
}

bool stToolCommands_c::parsed() const {
    return tool_->parsed() || tools_->parsed() || processors_->parsed();
}

void stToolCommands_c::run() {
    if (processors_->parsed()) return listProcessors();
    if (tools_->parsed()) {
        useConfiguration(listConfig_);
        return listTools();
    }
    stToolOptions_c& o = options_;
    if (tool_->count("--pick")) o.pick = parseIntPair("--pick", pick_);
    if (tool_->count("--select")) o.select = parseRectangle("--select", select_);
    if (tool_->count("--scale")) o.scale = parseScale("--scale", scale_);
    readDrawingOptions(*tool_, drawingTexts_, o);
    try {
        runTool(o);
    } catch (const std::bad_alloc&) {
        // Named here: the caller's message for this knows only the trace command's input.
        throw std::runtime_error(o.input + ": not enough memory for this image");
    }
}

}  // namespace Vemora
