#pragma once

// A simulator with the API 30 module started and the palette open, and small readers of the
// saved project, for the placement and survey-point suites.

#include <initializer_list>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "GSRoot.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"

namespace placementtest {

using nlohmann::json;

inline constexpr Int32 OpenPaletteMessage = 6;

class Session {
public:
    explicit Session(const json& project = json::object())
        : sim(sim::Simulator::Options{30, (test::ExecutableFolder() / "Orvani_Landfetch_30.so").string(),
                                      folder.Path().string()})
    {
        sim.LoadProject(project);
        sim.Start();
        sim.PaletteMessage(OpenPaletteMessage);
    }

    // Lets a project be written in place: Session session({{"originOffset", {1, 2}}}).
    Session(std::initializer_list<nlohmann::detail::json_ref<json>> project) : Session(json(project)) {}

    std::string Call(const std::string& name, const json& args)
    {
        const sim::CallResult result = sim.Call(name, args);
        EXPECT_TRUE(result.found) << name;
        return result.Text();
    }

    json Project() const { return sim.SaveProject(); }

    test::TempFolder folder;
    sim::Simulator sim;
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

inline std::string Base64(const std::string& bytes)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned value = (static_cast<unsigned char>(bytes[i]) << 16) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            text += alphabet[(value >> shift) & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += alphabet[(value >> 18) & 63];
        text += alphabet[(value >> 12) & 63];
        text += rest == 2 ? alphabet[(value >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

}  // namespace placementtest
