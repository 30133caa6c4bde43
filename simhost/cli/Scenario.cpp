#include "cli/Scenario.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "host/AtomicFile.hpp"
#include "host/BrowserControl.hpp"
#include "host/JsonIntegers.hpp"
#include "host/JsonNesting.hpp"
#include "host/JsonText.hpp"
#include "host/PageValues.hpp"
#include "HostApiVersions.hpp"
#include "Simulator.hpp"

namespace sim {

namespace {

constexpr std::array<const char*, 11> StepKinds = {"menu",     "palette", "event", "appearance", "newTab",
                                                   "navigate", "call",    "undo",  "redo",       "dump", "page"};

[[noreturn]] void StepError(int stepNumber, const std::string& problem)
{
    throw Error("step " + std::to_string(stepNumber) + ": " + problem);
}

std::string FindKind(const nlohmann::json& step, int stepNumber)
{
    if (!step.is_object() || step.empty())
        StepError(stepNumber, "a step must be an object with one step kind: " + step.dump());
    std::string kind;
    for (const char* known : StepKinds) {
        if (!step.contains(known))
            continue;
        if (!kind.empty())
            StepError(stepNumber, "two step kinds in one step: \"" + kind + "\" and \"" + known + "\"");
        kind = known;
    }
    if (kind.empty())
        StepError(stepNumber, "unknown step kind \"" + step.begin().key() + "\"");
    return kind;
}

template <class T>
T IntegerOf(const nlohmann::json& value, const std::string& kind, int stepNumber)
{
    const std::optional<T> number = IntegerFitting<T>(value);
    if (!number)
        StepError(stepNumber, "\"" + kind + "\" needs an integer, not " + value.dump());
    return *number;
}

std::string TextOf(const nlohmann::json& value, const std::string& kind, int stepNumber)
{
    if (!value.is_string())
        StepError(stepNumber, "\"" + kind + "\" needs a text, not " + value.dump());
    return value.get<std::string>();
}

template <class Json>
std::string Dump(const Json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

StepResult CallStep(Simulator& simulator, const nlohmann::json& step, int stepNumber)
{
    std::string name = TextOf(step["call"], "call", stepNumber);
    // Read in place: the arguments can be tens of megabytes.
    static const nlohmann::json noArgs;
    const auto found = step.find("args");
    const nlohmann::json& args = found != step.end() ? *found : noArgs;
    if (!args.is_null() && !args.is_array())
        StepError(stepNumber, "\"args\" must be an array, not " + args.dump());

    CallResult result;
    try {
        result = simulator.Call(name, args);
    } catch (const BrowserGoneError&) {
        throw;  // not the step's fault: the run ends there
    } catch (const Error& error) {
        StepError(stepNumber, error.what());
    }
    StepResult line{stepNumber, "call", name, {}};
    line.members["reply"] = result.reply;
    if (!result.found) {
        line.members["error"] = "not found";
    } else if (!simulator.LastCallException().empty()) {
        line.members["error"] = "exception";
        line.members["exception"] = simulator.LastCallException();
    }
    return line;
}

}  // namespace

nlohmann::json ReadJsonFile(const std::string& path)
{
    // A device or a pipe named as a file would be read forever.
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
        throw Error(path + ": cannot be read (not a file)");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(path + ": cannot be read");
    try {
        return ParseJsonStream(in);
    } catch (const nlohmann::json::exception& error) {  // a syntax error, or a number too big for a double
        throw Error(path + ": not valid JSON (" + error.what() + ")");
    }
}

void WriteJsonFile(const std::string& path, const nlohmann::json& value)
{
    WriteFileAtomically(path, value.dump(2) + "\n");
}

Scenario ReadScenario(const std::string& path)
{
    nlohmann::json file = ReadJsonFile(path);
    if (!file.is_object())
        throw Error(path + ": a scenario must be a JSON object");
    // Its steps are copied and printed, which recurses; the page could not pass such values anyway.
    if (DeeperThan(file, MaxPageNesting + 8))
        throw Error(path + ": nested deeper than " + std::to_string(MaxPageNesting) + " levels");

    Scenario scenario;
    if (file.contains("api")) {
        const std::optional<int> api = IntegerFitting<int>(file["api"]);
        if (!api || !landfetch::IsHostApiVersion(*api))
            throw Error(path + ": \"api\" must be " + landfetch::HostApiVersionWords);
        scenario.api = *api;
    }
    if (file.contains("project")) {
        const nlohmann::json& project = file["project"];
        if (project.is_string()) {
            std::filesystem::path projectPath = project.get<std::string>();
            if (projectPath.is_relative())
                projectPath = std::filesystem::path(path).parent_path() / projectPath;
            scenario.project = ReadJsonFile(projectPath.string());
            RefuseDeepNesting(scenario.project, projectPath.string());
        } else if (project.is_object()) {
            scenario.project = std::move(file["project"]);
        } else {
            throw Error(path + ": \"project\" must be a project object or the path of a project file");
        }
    }
    if (file.contains("ui")) {
        if (!file["ui"].is_object())
            throw Error(path + ": \"ui\" must be an object");
        scenario.ui = std::move(file["ui"]);
    }
    if (file.contains("steps")) {
        if (!file["steps"].is_array())
            throw Error(path + ": \"steps\" must be an array");
        scenario.steps = std::move(file["steps"]);
    }
    return scenario;
}

nlohmann::json StepResult::Json() const
{
    nlohmann::json object = {{"step", step}, {kind, written}};
    for (const auto& [key, member] : members.items())
        object[key] = member;
    return object;
}

std::string StepResult::Text() const
{
    std::string text = "{\"step\":" + std::to_string(step) + "," + Dump(nlohmann::json(kind)) + ":" + Dump(written);
    for (const auto& [key, member] : members.items())
        text += "," + Dump(nlohmann::json(key)) + ":" + Dump(member);
    return text + "}";
}

StepResult RunScenarioStep(Simulator& simulator, const nlohmann::json& step, int stepNumber)
{
    const std::string kind = FindKind(step, stepNumber);
    // Whatever happened before this step is not its doing.
    simulator.TakeScripts();
    simulator.TakeOpened();

    if (kind == "call") {
        StepResult line = CallStep(simulator, step, stepNumber);
        simulator.TakeScripts();
        simulator.TakeOpened();
        return line;
    }

    const nlohmann::json& value = step[kind];
    nlohmann::ordered_json extra;
    if (kind == "menu") {
        if (!value.is_array() || value.size() != 2)
            StepError(stepNumber, "\"menu\" needs [menuResId, itemIndex], not " + value.dump());
        simulator.MenuCommand(IntegerOf<Int16>(value[0], kind, stepNumber), IntegerOf<Int32>(value[1], kind, stepNumber));
    } else if (kind == "palette") {
        bool answer = false;
        Int32 message = IntegerOf<Int32>(value, kind, stepNumber);
        simulator.PaletteMessage(message, &answer);
        if (message == 7)
            extra["answer"] = answer;
    } else if (kind == "event") {
        simulator.ProjectEvent(IntegerOf<Int32>(value, kind, stepNumber));
    } else if (kind == "appearance") {
        simulator.SetAppearance(IntegerOf<Int16>(value, kind, stepNumber));
    } else if (kind == "newTab") {
        simulator.NewTab(TextOf(value, kind, stepNumber));
    } else if (kind == "navigate") {
        extra["allowed"] = simulator.Navigate(TextOf(value, kind, stepNumber));
    } else if (kind == "undo" || kind == "redo") {
        int steps = IntegerOf<Int32>(value, kind, stepNumber);
        if (steps < 0)
            StepError(stepNumber, "\"" + kind + "\" needs a count of steps, not " + value.dump());
        extra["done"] = kind == "undo" ? simulator.Undo(steps) : simulator.Redo(steps);
    } else if (kind == "dump") {
        extra["project"] = simulator.SaveProject();
    } else if (kind == "page") {
        std::string script = TextOf(value, kind, stepNumber);
        try {
            extra["result"] = simulator.EvaluateInPage(script);
        } catch (const PageScriptError& error) {
            extra["result"] = nullptr;
            extra["error"] = error.what();
        } catch (const BrowserGoneError&) {
            throw;
        } catch (const Error& error) {
            StepError(stepNumber, error.what());
        }
    }

    // Kept apart from the step and its kind: a palette step repeats the member name "palette".
    StepResult line{stepNumber, kind, value, {}};
    line.members["palette"] = simulator.PaletteState();
    line.members["menuChecked"] = simulator.MenuChecked();
    line.members["address"] = simulator.Address();
    line.members["pageLoads"] = simulator.PageLoads();
    line.members["scripts"] = simulator.TakeScripts();
    line.members["opened"] = simulator.TakeOpened();
    for (auto& [key, member] : extra.items())
        line.members[key] = std::move(member);
    return line;
}

nlohmann::json RunStep(Simulator& simulator, const nlohmann::json& step, int stepNumber)
{
    return RunScenarioStep(simulator, step, stepNumber).Json();
}

std::string StepText(Simulator& simulator, const nlohmann::json& step, int stepNumber)
{
    return RunScenarioStep(simulator, step, stepNumber).Text();
}

void RunScenarioSteps(Simulator& simulator, const Scenario& scenario, std::ostream& out)
{
    int stepNumber = 0;
    for (const nlohmann::json& step : scenario.steps)
        out << RunScenarioStep(simulator, step, ++stepNumber).Text() << std::endl;
}

}  // namespace sim
