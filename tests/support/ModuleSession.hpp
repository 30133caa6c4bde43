#pragma once

// One session on a module build, as the tests, the soak and the benchmarks open it: a simulator in a
// folder of its own, a project loaded, the module started and, unless asked otherwise, the palette
// open so that the page and its ACAPI object exist.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ACAPIFunctions.hpp"
#include "HostApiVersions.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"

namespace test {

// The messages and the menu item that open the palette.
inline constexpr Int32 OpenPaletteMessage = 6;
inline constexpr Int16 PaletteMenu = 32500;
inline constexpr Int32 PaletteMenuItem = 1;

// The ACAPI functions the build for `api` registers, in the module's order.
inline std::vector<std::string> FunctionsOfBuild(int api)
{
    std::vector<std::string> names;
    for (const ACAPI::FunctionName& function : ACAPI::FunctionNames)
        if (ACAPI::InBuild(function, api))
            names.push_back(function.name);
    return names;
}

struct SessionSetup {
    enum class Palette { Closed, ByMenu, ByHost };

    int api = landfetch::DefaultHostApiVersion;
    nlohmann::json project = nlohmann::json::object();  // as in the project file
    nlohmann::json ui = nullptr;                         // null: the simulator's own
    Palette palette = Palette::ByMenu;
    std::string browser = "record";
    std::string webapp = {};
};

class ModuleSession {
public:
    explicit ModuleSession(const SessionSetup& setup = {}) : sim(Options(setup, folder))
    {
        sim.LoadProject(setup.project);
        if (!setup.ui.is_null())
            sim.SetUi(setup.ui);
        sim.Start();
        if (setup.palette == SessionSetup::Palette::ByMenu)
            sim.MenuCommand(PaletteMenu, PaletteMenuItem);
        else if (setup.palette == SessionSetup::Palette::ByHost)
            sim.PaletteMessage(OpenPaletteMessage);
    }

    sim::CallResult Call(const std::string& name, const nlohmann::json& args) { return sim.Call(name, args); }
    nlohmann::json Project() const { return sim.SaveProject(); }

    TempFolder folder;
    sim::Simulator sim;

private:
    static sim::Simulator::Options Options(const SessionSetup& setup, const TempFolder& folder)
    {
        sim::Simulator::Options options;
        options.apiVersion = setup.api;
        options.modulePath = ModuleBuild(setup.api);
        options.workFolder = folder.Path().string();
        options.browser = setup.browser;
        options.webapp = setup.webapp;
        return options;
    }
};

}  // namespace test
