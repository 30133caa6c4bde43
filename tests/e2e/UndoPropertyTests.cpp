// Random sessions of placements, survey-point and autotext calls, undos, redos and reloads of the
// saved project, checked after every action against a model of what each undo step owns. Whatever a placement makes outside its
// step (texture surfaces with their library files, worksheets, the windows opened on them) and the
// survey point and autotexts belong to no step: undo and redo never touch them.

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "PlacementHarness.hpp"
#include "project/Project.hpp"

using placementtest::Base64;
using placementtest::json;
using placementtest::Session;

namespace {

// Equal, or what differs (a full project would drown the report).
::testing::AssertionResult SameProject(const json& expected, const json& actual)
{
    if (expected == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << json::diff(expected, actual).dump().substr(0, 3000);
}

const std::string Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
const std::vector<std::string> Outside = {"surfaces", "worksheets", "openWindows", "geoLocation", "site", "autotexts"};

// What one undo step made: its elements and layers, in order.
struct Owned {
    std::string name;
    json elements = json::array();
    json layers = json::array();
};

// `list` must begin with `prefix`; the rest is returned.
json Tail(const json& list, const json& prefix)
{
    EXPECT_GE(list.size(), prefix.size());
    json tail = json::array();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i < prefix.size()) {
            EXPECT_EQ(list[i], prefix[i]) << "item " << i << " of a list changed";
        } else {
            tail.push_back(list[i]);
        }
    }
    return tail;
}

class RandomSession {
public:
    explicit RandomSession(unsigned seed) : random(seed)
    {
        start = session.Project();
        elements = start["elements"];
        layers = start["layers"];
    }

    void Act()
    {
        const int choice = Pick(0, 12);
        if (choice <= 5) {
            Place(choice);
        } else if (choice == 6) {
            const json before = session.Project();
            session.sim.Call("SetSurveyPoint", json::array({-743500.0 - Pick(0, 99), -1043250.0 - Pick(0, 99),
                                                            Pick(200, 300), 1, 50.08, 14.42}));
            ExpectOnlyOutsideChanged(before);
        } else if (choice == 7) {
            const json before = session.Project();
            const json pair = json::array({Pick(0, 1) ? "LANDFETCH-PARCELA" : "Obec", std::to_string(Pick(1, 999))});
            session.Call("SetProjectInfo", json::array({json::array({pair})}));
            ExpectOnlyOutsideChanged(before);
        } else if (choice <= 9) {
            Undo(Pick(1, 3));
        } else if (choice <= 11) {
            Redo(Pick(1, 3));
        } else {
            SaveAndReload();
        }
    }

    // As a later run with --project: the history continues from the file alone.
    void SaveAndReload()
    {
        const std::string file = session.Project().dump(2);
        session.sim.LoadProject(json::parse(file));
        EXPECT_TRUE(session.Project().dump(2) == file) << "the saved project loads and saves back differently";
        ++reloads;
    }

    // Undoing everything leaves the project as it started but for what no step owns; redoing
    // everything brings back the project as it was after the session, byte for byte.
    void UndoAndRedoEverything()
    {
        const json sessionEnd = session.Project();
        // Elements made here keep their points as numbers, loaded ones as read: both write the same file.
        sim::Project reloaded;
        reloaded.Load(sessionEnd);
        EXPECT_TRUE(reloaded.Save().dump() == sessionEnd.dump()) << "the saved project loads and saves back differently";
        const int steps = static_cast<int>(done.size());
        Undo(steps + 1);
        json expected = start;
        json now = session.Project();
        now.erase("redoSteps");  // checked by Undo against the model
        for (const std::string& member : Outside)
            expected[member] = now[member];
        EXPECT_TRUE(SameProject(expected, now));
        for (const json& surface : now["surfaces"]) {
            if (surface.contains("texture")) {
                EXPECT_TRUE(std::filesystem::is_regular_file(surface["texture"]["file"].get<std::string>()))
                    << surface.dump();
            }
        }
        Redo(steps);
        EXPECT_TRUE(SameProject(sessionEnd, session.Project()));
        EXPECT_TRUE(session.Project().dump() == sessionEnd.dump()) << "the same members, written differently";
    }

    std::size_t Steps() const { return done.size(); }
    int Reloads() const { return reloads; }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    std::string View()
    {
        return Pick(0, 1) ? "plan" : (Pick(0, 1) ? "ws" : "ws2");
    }

    json Target(const std::string& view)
    {
        if (view == "plan")
            return json::array({"plan", "", ""});
        return view == "ws" ? json::array({"worksheet", "Katastr", "K1"}) : json::array({"worksheet", "Orto", "K2"});
    }

    std::string Texture() { return Pick(0, 1) ? Base64(Png) : std::string(); }

