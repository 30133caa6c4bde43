#pragma once

// A long session on one loaded module, as a user and the page make it: every ACAPI function,
// palette messages, project events, appearance changes, undo and redo, mixed at random. Shared by
// the soak test and its full-size benchmark.

#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "project/Project.hpp"
#include "Simulator.hpp"

namespace soak {

using nlohmann::json;

// The resident size of this process, in bytes.
inline long ResidentBytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

inline std::string Base64(const std::string& bytes)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            value |= static_cast<unsigned char>(bytes[i + 2]);
        for (std::size_t k = 0; k < 4; ++k)
            text += i + k <= bytes.size() ? alphabet[(value >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

class Session {
public:
    // The project keeps at most `maxSteps` undo steps placed by the session: past that it undoes,
    // so that a long session stays the size of a working day's project instead of growing forever.
    Session(sim::Simulator& sim, unsigned seed, std::size_t maxSteps = 40)
        : sim(sim), random(seed), maxSteps(maxSteps), png(Base64(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)))
    {
    }

    // One action; returns what went wrong, or an empty text.
    std::string Act()
    {
        ++actions;
        const int choice = Pick(0, 21);
        switch (choice) {
            case 0: return Expect("GetVersion", json::array(), "1.11");
            case 1: return ExpectKind("GetAttributes", json::array(), true);
            case 2: return ExpectKind("GetSurveyPoint", json::array(), true);
            case 3:
                return ExpectKind("SetSurveyPoint",
                                  json::array({-743500.5 - Pick(0, 9), -1043250.25, 250, 1, 50.08, 14.42}), false);
            case 4: return Placement("PlaceOrthophoto", json::array({png, 100, 60, Pick(0, 900), 0, 1, 1, 0, 0,
                                                                     "Ortofoto", Pick(0, 3) ? "plan" : "worksheet",
                                                                     "Orto", "K2"}));
            case 5:
            case 6: {
                const double x = Pick(0, 900);
                const json line = json::array({json::array({x, 0}), json::array({x + 5, 5})});
                return Placement("PlaceCadastre",
                                 json::array({Pick(0, 3) ? "plan" : "worksheet", "Katastr", "K1", 0,
                                              json::array({json::array({"KN", 1, "", "lines", json::array({line})}),
                                                           json::array({"KN popisy", 0, "", "texts",
                                                                        json::array({json::array({x, 1, 2.5, "7"})})})})}));
            }
            case 7:
            case 8: {
                const std::string x = std::to_string(Pick(0, 900));
                const std::string points = x + " 0 1\n" + x + "5 0 2\n" + x + "5 10 3\n" + x + " 10 4\n";
                return Placement("PlaceTerrain", json::array({"dmr5g", points, 0, json::array(), "", "", "", "", 0,
                                                              Pick(0, 19) == 0 ? png : "", 50, 50}));
            }
            case 9:
            case 10: {
                const std::string x = std::to_string(Pick(0, 900));
                const std::string footprint = x + " 0\n" + x + "8 0\n" + x + "8 8\n";
                return Placement("PlaceBuildings",
                                 json::array({json::array({json::array({footprint, 0, 6, x + "1 1 8\n"})}), 0, "", "",
                                              Pick(0, 19) == 0 ? png : "", 10, 10}));
            }
            case 11: return ExpectKind("ChooseSaveFile", json::array({"zprava.txt"}), true);
            case 12: return ExpectKind("SaveTextFile", json::array({"zprava.txt", "Parcela " + std::to_string(actions)}), true);
            case 13:
                return ExpectKind("SetProjectInfo",
                                  json::array({json::array({json::array({Pick(0, 1) ? "LANDFETCH-PARCELA" : "Obec",
                                                                         std::to_string(Pick(0, 999))})})}),
                                  true);
            case 14: {
                if (sim.ApiVersion() < 29)
                    return Expect("GetVersion", json::array(), "1.11");
                return ExpectKind("GetAppearance", json::array(), true);
            }
            case 15: {
                // Hidden and shown again as the host does around a modal dialog; the page stays.
                sim.PaletteMessage(2);
                sim.PaletteMessage(3);
                bool visible = false;
                sim.PaletteMessage(7, &visible);
                return visible ? std::string() : "the palette stayed hidden";
            }
            case 16: sim.ProjectEvent(std::array<Int32, 3>{1, 2, 4}[Pick(0, 2)]); return {};
            case 17: sim.SetAppearance(static_cast<Int16>(Pick(0, 1))); return {};
            case 18:
            case 19: sim.Undo(Pick(1, 2)); return {};
            default: sim.Redo(Pick(1, 2)); return {};
        }
    }

    int Actions() const { return actions; }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    std::string Expect(const std::string& name, const json& args, const std::string& reply)
    {
        const sim::CallResult result = sim.Call(name, args);
        if (!result.found || result.reply != reply)
            return name + " replied " + result.reply.dump();
        return {};
    }

    std::string ExpectKind(const std::string& name, const json& args, bool text)
    {
        const sim::CallResult result = sim.Call(name, args);
        if (!result.found || (text ? !result.reply.is_string() : !result.reply.is_boolean()))
            return name + " replied " + result.reply.dump();
        return {};
    }

    std::string Placement(const std::string& name, const json& args)
    {
        const sim::CallResult result = sim.Call(name, args);
        if (!result.found || result.Text().rfind("kod=0 ", 0) != 0)
            return name + " replied " + result.reply.dump();
        if (sim.GetProject().UndoSteps().size() > maxSteps)
            sim.Undo(static_cast<int>(maxSteps / 2));
        return {};
    }

    sim::Simulator& sim;
    std::mt19937 random;
    std::size_t maxSteps;
    std::string png;
    int actions = 0;
};

}  // namespace soak
