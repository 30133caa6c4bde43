// The reference web application in headless Chromium against the real module builds: clicks
// place into the project, the host's theme and resync scripts reach the page, the saved report
// opens through the open-file prefix; and `browse --headless` starts and saves.

#include <gtest/gtest.h>

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include <nlohmann/json.hpp>

#include "Simulator.hpp"
#include "TestSupport.hpp"
#include "browser/DevToolsPipe.hpp"
#include "browser/WebAppSource.hpp"

extern char** environ;

namespace {

using nlohmann::json;

#define REQUIRE_CHROMIUM()                                                                    \
    do {                                                                                      \
        if (sim::FindChromium().empty()) {                                                    \
            if (std::getenv("CI") != nullptr)                                                 \
                FAIL() << "Chromium is not installed (scripts/setup.sh installs it)";         \
            GTEST_SKIP() << "Chromium is not installed (scripts/setup.sh installs it)";       \
        }                                                                                     \
    } while (false)

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

}  // namespace
