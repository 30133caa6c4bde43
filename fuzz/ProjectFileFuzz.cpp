// The project file's loader and saver: a file either loads, and then saves, loads and saves again
// byte for byte, or the loader refuses it with a message (sim::Error). Nothing else may escape.

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzInput.hpp"
#include "project/Project.hpp"
#include "Simulator.hpp"

namespace {

sim::Project& LoadedProject()
{
    static sim::Project* project = [] {
        auto* made = new sim::Project;
        char folder[] = "/tmp/landfetch-fuzz-project-XXXXXX";
        if (mkdtemp(folder) == nullptr)
            fuzz::Fail("no temporary folder");
        made->SetWorkFolder(folder);
        return made;
    }();
    return *project;
}

std::string Saved(const sim::Project& project)
{
    try {
        return project.Save().dump();
    } catch (const nlohmann::json::exception& error) {
        fuzz::Fail("a loaded project file cannot be saved", error.what());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const nlohmann::json file = nlohmann::json::parse(data, data + size, nullptr, false);
    if (file.is_discarded())
        return 0;
    sim::Project& project = LoadedProject();
    try {
        project.Load(file);
    } catch (const sim::Error& error) {
        if (std::string(error.what()).empty())
            fuzz::Fail("the loader refused a file without a message");
        return 0;
    } catch (const std::exception& error) {
        fuzz::Fail("the loader let an exception through", error.what());
    }
    const std::string first = Saved(project);
    try {
        project.Load(nlohmann::json::parse(first));
    } catch (const std::exception& error) {
        fuzz::Fail("a saved project file does not load", error.what());
    }
    if (Saved(project) != first)
        fuzz::Fail("the project file does not save back the same", first);
    return 0;
}
