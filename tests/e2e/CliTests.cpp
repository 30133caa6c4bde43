// `landfetch-host` as a user runs it: its output, its exit statuses and its messages.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "TestSupport.hpp"

namespace {

using nlohmann::json;

using test::HostRun;
using test::RunHost;

int LineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Host API versions as the command line takes them.
template <typename Versions>
std::vector<std::string> ApiWords(const Versions& versions)
{
    std::vector<std::string> words;
    for (int api : versions)
        words.push_back(std::to_string(api));
    return words;
}

TEST(CliCall, PrintsTheVersionOfEveryBuild)
{
    for (const std::string& api : ApiWords(landfetch::HostApiVersions)) {
        HostRun run = RunHost({"--api", api, "call", "GetVersion"});
        EXPECT_EQ(run.status, 0) << api << ": " << run.err;
        EXPECT_EQ(run.out, std::string(LANDFETCH_ADDON_VERSION) + "\n") << api;
        EXPECT_EQ(run.err, "") << api;
    }
    // The version the README gives, written out: an independent check of the one in CMake.
    EXPECT_EQ(RunHost({"call", "GetVersion"}).out, "1.11\n");
}

TEST(CliCall, GetAppearanceExistsFromHostVersion29On)
{
    for (const std::string& api : ApiWords(test::UnthemedBuilds())) {
        HostRun run = RunHost({"--api", api, "call", "GetAppearance"});
        EXPECT_EQ(run.status, 3) << api;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("GetAppearance"), std::string::npos) << run.err;
        EXPECT_EQ(LineCount(run.err), 1) << run.err;
    }
    for (const std::string& api : ApiWords(test::ThemedBuilds()))
        EXPECT_EQ(RunHost({"--api", api, "call", "GetAppearance"}).out, "light\n") << api;
}

