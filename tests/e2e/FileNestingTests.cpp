// Users' files whose values nest deeper than the simulator can walk are refused with a message
// naming the depth, before anything copies or prints them; devices named as files are not read.
// (Call arguments have their own limit, with the page's values.) Numbers a double cannot hold are
// no valid JSON either.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "host/JsonNesting.hpp"
#include "cli/Scenario.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;

// `depth` arrays, one inside the other.
std::string Nested(std::size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

struct HostRun {
    int status = -1;
    std::string err;
};

HostRun RunHost(const std::string& arguments)
{
    test::TempFolder folder;
    const std::string command = "'" + (test::ExecutableFolder() / "landfetch-host").string() + "' " + arguments +
                                " >/dev/null 2>'" + (folder / "stderr") + "'";
    HostRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = test::ReadFile(folder.Path() / "stderr");
    return run;
}

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const sim::Error& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(FileNesting, DepthIsCountedWithoutRecursion)
{
    EXPECT_EQ(sim::JsonNestingDepth(json(1)), 0u);
    EXPECT_EQ(sim::JsonNestingDepth(json::array()), 1u);
    EXPECT_EQ(sim::JsonNestingDepth(json::parse(R"({"a": [1, {"b": [[]]}], "c": {}})")), 5u);
    EXPECT_EQ(sim::JsonNestingDepth(json::parse(Nested(100000))), 100000u);
}

TEST(FileNesting, ProjectFilesNestingTooDeepAreRefusedWithTheirDepth)
{
    test::TempFolder folder;
    sim::Simulator simulator(sim::Simulator::Options{30, "", folder / "work"});
    const json deep = json::parse("{\"x\": " + Nested(100000) + "}");
    EXPECT_EQ(MessageOf([&] { simulator.LoadProject(deep); }),
              "project file: values nest 100001 deep; at most 1024 levels are read");

    // The deepest file that is read loads and saves back.
    const json deepest = json::parse("{\"x\": " + Nested(1023) + "}");
    simulator.LoadProject(deepest);
    EXPECT_EQ(simulator.SaveProject()["x"], deepest["x"]);
}

TEST(FileNesting, ScenariosNestingTooDeepAreRefusedWithTheirDepth)
{
    test::TempFolder folder;
    const std::string path = folder / "deep.json";
    test::WriteFile(path, "{\"steps\": " + Nested(100000) + "}");
    EXPECT_EQ(MessageOf([&] { sim::ReadScenario(path); }), path + ": nested deeper than 1000 levels");

    const std::string project = folder / "deep-project.json";
    test::WriteFile(project, "{\"elements\": " + Nested(100000) + "}");
    test::WriteFile(folder / "uses.json", R"({"project": "deep-project.json", "steps": []})");
    EXPECT_EQ(MessageOf([&] { sim::ReadScenario(folder / "uses.json"); }),
              project + ": values nest 100001 deep; at most 1024 levels are read");
}

TEST(FileNesting, TheCommandLineRefusesDeepFilesWithExitStatus2)
{
    test::TempFolder folder;
    test::WriteFile(folder / "scenario.json", "{\"steps\": " + Nested(100000) + "}");
    test::WriteFile(folder / "project.json", "{\"x\": " + Nested(100000) + "}");

    HostRun run = RunHost("run '" + (folder / "scenario.json") + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("nested deeper than 1000 levels"), std::string::npos) << run.err;

    test::WriteFile(folder / "uses.json", R"({"project": "project.json", "steps": [{"dump": true}]})");
    run = RunHost("run '" + (folder / "uses.json") + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("project.json: values nest 100001 deep"), std::string::npos) << run.err;

    run = RunHost("--project '" + (folder / "project.json") + "' call GetVersion");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("values nest 100001 deep"), std::string::npos) << run.err;

}

TEST(FileNesting, DevicesNamedAsFilesAreNotRead)
{
    EXPECT_EQ(MessageOf([] { sim::ReadJsonFile("/dev/zero"); }), "/dev/zero: cannot be read (not a file)");
    test::TempFolder folder;
    test::WriteFile(folder / "scenario.json", R"({"project": "/dev/zero", "steps": []})");
    EXPECT_EQ(MessageOf([&] { sim::ReadScenario(folder / "scenario.json"); }),
              "/dev/zero: cannot be read (not a file)");
    EXPECT_EQ(MessageOf([&] { sim::ReadJsonFile(folder.Path().string()); }),
              folder.Path().string() + ": cannot be read (not a file)");
}

TEST(FileReading, NumbersTooBigForADoubleAreRefusedAsNotValidJson)
{
    test::TempFolder folder;
    const std::string path = folder / "scenario.json";
    test::WriteFile(path, R"({"api": 311e309, "steps": []})");
    const std::string message = MessageOf([&] { sim::ReadScenario(path); });
    EXPECT_EQ(message.rfind(path + ": not valid JSON (", 0), 0u) << message;
    EXPECT_NE(message.find("number overflow"), std::string::npos) << message;

    test::WriteFile(folder / "project.json", R"({"originOffset": [1e400, 0]})");
    const HostRun run = RunHost("--project '" + (folder / "project.json") + "' call GetVersion");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("project.json: not valid JSON"), std::string::npos) << run.err;
}
