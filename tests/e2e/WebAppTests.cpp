// The reference web application in headless Chromium against the real module builds: clicks
// place into the project, the host's theme and resync scripts reach the page, the saved report
// opens through the open-file prefix; `browse --headless` starts and saves, and a session it
// records replays with the same replies.

#include <gtest/gtest.h>

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/CallLog.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"
#include "browser/DevToolsPipe.hpp"
#include "browser/WebAppSource.hpp"

extern char** environ;

namespace {

using nlohmann::json;

// The page is idle: start-up done, no call running.
constexpr const char* WaitIdle = R"(new Promise((resolve) => {
    const started = Date.now();
    const check = () => document.body.dataset.state === 'ready' && document.querySelector('#log li[data-call="GetSurveyPoint"]')
        ? resolve(true) : Date.now() - started > 30000 ? resolve(false) : setTimeout(check, 50);
    check();
}))";

class WebApp {
public:
    explicit WebApp(int api) : sim(Options(api))
    {
        sim.SetUi(json{{"darkMode", false}, {"saveDialog", "accept"}});
        sim.LoadProject({{"untitled", false}, {"projectFile", (folder.Path() / "Plot.json").string()}});
        sim.Start();
        EXPECT_EQ(sim.MenuCommand(32500, 1), NoError);
        EXPECT_EQ(Page(WaitIdle), json(true)) << "the page did not start";
    }

    sim::Simulator::Options Options(int api) const
    {
        sim::Simulator::Options options;
        options.apiVersion = api;
        options.modulePath = (test::ExecutableFolder() / ("Orvani_Landfetch_" + std::to_string(api) + ".so")).string();
        options.workFolder = folder.Path().string();
        options.browser = "chromium";
        options.webapp = sim::DefaultWebApp();
        options.headless = true;
        return options;
    }

    json Page(const std::string& script) { return sim.EvaluateInPage(script); }

    // As the user clicks; returns the reply the page showed for the button's call.
    std::string Click(const std::string& id)
    {
        EXPECT_EQ(Page("!document.getElementById('" + id + "').disabled"), json(true)) << id << " is disabled";
        Page("document.getElementById('" + id + "').click(); true");
        EXPECT_EQ(Page(WaitIdle), json(true)) << id;
        return LastReply();
    }

    std::string LastReply() { return Page("document.getElementById('last-reply').textContent").get<std::string>(); }
    int Count(const std::string& call)
    {
        return Page("document.querySelectorAll('#log li[data-call=\"" + call + "\"]').length").get<int>();
    }

    test::TempFolder folder;
    sim::Simulator sim;
};

class WebAppBuild : public testing::TestWithParam<int> {};

TEST_P(WebAppBuild, ClicksPlaceTheCadastreIntoTheProject)
{
    REQUIRE_CHROMIUM();
    WebApp app(GetParam());
    EXPECT_EQ(app.Page("document.getElementById('version').textContent"), json("1.11"));
    EXPECT_EQ(app.Count("GetAppearance"), GetParam() >= 29 ? 1 : 0);
    EXPECT_EQ(app.Page("document.getElementById('place-cadastre').disabled"), json(true));

    EXPECT_EQ(app.Click("set-survey"), "GetSurveyPoint: {\"ok\":true,\"eastings\":-735405.5700,\"northings\":-1052413.0600,\"height\":310.8200}");
    EXPECT_EQ(app.Page("document.body.dataset.state"), json("ready"));
    const std::string reply = app.Click("place-cadastre");
    EXPECT_NE(app.Page("document.querySelector('#log li[data-call=\"PlaceCadastre\"]').textContent").get<std::string>().find("kod=0 "),
              std::string::npos);
    EXPECT_EQ(app.Page("document.querySelector('#log li[data-call=\"PlaceCadastre\"]').dataset.ok"), json("true")) << reply;

    const json project = app.sim.SaveProject();
    ASSERT_EQ(project["undoSteps"].size(), 1u);
    EXPECT_EQ(project["undoSteps"][0]["name"], "Vložit katastr");
    int polylines = 0, texts = 0;
    for (const json& element : project["elements"]) {
        polylines += element["type"] == "polyline";
        texts += element["type"] == "text";
    }
    EXPECT_GT(polylines, 40);
    EXPECT_GT(texts, 20);
    // The map and the choices offer what the project holds now.
    EXPECT_GE(app.Page("[...document.querySelectorAll('#layer-names option')].map((o) => o.value).indexOf('KN - budovy')").get<int>(), 0);
}