TEST(CliCall, ArgumentsAreJsonOrPlainTextAndBooleanRepliesPrintAsWords)
{
    HostRun run = RunHost({"call", "SetSurveyPoint", "-743500.5", "-1043250.25", "250", "1", "50.08", "14.42"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "true\n");

    test::TempFolder folder;
    const std::string saved = folder / "saved.json";
    run = RunHost({"--save", saved, "call", "SetProjectInfo", "[[\"Pozemek\", \"Žluťoučký kůň\"]]"});
    ASSERT_EQ(run.status, 0) << run.err;
    json project = json::parse(test::ReadFile(saved));
    EXPECT_NE(project["autotexts"].dump().find("Žluťoučký kůň"), std::string::npos) << project["autotexts"];

    // Not JSON: passed as the text itself.
    run = RunHost({"--project", saved, "call", "ChooseSaveFile", "a/b:c?.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("a_b_c_.txt"), std::string::npos) << run.out;
}

TEST(CliUsage, BadUsageAndUnreadableInputExitWith2AndOneLine)
{
    test::TempFolder folder;
    const std::string garbage = folder / "garbage.json";
    test::WriteFile(garbage, "{ not json");
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--api", "31", "call", "GetVersion"},
        {"--bogus", "call", "GetVersion"},
        {"call"},
        {"fly"},
        {"run", folder / "missing.json"},
        {"run", garbage},
        {"--project", garbage, "call", "GetVersion"},
        {"--module", folder / "missing.so", "call", "GetVersion"},
        {"call", "GetVersion", "{\"an\": \"object\"}"},
    };
    for (const auto& args : bad) {
        HostRun run = RunHost(args);
        std::string joined;
        for (const auto& arg : args)
            joined += arg + " ";
        EXPECT_EQ(run.status, 2) << joined << "\n" << run.err;
        EXPECT_EQ(LineCount(run.err), 1) << joined << "\n" << run.err;
        EXPECT_EQ(run.out, "") << joined;
    }
    EXPECT_NE(RunHost({"run", folder / "missing.json"}).err.find("missing.json"), std::string::npos);
}

class CliRun : public ::testing::Test {
protected:
    HostRun Run(const json& scenario, std::vector<std::string> options = {})
    {
        const std::string path = folder / "scenario.json";
        test::WriteFile(path, scenario.dump());
        options.push_back("run");
        options.push_back(path);
        return RunHost(options);
    }

    test::TempFolder folder;
};

TEST_F(CliRun, PrintsOneExactLinePerStep)
{
    json scenario = json::parse(R"({
        "api": 30,
        "ui": {"darkMode": true},
        "steps": [
            {"call": "GetVersion"},
            {"palette": 7},
            {"menu": [32500, 1]},
            {"call": "GetAppearance", "args": []},
            {"appearance": 0},
            {"newTab": "https://example.org/x"},
            {"navigate": "https://example.org/y"},
            {"event": 4},
            {"event": 8},
            {"menu": [32500, 1]},
            {"palette": 7}
        ]
    })");
    HostRun run = Run(scenario);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = run.Lines();
    ASSERT_EQ(lines.size(), 11u) << run.out;

    const std::string web = LANDFETCH_WEBAPP_ADDRESS;
    const std::string state = R"("palette":"visible","menuChecked":true,"address":")" + web + "\"";
    const std::string moved = R"("palette":"visible","menuChecked":true,"address":"https://example.org/y")";
    EXPECT_EQ(lines[0], R"({"step":1,"call":"GetVersion","reply":null,"error":"not found"})");
    EXPECT_EQ(lines[1],
              R"({"step":2,"palette":7,"palette":"none","menuChecked":false,"address":"","pageLoads":0,"scripts":[],"opened":[],"answer":false})");
    EXPECT_EQ(lines[2], R"({"step":3,"menu":[32500,1],)" + state + R"(,"pageLoads":1,"scripts":[],"opened":[]})");
    EXPECT_EQ(lines[3], R"({"step":4,"call":"GetAppearance","reply":"dark"})");
    EXPECT_EQ(lines[4], R"({"step":5,"appearance":0,)" + state +
                            R"(,"pageLoads":1,"scripts":["window.acSetTheme && window.acSetTheme('light');"],"opened":[]})");
    EXPECT_EQ(lines[5], R"({"step":6,"newTab":"https://example.org/x",)" + state +
                            R"(,"pageLoads":1,"scripts":[],"opened":["https://example.org/x"]})");
    EXPECT_EQ(lines[6], R"({"step":7,"navigate":"https://example.org/y",)" + moved +
                            R"(,"pageLoads":2,"scripts":[],"opened":[],"allowed":true})");
    EXPECT_EQ(lines[7], R"({"step":8,"event":4,)" + moved +
                            R"(,"pageLoads":2,"scripts":["window.acResyncProjectOrigin && window.acResyncProjectOrigin();"],"opened":[]})");
    EXPECT_EQ(lines[8], R"({"step":9,"event":8,)" + moved + R"(,"pageLoads":2,"scripts":[],"opened":[]})");
    EXPECT_EQ(lines[9],
              R"({"step":10,"menu":[32500,1],"palette":"hidden","menuChecked":false,"address":"https://example.org/y","pageLoads":2,"scripts":[],"opened":[]})");
    EXPECT_EQ(lines[10],
              R"({"step":11,"palette":7,"palette":"hidden","menuChecked":false,"address":"https://example.org/y","pageLoads":2,"scripts":[],"opened":[],"answer":false})");
}

TEST_F(CliRun, OlderBuildsRefuseOutsideAddressesAndIgnoreNewTabs)
{
    const std::string web = LANDFETCH_WEBAPP_ADDRESS;
    json scenario = {{"api", 27},
                     {"steps",
                      {{{"menu", {32500, 1}}},
                       {{"navigate", "https://example.org/y"}},
                       {{"navigate", web + "/plot"}},
                       {{"newTab", "https://example.org/z"}},
                       {{"appearance", 1}}}}};
    HostRun run = Run(scenario);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = run.Lines();
    ASSERT_EQ(lines.size(), 5u) << run.out;
    const std::string visible = R"("palette":"visible","menuChecked":true,"address":")";
    EXPECT_EQ(lines[1], R"({"step":2,"navigate":"https://example.org/y",)" + visible + web +
                            R"(","pageLoads":1,"scripts":[],"opened":["https://example.org/y"],"allowed":false})");
    EXPECT_EQ(lines[2], R"({"step":3,"navigate":")" + web + R"(/plot",)" + visible + web +
                            R"(/plot","pageLoads":2,"scripts":[],"opened":[],"allowed":true})");
    EXPECT_EQ(lines[3], R"({"step":4,"newTab":"https://example.org/z",)" + visible + web +
                            R"(/plot","pageLoads":2,"scripts":[],"opened":[]})");
    EXPECT_EQ(lines[4], R"({"step":5,"appearance":1,)" + visible + web + R"(/plot","pageLoads":2,"scripts":[],"opened":[]})");

    // The command line's version wins over the scenario's.
    run = Run(json{{"api", 27}, {"steps", {{{"palette", 6}}, {{"call", "GetAppearance"}}}}}, {"--api", "30"});
    ASSERT_EQ(run.Lines().size(), 2u) << run.err;
    EXPECT_EQ(run.Lines()[1], R"({"step":2,"call":"GetAppearance","reply":"light"})");
}

