// A recorded session (`browse --record`) without a browser: the host window's undo, redo, theme and
// project events become the file's steps, and `run` replays them to the same project.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include "host/RecordedValues.hpp"
#include "cli/SessionRecording.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"
#include "cli/HostWindow.hpp"

namespace {

using nlohmann::json;

std::string RunHost(const std::string& args)
{
    const std::string command = (test::ExecutableFolder() / "landfetch-host").string() + " " + args + " 2>&1";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << out;
    return out;
}

json Summary(const json& project)
{
    json undo = json::array();
    for (const json& step : project.value("undoSteps", json::array()))
        undo.push_back(step.value("name", ""));
    return {{"elements", project.value("elements", json::array()).size()}, {"undo", undo},
            {"geo", project.value("geoLocation", json())}};
}

TEST(SessionRecording, TheHostWindowsActionsBecomeStepsThatReplayToTheSameProject)
{
    test::TempFolder folder;
    sim::Simulator::Options options;
    options.apiVersion = 30;
    options.modulePath = (test::ExecutableFolder() / "Orvani_Landfetch_30.so").string();
    sim::Simulator simulator(options);
    simulator.Start();
    const std::string file = folder / "session.json";
    sim::SessionRecording recording(file, 30, nullptr);
    sim::HostWindow window(simulator, folder.Path().string(), (folder.Path() / "three").string(), folder / "host");
    window.SetActionObserver([&](const nlohmann::ordered_json& step) { recording.Add(step); });

    ASSERT_EQ(simulator.MenuCommand(32500, 1), NoError);
    recording.Add({{"menu", {32500, 1}}});
    const auto call = [&](const std::string& name, const json& args) {
        simulator.Call(name, args);
        recording.AddCall(name, args);
    };
    call("SetSurveyPoint", {-743500.5, -1043250.25, 250, 1, 50.08, 14.42});
    const json layer = {"KN", 1, "", "lines", {{{0, 0}, {10, 0}, {10, 10}}, {{1, 1}, {2, 2}}}};
    call("PlaceCadastre", {"plan", "", "", 0, {layer}});
    call("PlaceCadastre", {"plan", "", "", 0, {layer}});

    const auto post = [&](const std::string& path) { return window.Answer("POST", path).status; };
    EXPECT_EQ(post("/action/undo"), 200);
    EXPECT_EQ(post("/action/undo"), 200);
    EXPECT_EQ(post("/action/redo"), 200);
    EXPECT_EQ(post("/action/theme/dark"), 200);
    EXPECT_EQ(post("/action/event/4"), 200);
    EXPECT_EQ(post("/action/theme/light"), 200);
    EXPECT_EQ(post("/action/event/1"), 200);
    // Not an event the add-on listens to, nor an action at all: nothing happens, nothing is recorded.
    EXPECT_NE(post("/action/event/3"), 200);
    EXPECT_NE(post("/action/theme/blue"), 200);
    EXPECT_NE(window.Answer("GET", "/action/undo").status, 200);
    recording.Write();

    const json steps = json::parse(test::ReadFile(file))["steps"];
    ASSERT_EQ(steps.size(), 11u) << steps.dump();
    EXPECT_EQ(steps[4], json({{"undo", 1}}));
    EXPECT_EQ(steps[5], json({{"undo", 1}}));
    EXPECT_EQ(steps[6], json({{"redo", 1}}));
    EXPECT_EQ(steps[7], json({{"appearance", 1}}));
    EXPECT_EQ(steps[8], json({{"event", 4}}));
    EXPECT_EQ(steps[9], json({{"appearance", 0}}));
    EXPECT_EQ(steps[10], json({{"event", 1}}));

    const std::string lines = RunHost("--save " + folder / "replayed.json" + " run " + file);
    EXPECT_NE(lines.find("\"appearance\":1,") , std::string::npos) << lines;
    EXPECT_NE(lines.find("acSetTheme"), std::string::npos) << lines;
    EXPECT_NE(lines.find("acResyncProjectOrigin"), std::string::npos) << lines;
    const json replayed = json::parse(test::ReadFile(folder / "replayed.json"));
    EXPECT_EQ(Summary(replayed), Summary(simulator.SaveProject()));
    EXPECT_EQ(Summary(replayed)["undo"].size(), 1u);
}

// A recording is a scenario file: old scenarios and recorded ones run alike, and a file that cannot
// be written is reported before the session starts.
TEST(SessionRecording, TheFileIsWrittenWholeOrNotAtAll)
{
    test::TempFolder folder;
    sim::SessionRecording recording(folder / "missing-folder/session.json", 30, nullptr);
    EXPECT_THROW(recording.Write(), std::exception);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing-folder"));

    sim::SessionRecording empty(folder / "empty.json", 28, json{{"untitled", true}});
    empty.Write();
    const json scenario = json::parse(test::ReadFile(folder / "empty.json"));
    EXPECT_EQ(scenario, json({{"api", 28}, {"project", {{"untitled", true}}}, {"steps", json::array()}}));
    EXPECT_EQ(RunHost("run " + folder / "empty.json"), "");
}

}  // namespace