TEST_P(WebAppBuild, TheHostsThemeAndResyncReachThePage)
{
    REQUIRE_CHROMIUM();
    WebApp app(GetParam());
    // The media query's change arrives a moment after the host's change.
    const auto theme = [&](const std::string& wanted) {
        return app.Page("new Promise((resolve) => { const started = Date.now(); const check = () => {"
                        " const theme = document.documentElement.dataset.theme;"
                        " theme === '" + wanted + "' || Date.now() - started > 3000 ? resolve(theme) : setTimeout(check, 50); };"
                        " check(); })");
    };
    EXPECT_EQ(theme("light"), json("light"));
    app.sim.SetAppearance(1);  // builds 29/30 run the theme script; every build's page sees prefers-color-scheme
    EXPECT_EQ(theme("dark"), json("dark"));
    app.sim.SetAppearance(0);
    EXPECT_EQ(theme("light"), json("light"));

    const int reads = app.Count("GetSurveyPoint");
    app.sim.ProjectEvent(4);  // a project was opened
    EXPECT_EQ(app.Page(WaitIdle), json(true));
    EXPECT_EQ(app.Page("new Promise((r) => setTimeout(() => r(true), 300))"), json(true));
    EXPECT_EQ(app.Count("GetSurveyPoint"), reads + 1);
    EXPECT_EQ(app.Count("GetAttributes"), 2);
}

