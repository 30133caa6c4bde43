#pragma once

// Scenario files: the initial project, the user's answers and the steps a user and a page take.

#include <iosfwd>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace sim {

class Simulator;

struct Scenario {
    std::optional<int> api;
    nlohmann::json project;  // the project file's JSON; null: a new project
    nlohmann::json ui;       // null when the scenario has none
    nlohmann::json steps = nlohmann::json::array();
};

// A JSON file; throws sim::Error naming the file when it cannot be read or parsed.
nlohmann::json ReadJsonFile(const std::string& path);
void WriteJsonFile(const std::string& path, const nlohmann::json& value);

// Throws sim::Error naming the file or the member that is wrong. A project given as a path is
// read relative to the scenario's folder.
Scenario ReadScenario(const std::string& path);

// What one step did, as `run` prints it.
struct StepResult {
    int step = 0;
    std::string kind;                // "call" or the step's kind
    nlohmann::json written;          // the function called, or the step's value as written
    nlohmann::ordered_json members;  // the rest of the line, in order

    // One object. A palette step names "palette" twice, the message and then the state: the
    // object keeps the state.
    nlohmann::json Json() const;
    // The line as printed, members in order.
    std::string Text() const;
};

// Runs one step; throws sim::Error naming the step when it is not understood.
StepResult RunScenarioStep(Simulator& simulator, const nlohmann::json& step, int stepNumber);

// The same as one object, and as the printed line.
nlohmann::json RunStep(Simulator& simulator, const nlohmann::json& step, int stepNumber);
std::string StepText(Simulator& simulator, const nlohmann::json& step, int stepNumber);

// Runs every step, printing one line per step as it completes.
void RunScenarioSteps(Simulator& simulator, const Scenario& scenario, std::ostream& out);

}  // namespace sim