TEST_F(CliRun, AnUnknownStepStopsTheRunNamingTheStep)
{
    HostRun run = Run(json::parse(R"({"steps": [{"palette": 7}, {"teleport": 3}, {"palette": 7}]})"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.Lines().size(), 1u) << run.out;
    EXPECT_NE(run.err.find("step 2"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("teleport"), std::string::npos) << run.err;
    EXPECT_EQ(LineCount(run.err), 1) << run.err;

    for (json bad : {json::parse(R"({"menu": 32500})"), json::parse(R"({"palette": "open"})"),
                     json::parse(R"({"undo": -1})"), json::parse(R"({"call": "GetVersion", "args": 5})"),
                     json::parse(R"({"palette": 7, "event": 4})"), json(7)}) {
        run = Run(json{{"steps", {bad}}});
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.err.find("step 1"), std::string::npos) << run.err;
    }
}

TEST_F(CliRun, TheProjectComesFromTheScenarioOrAFileBesideItAndIsSavedAfterwards)
{
    const json project = {{"autotexts", {{{"name", "Parcela"}, {"key", "<#CUSTOM_1>"}, {"value", "12/3"}}}}};
    test::WriteFile(folder / "plot.json", project.dump());
    const std::string saved = folder / "saved.json";
    json scenario = {{"project", "plot.json"},
                     {"steps",
                      {{{"menu", {32500, 1}}},
                       {{"call", "SetProjectInfo"}, {"args", json::parse(R"([[["Parcela", "15/7"]]])")}},
                       {{"dump", true}}}}};
    HostRun run = Run(scenario, {"--save", saved});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = run.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], R"({"step":2,"call":"SetProjectInfo","reply":"{\"ok\":true,\"set\":1,\"created\":0}"})");

    json dump = json::parse(lines[2]);
    EXPECT_EQ(dump["dump"], true);
    EXPECT_EQ(dump["project"]["autotexts"][0]["value"], "15/7");
    json file = json::parse(test::ReadFile(saved));
    EXPECT_EQ(file, dump["project"]);
    EXPECT_TRUE(lines[2].starts_with(R"({"step":3,"dump":true,"palette":"visible",)")) << lines[2].substr(0, 80);
}

// A 1×1 PNG, as the page sends an image.
const std::string OnePixelPng = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVQI12P4z8AAAAMBAQAY3Y2wAAAAAElFTkSuQmCC";

std::vector<std::string> TerrainCall(const std::string& points, const std::string& texture)
{
    return {"call", "PlaceTerrain", "dmr5g", points, "0", "[]", "", "", "", "", "0", texture, "10", "10"};
}

std::vector<std::string> With(std::vector<std::string> options, const std::vector<std::string>& command)
{
    options.insert(options.end(), command.begin(), command.end());
    return options;
}