TEST_P(WebAppBuild, TheSavedReportOpensThroughTheOpenFilePrefix)
{
    REQUIRE_CHROMIUM();
    WebApp app(GetParam());
    app.sim.TakeOpened();
    app.Click("save-report");
    ASSERT_EQ(app.sim.ChosenPaths().size(), 1u);
    const std::string path = app.sim.ChosenPaths()[0];
    EXPECT_NE(path.find("Zpráva o pozemku 1234-6.txt"), std::string::npos) << path;
    EXPECT_EQ(test::ReadFile(path).substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(test::ReadFile(path).find("Zpráva o pozemku"), std::string::npos);

    app.Page("document.getElementById('open-report').click(); true");
    app.Page("new Promise((r) => setTimeout(() => r(true), 300))");
    EXPECT_EQ(app.sim.TakeOpened(), std::vector<std::string>{"file://" + path});
    // In builds 27/28 the add-on refused the navigation: the page is still there.
    EXPECT_EQ(app.Page("document.body.dataset.state"), json("ready"));
    EXPECT_EQ(app.sim.PageLoads(), 1);
}

INSTANTIATE_TEST_SUITE_P(Builds, WebAppBuild, testing::Values(28, 30), [](const auto& info) {
    return "Api" + std::to_string(info.param);
});

// browse --headless: the palette's page and the host window come up; SIGINT saves the project.
TEST(BrowseCommand, StartsHeadlessAndSavesOnInterrupt)
{
    REQUIRE_CHROMIUM();
    test::TempFolder folder;
    const std::string program = (test::ExecutableFolder() / "landfetch-host").string();
    const std::string save = folder / "saved.json";
    const std::string outFile = folder / "out.txt";
    std::vector<std::string> args = {program, "--save", save, "--headless", "browse"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    // Up once the page read the survey point and the host window is there.
    bool up = false;
    for (int i = 0; i < 600 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::string out = test::ReadFile(outFile);
        up = out.find("browse: the palette shows") != std::string::npos && out.find("GetSurveyPoint() -> ") != std::string::npos;
    }
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    const std::string out = test::ReadFile(outFile);
    ASSERT_TRUE(up) << out;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << out;
    EXPECT_NE(out.find("GetVersion() -> \"1.11\""), std::string::npos) << out;
    EXPECT_NE(out.find("browse: ended"), std::string::npos) << out;
    const json saved = json::parse(test::ReadFile(save), nullptr, false);
    EXPECT_TRUE(saved.is_object() && saved.contains("elements")) << save;
}

// A program of this build run with `args`; standard output and error are kept in files of `folder`.
struct Spawned {
    pid_t pid = 0;
    std::string outFile;
    std::string errFile;
};

Spawned Spawn(const std::vector<std::string>& arguments, const test::TempFolder& folder, const std::string& name)
{
    Spawned spawned;
    spawned.outFile = folder / (name + ".out");
    spawned.errFile = folder / (name + ".err");
    const std::string program = (test::ExecutableFolder() / "landfetch-host").string();
    std::vector<std::string> args = {program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, spawned.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, spawned.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(posix_spawn(&spawned.pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return spawned;
}

int WaitFor(const Spawned& spawned)
{
    int status = 0;
    if (waitpid(spawned.pid, &status, 0) != spawned.pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// What differs between two runs of the same session: element identifiers, elapsed times (and where
// a shortened reply is cut after one), the work folder, the time in texture names.
std::string Invariant(std::string line)
{
    static const std::regex guid(R"(\{[0-9A-Fa-f-]{36}\})");
    static const std::regex elapsed(R"(cas=[0-9]+ms.*)");
    static const std::regex folder(R"(landfetch-host-[A-Za-z0-9]{6})");
    static const std::regex time(R"(_1[0-9]{9}_)");
    line = std::regex_replace(line, guid, "{GUID}");
    line = std::regex_replace(line, folder, "landfetch-host-?");
    line = std::regex_replace(line, time, "_?_");
    // What follows an elapsed time is compared up to where the longer of two times could cut it.
    std::smatch match;
    if (std::regex_search(line, match, elapsed)) {
        std::string tail = match.str();
        const std::size_t cut = tail.find("…(");
        tail = std::regex_replace(cut == std::string::npos ? tail : tail.substr(0, cut), std::regex(R"(cas=[0-9]+ms)"), "cas=?ms");
        if (cut != std::string::npos && tail.size() > 12)
            tail.resize(tail.size() - 12);
        line = line.substr(0, static_cast<std::size_t>(match.position())) + tail;
    }
    return line;
}

// The page drives the reference web application as a user clicks, then says it is done.
constexpr const char* DriverScript = R"JS(
(async () => {
    const idle = () => new Promise((resolve) => {
        const check = () => document.body.dataset.state === 'ready' ? resolve() : setTimeout(check, 50);
        setTimeout(check, 50);
    });
    const click = async (id) => { await idle(); document.getElementById(id).click(); await idle(); };
    await new Promise((resolve) => {
        const check = () => document.querySelector('#log li[data-call="GetSurveyPoint"]') ? resolve() : setTimeout(check, 50);
        check();
    });
    for (const id of ['set-survey', 'place-cadastre', 'place-orthophoto', 'place-terrain', 'place-buildings',
                      'set-project-info', 'save-report'])
        await click(id);
    // Values JSON cannot carry, and each kind of number, as a page may send them.
    await ACAPI.GetVersion(-0, NaN, Infinity, -Infinity, 7, 4294967295, 2 ** 40, 0.5, undefined, null, {},
                           [1, [-0, 'ž😀']], () => 1);
    await ACAPI.SetSurveyPoint(NaN, 1, 2, 0, Infinity, -0);
    await ACAPI.GetVersion('driven');
})();
)JS";

// browse --record with the reference web application driven by clicks, in builds 28 and 30: the
// file replays with the replies browse printed, by the recording control and through the page.
TEST_P(WebAppBuild, ARecordedSessionReplaysWithTheSameReplies)
{
    REQUIRE_CHROMIUM();
    const std::string api = std::to_string(GetParam());
    test::TempFolder folder;
    const std::filesystem::path webapp = folder.Path() / "webapp";
    std::filesystem::copy(sim::DefaultWebApp(), webapp, std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(webapp / "sample");  // browse serves the embedded sample plot
    std::string index = test::ReadFile(webapp / "index.html");
    const std::size_t end = index.find("</body>");
    ASSERT_NE(end, std::string::npos);
    index.insert(end, "<script src=\"driver.js\"></script>\n");
    test::WriteFile(webapp / "index.html", index);
    test::WriteFile(webapp / "driver.js", DriverScript);

    const std::string recording = folder / "session.json";
    // The same --save keeps the project's folders, and so the paths in the replies, the same.
    const std::string project = folder / "project.json";
    Spawned browse = Spawn({"--api", api, "--save", project, "--headless", "--webapp", webapp.string(), "browse", "--record", recording},
                           folder, "browse");
    bool driven = false;
    for (int i = 0; i < 1800 && !driven; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        driven = test::ReadFile(browse.outFile).find("GetVersion(\"driven\") -> ") != std::string::npos;
    }
    kill(browse.pid, SIGINT);
    const int browseStatus = WaitFor(browse);
    const std::string printed = test::ReadFile(browse.outFile);
    ASSERT_TRUE(driven) << printed << test::ReadFile(browse.errFile);
    ASSERT_EQ(browseStatus, 0) << test::ReadFile(browse.errFile);
    EXPECT_NE(printed.find("browse: recorded "), std::string::npos) << printed;
    // Each call printed with its arguments as the file holds them.
    EXPECT_NE(printed.find("SetSurveyPoint(-735405.57, -1052413.06, 310.82, 1, "), std::string::npos) << printed;
    EXPECT_NE(printed.find("SetSurveyPoint({\"double\":\"NaN\"}, 1, 2, 0, {\"double\":\"Infinity\"}, {\"double\":\"-0\"}) -> "),
              std::string::npos) << printed;

    const json scenario = json::parse(test::ReadFile(recording));
    EXPECT_EQ(scenario["api"], GetParam());
    ASSERT_TRUE(scenario["steps"].is_array());
    EXPECT_EQ(scenario["steps"][0], json({{"menu", {32500, 1}}}));
    std::vector<std::string> browseLines;
    std::istringstream printedLines(printed);
    for (std::string line; std::getline(printedLines, line);) {
        if (!line.starts_with("browse:"))
            browseLines.push_back(Invariant(line));
    }
    json edgeCall;
    for (const json& step : scenario["steps"]) {
        if (step.value("call", "") == "GetVersion" && step.contains("args") && step["args"].size() == 13)
            edgeCall = step["args"];
    }
    EXPECT_EQ(edgeCall, json::parse(R"([{"double":"-0"},{"double":"NaN"},{"double":"Infinity"},{"double":"-Infinity"},7,4294967295,
        1099511627776.0,0.5,{"undefined":true},null,{"object":true},[1,[{"double":"-0"},"ž😀"]],{"undefined":true}])"));

    const std::vector<std::vector<std::string>> replays = {{}, {"--browser", "chromium", "--headless", "--webapp", sim::DefaultWebApp()}};
    for (const std::vector<std::string>& how : replays) {
        std::vector<std::string> args = how;
        args.insert(args.end(), {"--save", project, "run", recording});
        Spawned run = Spawn(args, folder, "run");
        ASSERT_EQ(WaitFor(run), 0) << test::ReadFile(run.errFile);
        std::vector<std::string> replayed;
        std::istringstream runLines(test::ReadFile(run.outFile));
        int step = 0;
        for (std::string line; std::getline(runLines, line);) {
            const json printedStep = json::parse(line);
            const json& recorded = scenario["steps"][step++];
            if (!printedStep.contains("call"))
                continue;
            const json reply = printedStep.contains("exception") ? json("raised " + printedStep["exception"].get<std::string>())
                                                                 : printedStep["reply"];
            replayed.push_back(Invariant(sim::CallLine(printedStep["call"], recorded.value("args", json::array()), reply)));
        }
        EXPECT_EQ(step, static_cast<int>(scenario["steps"].size()));
        EXPECT_GT(replayed.size(), 20u);
        EXPECT_EQ(replayed, browseLines) << (how.empty() ? "recording control" : "through the page");
    }
}

}  // namespace
