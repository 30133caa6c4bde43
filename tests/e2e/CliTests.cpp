// `landfetch-host` as a user runs it: its output, its exit statuses and its messages.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include <nlohmann/json.hpp>

#include "TestSupport.hpp"

namespace {

using nlohmann::json;

struct HostRun {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

HostRun RunHost(const std::vector<std::string>& args)
{
    test::TempFolder folder;
    std::string command = Quoted((test::ExecutableFolder() / "landfetch-host").string());
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    command += " 2>" + Quoted(folder / "stderr");

    HostRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = test::ReadFile(folder / "stderr");
    return run;
}

int LineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliCall, PrintsTheVersionOfEveryBuild)
{
    for (const char* api : {"27", "28", "29", "30"}) {
        HostRun run = RunHost({"--api", api, "call", "GetVersion"});
        EXPECT_EQ(run.status, 0) << api << ": " << run.err;
        EXPECT_EQ(run.out, "1.11\n") << api;
        EXPECT_EQ(run.err, "") << api;
    }
    EXPECT_EQ(RunHost({"call", "GetVersion"}).out, "1.11\n");
}

TEST(CliCall, GetAppearanceExistsFromHostVersion29On)
{
    for (const char* api : {"27", "28"}) {
        HostRun run = RunHost({"--api", api, "call", "GetAppearance"});
        EXPECT_EQ(run.status, 3) << api;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("GetAppearance"), std::string::npos) << run.err;
        EXPECT_EQ(LineCount(run.err), 1) << run.err;
    }
    for (const char* api : {"29", "30"})
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

}  // namespace