std::vector<std::string> ErrLines(const HostRun& run)
{
    std::vector<std::string> lines;
    std::istringstream in(run.err);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> MeshGuids(const json& project)
{
    std::vector<std::string> guids;
    for (const json& element : project["elements"])
        if (element["type"] == "mesh")
            guids.push_back(element["guid"]);
    return guids;
}

TEST(CliExport, MeshesWithoutAreaAreWrittenAsWallsWithAWarningByCallRunAndExport)
{
    test::TempFolder folder;
    const std::string saved = folder / "p.json", out = folder / "out";
    const std::string line = R"([["0 0\n10 0\n20 0", 0, 10, ""]])";

    HostRun run = RunHost({"--save", saved, "--out", out, "call", "PlaceBuildings", line, "0", "", "", "", "0", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("kod=0 ")) << run.out;
    std::vector<std::string> guids = MeshGuids(json::parse(test::ReadFile(saved)));
    ASSERT_EQ(guids.size(), 1u) << "the host takes the footprint";
    ASSERT_EQ(ErrLines(run).size(), 1u) << run.err;
    EXPECT_TRUE(ErrLines(run)[0].starts_with("landfetch-host: warning: mesh " + guids[0])) << run.err;
    EXPECT_NE(run.err.find("one line"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(folder / "out/model.gltf"));

    // A terrain of four points on a line, into the same project.
    run = RunHost(With({"--project", saved, "--save", saved, "--out", out}, TerrainCall("0 0 1\n1 0 2\n2 0 3\n3 0 4", "")));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("kod=0 ")) << run.out;
    guids = MeshGuids(json::parse(test::ReadFile(saved)));
    ASSERT_EQ(guids.size(), 2u);
    ASSERT_EQ(ErrLines(run).size(), 2u) << run.err;
    EXPECT_NE(ErrLines(run)[1].find(guids[1]), std::string::npos) << run.err;

    // The same meshes from a saved project, and from a scenario.
    run = RunHost({"--project", saved, "--out", folder / "again", "export"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ErrLines(run).size(), 2u) << run.err;
    EXPECT_NE(run.out.find("model.gltf"), std::string::npos) << run.out;
    json model = json::parse(test::ReadFile(folder / "again/model.gltf"));
    EXPECT_EQ(model["nodes"].size(), 2u);

    const std::string scenario = folder / "scenario.json";
    test::WriteFile(scenario, json{{"steps",
                                    {{{"menu", {32500, 1}}},
                                     {{"call", "PlaceBuildings"}, {"args", json::parse(R"([[["5 5\n5 5\n5 5\n6 6", 0, 3, ""]], 0, "", "", "", 0, 0])")}},
                                     {{"call", "GetVersion"}}}}}
                                  .dump());
    run = RunHost({"--out", folder / "scenario-out", "run", scenario});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Lines().size(), 3u) << run.out;
    EXPECT_NE(run.err.find("warning: mesh"), std::string::npos) << run.err;
}

// The host blocks on opening a named pipe given as --save until the test reads it, so whatever it
// printed before reaching the save is all that can be read meanwhile.
TEST(CliSave, TheReplyAndTheStepLinesAreOutBeforeTheProjectIsWritten)
{
    test::TempFolder folder;
    const std::string fifo = folder / "p.json", scenario = folder / "scenario.json";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    test::WriteFile(scenario, R"({"steps": [{"menu": [32500, 1]}, {"call": "GetVersion"}]})");
    for (const std::vector<std::string>& command : {std::vector<std::string>{"call", "GetVersion"}, {"run", scenario}}) {
        std::vector<std::string> args = {"--save", fifo};
        args.insert(args.end(), command.begin(), command.end());
        const test::BackgroundRun host = test::StartHost(args, folder, command[0]);
        ASSERT_NE(host.pid, 0);
        std::string before;
        for (int wait = 0; wait < 600 && before.empty(); ++wait) {
            before = test::ReadFile(host.outFile);
            if (before.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_FALSE(before.empty()) << command[0] << ": nothing printed before the save";
        EXPECT_TRUE(before.starts_with(command[0] == "call" ? LANDFETCH_ADDON_VERSION "\n" : "{\"step\":1,")) << before;

        // Take the project so the host can finish.
        int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        std::string saved;
        for (pollfd input{fd, POLLIN, 0}; poll(&input, 1, 60000) > 0;) {
            char buffer[65536];
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n > 0)
                saved.append(buffer, static_cast<size_t>(n));
        }
        close(fd);
        EXPECT_EQ(test::WaitFor(host), 0) << command[0];
        EXPECT_TRUE(json::accept(saved)) << command[0] << ": " << saved.substr(0, 80);
    }
}

TEST(CliSave, TheProjectsFoldersGoBesideTheSavedFileSoItsTexturesShow)
{
    test::TempFolder folder;
    const std::string saved = folder / "p.json";
    // As the README goes: a new project saved, then reopened and saved again.
    HostRun run = RunHost({"--save", saved, "call", "SetSurveyPoint", "-743500.5", "-1043250.25", "250", "1", "50.08", "14.42"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = RunHost(With({"--project", saved, "--save", saved}, TerrainCall("0 0 1\n10 0 2\n10 10 3\n0 10 4", OnePixelPng)));
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(run.out.starts_with("kod=0 ")) << run.out;
    EXPECT_EQ(run.err, "");

    const std::filesystem::path files = folder.Path() / "p-files";
    json project = json::parse(test::ReadFile(saved));
    EXPECT_EQ(project["libraries"][0]["path"], (files / "EmbeddedLibrary").string());
    EXPECT_EQ(project["specialFolders"]["7"], (files / "Temp").string());
    std::string texture;
    for (const json& surface : project["surfaces"])
        if (surface.contains("texture"))
            texture = surface["texture"]["file"];
    ASSERT_FALSE(texture.empty()) << project["surfaces"];
    EXPECT_EQ(std::filesystem::path(texture).parent_path(), files / "EmbeddedLibrary");
    EXPECT_TRUE(std::filesystem::is_regular_file(texture));

    run = RunHost({"--project", saved, "--out", folder / "out", "export"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    json model = json::parse(test::ReadFile(folder / "out/model.gltf"));
    ASSERT_EQ(model["images"].size(), 1u) << "the terrain shows its texture";
    EXPECT_EQ(model["images"][0]["mimeType"], "image/png");
}

TEST(CliSave, SavingUnderAnotherNameTakesTheLibraryFilesAlong)
{
    test::TempFolder folder;
    const std::string first = folder / "first.json", second = folder / "second.json";
    HostRun run = RunHost(With({"--save", first}, TerrainCall("0 0 1\n10 0 2\n10 10 3\n0 10 4", OnePixelPng)));
    ASSERT_EQ(run.status, 0) << run.err;
    run = RunHost({"--project", first, "--save", second, "call", "GetVersion"});
    ASSERT_EQ(run.status, 0) << run.err;

    json project = json::parse(test::ReadFile(second));
    const std::filesystem::path library = folder.Path() / "second-files" / "EmbeddedLibrary";
    EXPECT_EQ(project["libraries"][0]["path"], library.string());
    EXPECT_EQ(project["specialFolders"]["7"], (folder.Path() / "second-files" / "Temp").string());
    int textures = 0;
    for (const json& surface : project["surfaces"]) {
        if (!surface.contains("texture"))
            continue;
        ++textures;
        EXPECT_EQ(std::filesystem::path(surface["texture"]["file"].get<std::string>()).parent_path(), library);
    }
    EXPECT_EQ(textures, 1);
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "first-files"))
        << "the first project keeps its own folder";

    std::filesystem::remove_all(folder.Path() / "first-files");
    run = RunHost({"--project", second, "--out", folder / "out", "export"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(json::parse(test::ReadFile(folder / "out/model.gltf"))["images"].size(), 1u);
}

TEST(CliLoad, MissingLibraryFilesAreNamedOnStandardError)
{
    test::TempFolder folder;
    const std::string saved = folder / "p.json";
    HostRun run = RunHost(With({"--save", saved}, TerrainCall("0 0 1\n10 0 2\n10 10 3\n0 10 4", OnePixelPng)));
    ASSERT_EQ(run.status, 0) << run.err;
    std::string texture;
    const json project = json::parse(test::ReadFile(saved));
    for (const json& surface : project["surfaces"])
        if (surface.contains("texture"))
            texture = surface["texture"]["file"];
    ASSERT_TRUE(std::filesystem::remove(texture)) << texture;

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--project", saved, "call", "GetVersion"},
          std::vector<std::string>{"--project", saved, "--out", folder / "out", "export"}}) {
        run = RunHost(args);
        EXPECT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(ErrLines(run).size(), 1u) << run.err;
        EXPECT_TRUE(ErrLines(run)[0].starts_with("landfetch-host: warning: ")) << run.err;
        EXPECT_NE(run.err.find(texture), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("missing"), std::string::npos) << run.err;
    }
    EXPECT_EQ(json::parse(test::ReadFile(folder / "out/model.gltf"))["images"].size(), 0u);
}

TEST(CliExport, AnOrthophotoPlacedWithANegativeWidthIsDrawnMirrored)
{
    test::TempFolder folder;
    for (const auto& [width, mirrored] : {std::pair<const char*, bool>{"10", false}, {"-10", true}}) {
        const std::string out = folder / ("out" + std::string(width));
        HostRun run = RunHost({"--out", out, "call", "PlaceOrthophoto", OnePixelPng, width, "10", "0", "0", "1", "1", "0",
                               "0", "", "plan", "", "", "0"});
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_TRUE(run.out.starts_with("kod=0 ")) << run.out;
        std::string svg = test::ReadFile(std::filesystem::path(out) / "plan-story-0.svg");
        auto image = svg.find("<image ");
        ASSERT_NE(image, std::string::npos) << svg.substr(0, 400);
        std::string tag = svg.substr(image, svg.find("/>", image) - image);
        EXPECT_EQ(tag.find("data-mirrored=\"x\"") != std::string::npos, mirrored) << tag.substr(0, 200);
        EXPECT_NE(tag.find("width=\"10\" height=\"10\""), std::string::npos) << tag.substr(0, 200);
    }
}

}  // namespace
