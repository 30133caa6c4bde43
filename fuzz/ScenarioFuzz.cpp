// The scenario reader, then the scenario's steps on a loaded module build: a scenario either
// runs, or is refused with a message (sim::Error) naming the file or the step. Nothing else may
// escape, and nothing may hang.
//
// The fuzzer runs as whatever user starts it: the steps run only in a project whose folders are the
// simulator's own, and the save dialog never answers with a path of the scenario's choosing.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzInput.hpp"
#include "HostApiVersions.hpp"
#include "cli/Scenario.hpp"
#include "Simulator.hpp"

namespace {

const std::string& ScenarioPath()
{
    static const std::string path = [] {
        char folder[] = "/tmp/landfetch-fuzz-scenario-XXXXXX";
        if (mkdtemp(folder) == nullptr)
            fuzz::Fail("no temporary folder");
        return std::string(folder) + "/scenario.json";
    }();
    return path;
}

void Write(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        fuzz::Fail("cannot write the scenario", path);
}

// One module build (the default) stays loaded for every input: libFuzzer keeps reading the coverage
// counters of a module once loaded, so it may never be unloaded. Each scenario gets its own project.
sim::Simulator& LoadedSimulator()
{
    static sim::Simulator* simulator = [] {
        auto* made = new sim::Simulator(sim::Simulator::Options{landfetch::DefaultHostApiVersion, "", ""});
        made->Start();
        return made;
    }();
    return *simulator;
}

// Where the module may write files: only under the simulator's work folder.
void KeepFilesInWorkFolder(sim::Scenario& scenario)
{
    if (scenario.project.is_object()) {
        for (const char* member : {"untitled", "projectFile", "specialFolders", "libraries"})
            scenario.project.erase(member);
    }
    if (scenario.ui.is_object() && scenario.ui.contains("saveDialog") && scenario.ui["saveDialog"] != "cancel")
        scenario.ui["saveDialog"] = "accept";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = ScenarioPath();
    Write(path, data, size);
    sim::Scenario scenario;
    try {
        scenario = sim::ReadScenario(path);
    } catch (const sim::Error& error) {
        if (std::string(error.what()).empty())
            fuzz::Fail("the reader refused a scenario without a message");
        return 0;
    } catch (const std::exception& error) {
        fuzz::Fail("the reader let an exception through", error.what());
    }
    if (scenario.steps.empty())
        return 0;
    KeepFilesInWorkFolder(scenario);
    try {
        sim::Simulator& simulator = LoadedSimulator();
        simulator.LoadProject(scenario.project.is_null() ? nlohmann::json::object() : scenario.project);
        simulator.SetUi(scenario.ui);
        std::ostringstream out;
        sim::RunScenarioSteps(simulator, scenario, out);
    } catch (const sim::Error& error) {
        if (std::string(error.what()).empty())
            fuzz::Fail("a scenario was refused without a message");
    } catch (const std::exception& error) {
        fuzz::Fail("running a scenario let an exception through", error.what());
    }
    return 0;
}