    void Place(int kind)
    {
        const json before = session.Project();
        const double x = Pick(0, 500);
        json args;
        switch (kind) {
            case 0:
            case 1: {
                const json target = Target(View());
                const json line = json::array({json::array({x, 0}), json::array({x + 5, 5})});
                args = {target[0], target[1], target[2], 0,
                        json::array({json::array({"KN " + std::to_string(Pick(1, 4)), 1, "", "lines",
                                                  json::array({line, line})}),
                                     json::array({"KN popisy", 0, "", "texts",
                                                  json::array({json::array({x, 1, 2.5, "12/3"})})})})};
                Call("PlaceCadastre", args, "Vložit katastr", before);
                return;
            }
            case 2: {
                const json target = Target(View());
                args = {Base64(Png), 100, 60, x, 0, 1, 1, 0, 0, "Ortofoto", target[0], target[1], target[2]};
                Call("PlaceOrthophoto", args, "Vložit ortofoto", before);
                return;
            }
            case 3:
            case 4: {
                const std::string points = std::to_string(x) + " 0 1\n" + std::to_string(x + 10) + " 0 2\n" +
                                           std::to_string(x + 10) + " 10 3\n" + std::to_string(x) + " 10 4\n";
                args = {"dmr5g", points, 0, json::array(), Pick(0, 1) ? "" : "Terén", "", "", "", Pick(0, 1),
                        Texture(), 50, 50};
                Call("PlaceTerrain", args, "Vložit terén", before);
                return;
            }
            default: {
                json buildings = json::array();
                for (int i = Pick(1, 3); i > 0; --i) {
                    const double y = 20.0 * i;
                    const std::string footprint = std::to_string(x) + " " + std::to_string(y) + "\n" +
                                                  std::to_string(x + 8) + " " + std::to_string(y) + "\n" +
                                                  std::to_string(x + 8) + " " + std::to_string(y + 8) + "\n";
                    buildings.push_back(json::array({footprint, 0, 6, std::to_string(x + 1) + " " +
                                                                          std::to_string(y + 1) + " 8\n"}));
                }
                args = {buildings, 0, "", "", Texture(), 10, 10};
                Call("PlaceBuildings", args, "Vložit okolní zástavbu", before);
                return;
            }
        }
    }

    void Call(const std::string& name, const json& args, const std::string& undoName, const json& before)
    {
        const std::string reply = session.Call(name, args);
        EXPECT_EQ(reply.rfind("kod=0 ", 0), 0u) << name << ": " << reply;
        const json after = session.Project();
        // Outside a step only surfaces and worksheets may be made, and only added.
        Tail(after["surfaces"], before["surfaces"]);
        Tail(after["worksheets"], before["worksheets"]);
        EXPECT_EQ(after["geoLocation"], before["geoLocation"]);
        EXPECT_EQ(after["autotexts"], before["autotexts"]);

        Owned step{undoName, Tail(after["elements"], elements), Tail(after["layers"], layers)};
        const bool made = !step.elements.empty() || !step.layers.empty();
        EXPECT_EQ(after["undoSteps"].size(), done.size() + (made ? 1 : 0)) << name;
        if (made) {
            elements = after["elements"];
            layers = after["layers"];
            done.push_back(std::move(step));
            undone.clear();
        }
        ExpectProject(after, before);
    }

    void Undo(int steps)
    {
        const json before = session.Project();
        const int expected = std::min<int>(steps, static_cast<int>(done.size()));
        EXPECT_EQ(session.sim.Undo(steps), expected);
        for (int i = 0; i < expected; ++i) {
            Owned step = std::move(done.back());
            done.pop_back();
            elements.erase(elements.end() - static_cast<std::ptrdiff_t>(step.elements.size()), elements.end());
            layers.erase(layers.end() - static_cast<std::ptrdiff_t>(step.layers.size()), layers.end());
            undone.push_back(std::move(step));
        }
        ExpectProject(session.Project(), before);
    }

    void Redo(int steps)
    {
        const json before = session.Project();
        const int expected = std::min<int>(steps, static_cast<int>(undone.size()));
        EXPECT_EQ(session.sim.Redo(steps), expected);
        for (int i = 0; i < expected; ++i) {
            Owned step = std::move(undone.back());
            undone.pop_back();
            elements.insert(elements.end(), step.elements.begin(), step.elements.end());
            layers.insert(layers.end(), step.layers.begin(), step.layers.end());
            done.push_back(std::move(step));
        }
        ExpectProject(session.Project(), before);
    }

    // The project as `before`, with the elements, layers and undo steps the model says it has.
    void ExpectProject(const json& actual, const json& before)
    {
        json expected = before;
        for (const char* member : {"surfaces", "worksheets", "openWindows"})
            expected[member] = actual[member];
        expected["elements"] = elements;
        expected["layers"] = layers;
        expected["undoSteps"] = Outline(done);
        expected.erase("redoSteps");
        if (!undone.empty())
            expected["redoSteps"] = Outline(undone);
        // What a step records beyond its name and elements is checked by what undo and redo do.
        json seen = actual;
        for (const char* member : {"undoSteps", "redoSteps"})
            if (seen.contains(member))
                for (json& step : seen[member])
                    step.erase("changes");
        EXPECT_TRUE(SameProject(expected, seen));
    }

    static json Outline(const std::vector<Owned>& steps)
    {
        json list = json::array();
        for (const Owned& step : steps) {
            json guids = json::array();
            for (const json& element : step.elements)
                guids.push_back(element["guid"]);
            list.push_back({{"name", step.name}, {"elements", guids}});
        }
        return list;
    }

    void ExpectOnlyOutsideChanged(const json& before)
    {
        json expected = session.Project();
        for (const char* member : {"geoLocation", "site", "autotexts"})
            expected[member] = before[member];
        EXPECT_TRUE(SameProject(before, expected));
    }

    std::mt19937 random;
    Session session;
    json start;
    json elements;
    json layers;
    std::vector<Owned> done;
    std::vector<Owned> undone;
    int reloads = 0;
};

}  // namespace

TEST(UndoProperty, RandomSessionsMatchWhatEachStepOwns)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomSession session(seed);
        for (int action = 0; action < 40 && !::testing::Test::HasFailure(); ++action)
            session.Act();
        session.UndoAndRedoEverything();
        EXPECT_GT(session.Reloads(), 0) << "no reload in this session";
        if (::testing::Test::HasFailure())
            return;
    }
}
