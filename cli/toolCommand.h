#pragma once

// `vemora tool`, `vemora tools` and `vemora processors`: the engine's named tools run over an
// image file, and what the engine offers.

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "imageCommandOptions.h"

namespace CLI {
class App;
}

namespace Vemora {

struct stToolOptions_c : stImageCommandOptions_c {
    std::string tool;
    std::string configuration;                 // empty: "Default"
    std::optional<std::pair<int, int>> pick;   // the pixel a tool starts from
    std::optional<std::array<int, 4>> select;  // pixels x1..x2, y1..y2, ends included
    std::optional<std::pair<double, double>> scale;
    std::string configFile;  // another configuration document instead of the shipped one
};

// The subcommands "tool", "tools" and "processors" of the command line, with their options.
class stToolCommands_c {
public:
    explicit stToolCommands_c(CLI::App& app);
    // True when the command line asked for one of them.
    bool parsed() const;
    // Runs the one asked for; bad input throws std::runtime_error as runTool does.
    void run();

private:
    CLI::App* tool_;
    CLI::App* tools_;
    CLI::App* processors_;
    stToolOptions_c options_;
    stDrawingOptionTexts_c drawingTexts_;
    std::string pick_, select_, scale_, listConfig_;
};

// Runs the tool. Bad input (files, options, values, an unknown tool) throws std::runtime_error
// with one line naming the culprit; nothing is written then. The configuration document is
// only read, never written.
void runTool(const stToolOptions_c& options);

// Reads the configuration document the tool commands use: the one given, or the one beside the
// library (already read when the library was loaded). Throws std::runtime_error when a given
// file cannot be read as one.
void useConfiguration(const std::string& configFile);

// One line per tool definition: its name, a tab, its description.
void listTools();

// The registered processor names of each kind, in registration order.
void listProcessors();

// "SX,SY": two positive finite numbers.
std::pair<double, double> parseScale(const std::string& option, const std::string& text);

// "X1,Y1,X2,Y2": four integers.
std::array<int, 4> parseRectangle(const std::string& option, const std::string& text);

}  // namespace Vemora
