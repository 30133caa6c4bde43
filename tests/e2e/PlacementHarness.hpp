#pragma once

// A simulator with the API 30 module started and the palette open, and small readers of the
// saved project, for the placement and survey-point suites.

#include <initializer_list>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "HostHandles.hpp"
#include "ModuleSession.hpp"
#include "host/Encoding.hpp"

namespace placementtest {

using nlohmann::json;

using test::OpenPaletteMessage;

// Opened as the host opens a palette, on the newest build.
class Session : public test::ModuleSession {
public:
    explicit Session(const json& project = json::object())
        : test::ModuleSession({.project = project, .palette = test::SessionSetup::Palette::ByHost})
    {
    }

    // Lets a project be written in place: Session session({{"originOffset", {1, 2}}}).
    Session(std::initializer_list<nlohmann::detail::json_ref<json>> project) : Session(json(project)) {}

    std::string Call(const std::string& name, const json& args)
    {
        const sim::CallResult result = sim.Call(name, args);
        EXPECT_TRUE(result.found) << name;
        return result.Text();
    }
};

inline json ElementsOfType(const json& project, const std::string& type)
{
    json found = json::array();
    for (const json& element : project.value("elements", json::array()))
        if (element.value("type", "") == type)
            found.push_back(element);
    return found;
}

inline std::optional<int> LayerIndex(const json& project, const std::string& name)
{
    for (const json& layer : project.value("layers", json::array()))
        if (layer.value("name", "") == name)
            return layer.at("index").get<int>();
    return std::nullopt;
}

inline std::optional<json> WorksheetNamed(const json& project, const std::string& name, const std::string& ref)
{
    for (const json& sheet : project.value("worksheets", json::array()))
        if (sheet.value("name", "") == name && sheet.value("ref", "") == ref)
            return sheet;
    return std::nullopt;
}

}  // namespace placementtest
