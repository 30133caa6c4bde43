// The palette's page in a real browser (Chromium, headless): the ACAPI object in the page, the
// value kinds that cross into the module, Promise replies and rejections, the host's scripts and
// events reaching the page, the page's own new windows and navigations, and scenario runs that
// print the same lines as with the recording browser control.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>

#include "host/BrowserControl.hpp"
#include "host/PageValues.hpp"
#include "ValueKinds.hpp"
#include "host/RecordedValues.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"
#include "ModuleSession.hpp"
#include "TestSupport.hpp"
#include "browser/DevToolsPipe.hpp"

namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;

const std::string WebApp = LANDFETCH_WEBAPP_ADDRESS;
const std::string FilePrefix = LANDFETCH_OPEN_FILE_PREFIX;

std::string TestPage()
{
    const char* data = std::getenv("LANDFETCH_TEST_DATA");
    return (std::filesystem::path(data != nullptr ? data : "tests/data") / "webapp").string();
}

class PageHost : public test::ModuleSession {
public:
    explicit PageHost(int api, bool darkMode = false, std::string webapp = TestPage())
        : test::ModuleSession({.api = api,
                               .ui = json{{"darkMode", darkMode}},
                               .palette = test::SessionSetup::Palette::Closed,
                               .browser = "chromium",
                               .webapp = std::move(webapp)})
    {
    }

    void OpenPalette()
    {
        EXPECT_EQ(sim.PaletteMessage(6), NoError);
        sim.TakeScripts();
        sim.TakeOpened();
    }

    json Page(const std::string& script) { return sim.EvaluateInPage(script); }
};

class PageEveryBuild : public testing::TestWithParam<int> {};
class PageThemedBuild : public testing::TestWithParam<int> {};
class PageUnthemedBuild : public testing::TestWithParam<int> {};

// ---------------------------------------------------------------------------------------------
// The object in the page

TEST_P(PageEveryBuild, ACAPIExistsBeforeThePagesScriptsWithEveryFunctionInOrder)
{
    REQUIRE_CHROMIUM();
    PageHost host(GetParam());
    host.OpenPalette();
    EXPECT_EQ(host.Page("window.seen.acapiAtStart"), json(true));
    EXPECT_EQ(host.Page("window.seen.functionsAtStart"), json(test::FunctionsOfBuild(GetParam())));
    EXPECT_EQ(host.Page("location.origin"), json(WebApp));
    EXPECT_EQ(host.Page("[innerWidth, innerHeight]"), json({420, 640}));
    // The page's own script, from its own origin, made its call once it was shown.
    EXPECT_EQ(host.Page("window.seen.version"), json(LANDFETCH_ADDON_VERSION));
    // A later document of the page has it again before its scripts.
    host.Page("location.reload()");
    EXPECT_EQ(host.Page("window.seen.acapiAtStart"), json(true));
    EXPECT_EQ(host.Page("typeof ACAPI.GetAppearance"), json(test::IsThemedBuild(GetParam()) ? "function" : "undefined"));
}

TEST_P(PageEveryBuild, EveryCallReturnsAPromiseThatResolvesWithTheReply)
{
    REQUIRE_CHROMIUM();
    PageHost host(GetParam());
    host.OpenPalette();
    EXPECT_EQ(host.Page("ACAPI.GetVersion() instanceof Promise"), json(true));
    EXPECT_EQ(host.Page("ACAPI.GetVersion(1, 'x', [2.5, null])"), json(LANDFETCH_ADDON_VERSION));
    EXPECT_EQ(host.Page("ACAPI.SetSurveyPoint(-743500.5, -1043250.25, 250, 1, 50.08, 14.42)"), json(true));
    json survey = json::parse(host.Page("ACAPI.GetSurveyPoint()").get<std::string>());
    EXPECT_EQ(survey, json::parse(host.sim.Call("GetSurveyPoint", json::array()).Text()));
    // Calls made together are served one after the other, in the order they were made: the
    // survey point read last is the one set just before it.
    json together = host.Page("Promise.all([ACAPI.GetVersion(), ACAPI.SetSurveyPoint(-743000, -1043000, 260, 1, 50, 14),"
                              " ACAPI.GetSurveyPoint()])");
    ASSERT_EQ(together.size(), 3u) << together;
    EXPECT_EQ(together[0], json(LANDFETCH_ADDON_VERSION));
    EXPECT_EQ(together[1], json(true));
    EXPECT_NE(json::parse(together[2].get<std::string>()), survey);
    EXPECT_EQ(json::parse(together[2].get<std::string>()), json::parse(host.Page("ACAPI.GetSurveyPoint()").get<std::string>()));
}

// ---------------------------------------------------------------------------------------------
// Values crossing into the module

// An object of the test's own, registered with the palette's browser as the module registers ACAPI.
class Probe {
public:
    explicit Probe(PageHost& host)
    {
        auto object = GS::NewRef<JS::Object>(GS::UniString("Probe"));
        object->AddItem(GS::NewRef<JS::Function>(GS::UniString("Take"), [this](GS::Ref<JS::Base, GS::Counter> parameter) {
            taken.push_back(test::ValueKind(parameter));
            return GS::Ref<JS::Base, GS::Counter>(GS::NewRef<JS::Value>(GS::UniString(taken.back().c_str(), CC_UTF8)));
        }));
        object->AddItem(GS::NewRef<JS::Function>(GS::UniString("Throw"), [](GS::Ref<JS::Base, GS::Counter>) -> GS::Ref<JS::Base, GS::Counter> {
            throw std::runtime_error("the probe refuses");
        }));
        const API_Guid guid = host.sim.GetShell().Palettes().front().guid;
        auto* browser = dynamic_cast<DG::Browser*>(sim::BrowserControl::FindPaletteBrowser(guid));
        EXPECT_NE(browser, nullptr);
        if (browser != nullptr) {
            EXPECT_EQ(host.sim.GetBrowser().RegisterObject(*browser, object), NoError);
        }
    }

    Strings taken;
};

TEST(BrowserValues, EachJavaScriptValueArrivesAsTheHostEnginesKind)
{
    REQUIRE_CHROMIUM();
    PageHost host(30);
    host.OpenPalette();
    Probe probe(host);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0", "[int:0]"},
        {"-2147483648, 2147483647", "[int:-2147483648,int:2147483647]"},
        {"2147483648, 4294967295", "[uint:2147483648,uint:4294967295]"},
        {"4294967296, -2147483649", "[double:4294967296,double:-2147483649]"},
        {"1.5, -0, NaN", "[double:1.5,double:-0,double:NaN]"},
        {"Infinity, -Infinity", "[double:inf,double:-inf]"},
        {"2 ** 53, 1e21, 5e-324", "[double:9007199254740992,double:1e+21,double:4.9406564584124654e-324]"},
        {"3.0", "[int:3]"},
        {"'', 'žluťoučký', '😀'", "[string:#0,string:žluťoučký#9,string:😀#2]"},
        {"'a\\u0000b', '\\ud800'", "[string:a\u0000b#3,string:\xef\xbf\xbd#1]"},
        {"true, false, null, undefined", "[bool:true,bool:false,null,undefined]"},
        {"[], [1, [2.5, ['x']]]", "[[],[int:1,[double:2.5,[string:x#1]]]]"},
        {"{a: 1}, new Date(0), () => 1", "[object,object,undefined]"},
        {"", "[]"},
    };
    for (const auto& [args, expected] : cases) {
        json reply = host.Page("Probe.Take(" + args + ")");
        EXPECT_EQ(reply, json(expected)) << "Probe.Take(" << args << ")";
    }
    // A string of 31 MB, as a million terrain points take, crosses whole, and its reply back.
    json big = host.Page("(() => { const line = '-743512.25 -1043261.75 251.125\\n';"
                         " const text = line.repeat(1000000); return Probe.Take(text).then(r => [text.length, r.length]); })()");
    std::string text;
    for (int i = 0; i < 1000000; ++i)
        text += "-743512.25 -1043261.75 251.125\n";
    const std::string expected = "[string:" + text + "#" + std::to_string(text.size()) + "]";
    EXPECT_EQ(big, json({text.size(), expected.size()}));
    EXPECT_TRUE(probe.taken.back() == expected);
    // An argument that contains itself is refused in the page, before anything reaches the host.
    std::size_t calls = probe.taken.size();
    EXPECT_EQ(host.Page("(() => { const a = [1]; a.push(a); return Probe.Take(a).then(() => 'resolved', e => e.message); })()"),
              json("an argument contains itself"));
    EXPECT_EQ(probe.taken.size(), calls);
    // What escapes the function rejects the Promise with its message.
    EXPECT_EQ(host.Page("Probe.Throw().then(() => 'resolved', e => e.message)"), json("the probe refuses"));
}

// What a recording writes of a page's call gives the module the same values when it is replayed,
// by the recording browser control and through the page again.
TEST(BrowserValues, ARecordedCallGivesTheSameValuesWhenReplayed)
{
    REQUIRE_CHROMIUM();
    PageHost host(30);
    host.OpenPalette();
    std::vector<std::pair<std::string, json>> seen;  // the engine's values, and the call as recorded
    auto object = GS::NewRef<JS::Object>(GS::UniString("Recorded"));
    object->AddItem(GS::NewRef<JS::Function>(GS::UniString("Take"), [&](GS::Ref<JS::Base, GS::Counter> parameter) {
        seen.emplace_back(test::ValueKind(parameter), sim::RecordedValue(parameter));
        return GS::Ref<JS::Base, GS::Counter>(GS::NewRef<JS::Value>(true));
    }));
    auto* browser = dynamic_cast<DG::Browser*>(
        sim::BrowserControl::FindPaletteBrowser(host.sim.GetShell().Palettes().front().guid));
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(host.sim.GetBrowser().RegisterObject(*browser, object), NoError);

    const Strings cases = {
        "0, -2147483648, 2147483647",
        "2147483648, 4294967295, 4294967296, -2147483649",
        "1.5, -0, NaN, Infinity, -Infinity",
        "2 ** 53, 1e21, 5e-324, -1e-300, 3.0",
        "'', 'žluťoučký', '😀', 'a\\u0000b', '{\"double\": 1}'",
        "true, false, undefined",
        "[], [1, [2.5, ['x', -0, NaN, [undefined]]]]",
        "{a: 1}, new Date(0), () => 1, [{}]",
        "",
    };
    for (const std::string& args : cases) {
        seen.clear();
        ASSERT_EQ(host.Page("Recorded.Take(" + args + ")"), json(true)) << args;
        ASSERT_EQ(seen.size(), 1u) << args;
        const auto [engine, recorded] = seen[0];
        // As written to the file and read back.
        const json file = json::parse(recorded.dump());
        EXPECT_EQ(test::ValueKind(sim::ToJsArguments(file)), engine) << args << " recorded as " << recorded.dump();
        EXPECT_EQ(test::ValueKind(sim::PageArgumentsFromJson(recorded.dump())), engine) << args;
        // Replayed through the page.
        seen.clear();
        host.sim.GetBrowser().Call(browser, "Take", file, "Recorded");
        ASSERT_EQ(seen.size(), 1u) << args;
        EXPECT_EQ(seen[0].first, engine) << args << " recorded as " << recorded.dump();
    }
    // Plain numbers in a file keep reading as they always did; a small unsigned integer, which the
    // page never gives, needs its tag.
    EXPECT_EQ(test::ValueKind(sim::ToJsArguments(json::parse(R"([1, 2.0, 3000000000, {"uint": 7}, {"int": -7}, {"double": 7}])"))),
              "[int:1,double:2,uint:3000000000,uint:7,int:-7,double:7]");
    // A tag that says something else than a value is refused like any object.
    for (const char* wrong : {R"([{"int": 1.5}])", R"([{"int": 2147483648}])", R"([{"uint": -1}])", R"([{"double": "nan"}])",
                              R"([{"undefined": false}])", R"([{"object": 1}])", R"([{"int": 1, "uint": 1}])", R"([{"a": 1}])"}) {
        EXPECT_THROW(sim::ToJsArguments(json::parse(wrong)), sim::Error) << wrong;
        EXPECT_THROW(sim::PageArgumentsFromJson(wrong), sim::Error) << wrong;
    }
}

TEST(BrowserValues, APageCallingTheBindingDirectlyIsReadSafely)
{
    REQUIRE_CHROMIUM();
    PageHost host(30);
    host.OpenPalette();
    Probe probe(host);
    // Hand-made calls that lie about their sizes or nest without end reach no function.
    testing::internal::CaptureStderr();
    for (const char* payload : {"c1;s5:Probes4:Takea99999999:", "c2;s5:Probes4:Takea1:s9999:x", "c3;s5:Probes4:Takea1:i99999999999;",
                                "x", "c4;s5:Probes4:Takea1:q"})
        host.Page(std::string("__landfetchCall(") + json(payload).dump() + ")");
    std::string deep = "c5;s5:Probes4:Take";
    for (int i = 0; i < 100000; ++i)
        deep += "a1:";
    host.Page("__landfetchCall(" + json(deep).dump() + ")");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(probe.taken.empty());
    EXPECT_NE(err.find("page: the page's call is malformed"), std::string::npos) << err;
    EXPECT_NE(err.find("nested more than"), std::string::npos) << err;
    // The bridge still works afterwards.
    EXPECT_EQ(host.Page("Probe.Take(1)"), json("[int:1]"));
}

TEST(BrowserPage, AnExceptionLeavingABoundFunctionRejectsThePromise)
{
    REQUIRE_CHROMIUM();
    PageHost host(30);
    host.sim.LoadProject(json{{"faults", {{"GetGeoLocation", {{"code", 7}, {"throws", "gs"}}}}}});
    host.OpenPalette();
    json outcome = host.Page("ACAPI.GetSurveyPoint().then(r => ['resolved', r], e => ['rejected', e instanceof Error, e.message])");
    ASSERT_EQ(outcome.size(), 3u) << outcome;
    EXPECT_EQ(outcome[0], json("rejected"));
    EXPECT_EQ(outcome[1], json(true));
    EXPECT_FALSE(outcome[2].get<std::string>().empty());
    // The simulator's own call sees the same exception as the recording control reports it.
    sim::CallResult result = host.sim.Call("GetSurveyPoint", json::array());
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.reply, json());
    EXPECT_EQ(host.sim.LastCallException(), outcome[2].get<std::string>());
    // A guarded placement does not reject: it answers its fixed text.
    EXPECT_EQ(host.Page("ACAPI.GetVersion()"), json(LANDFETCH_ADDON_VERSION));
}

TEST(BrowserPage, AFunctionThePageDoesNotHaveIsNotFound)
{
    REQUIRE_CHROMIUM();
    PageHost host(28);
    EXPECT_FALSE(host.sim.Call("GetVersion", json::array()).found);  // no palette, no page
    host.OpenPalette();
    EXPECT_FALSE(host.sim.Call("GetAppearance", json::array()).found);
    EXPECT_FALSE(host.sim.Call("NoSuchFunction", json::array()).found);
    EXPECT_TRUE(host.sim.Call("GetVersion", json::array()).found);
}

// ---------------------------------------------------------------------------------------------
// What the host tells the page

TEST_P(PageThemedBuild, TheThemeReachesThePageAsTheHostsEventAndAsItsColourScheme)
{
    REQUIRE_CHROMIUM();
    PageHost host(GetParam(), true);
    host.OpenPalette();
    EXPECT_EQ(host.Page("ACAPI.GetAppearance()"), json("dark"));
    EXPECT_EQ(host.Page("matchMedia('(prefers-color-scheme: dark)').matches"), json(true));
    host.sim.SetAppearance(0);
    EXPECT_EQ(host.Page("[window.seen.themes, matchMedia('(prefers-color-scheme: dark)').matches]"),
              json({json({"light"}), false}));
    host.sim.SetAppearance(1);
    EXPECT_EQ(host.Page("[window.seen.themes, matchMedia('(prefers-color-scheme: dark)').matches]"),
              json({json({"light", "dark"}), true}));
}

TEST_P(PageUnthemedBuild, TheColourSchemeFollowsTheHostWithoutATheme)
{
    REQUIRE_CHROMIUM();
    PageHost host(GetParam());
    host.OpenPalette();
    EXPECT_EQ(host.Page("matchMedia('(prefers-color-scheme: dark)').matches"), json(false));
    host.sim.SetAppearance(1);
    EXPECT_EQ(host.Page("[window.seen.themes, matchMedia('(prefers-color-scheme: dark)').matches]"),
              json({json::array(), true}));
}

TEST_P(PageEveryBuild, ProjectEventsResyncThePage)
{
    REQUIRE_CHROMIUM();
    PageHost host(GetParam());
    host.OpenPalette();
    EXPECT_EQ(host.Page("window.seen.resyncs"), json(0));
    host.sim.ProjectEvent(1);
    host.sim.ProjectEvent(4);
    EXPECT_EQ(host.Page("window.seen.resyncs"), json(2));
}

// ---------------------------------------------------------------------------------------------
// Addresses leaving the page

TEST_P(PageThemedBuild, NewWindowsOfThePageGoToTheDefaultBrowserAndAreNotOpened)
{
    REQUIRE_CHROMIUM();
    PageHost host(GetParam());
    host.OpenPalette();
    host.Page("document.getElementById('outside').click()");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{"https://example.org/outside"});
    host.Page("window.open(" + json(FilePrefix + "/tmp/report 1.txt").dump() + ")");
    host.Page("window.open(" + json(FilePrefix + "/home/u/r.txt").dump() + ", '_blank')");
    EXPECT_EQ(host.sim.TakeOpened(), (Strings{"file:///tmp/report 1.txt", "file:///home/u/r.txt"}));
    host.sim.NewTab("https://example.org/from-the-scenario");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{"https://example.org/from-the-scenario"});
    // The page stayed where it was, and no window of its own was left open.
    EXPECT_EQ(host.Page("location.origin"), json(WebApp));
    // In-place navigation is not watched in these builds: it goes ahead.
    host.Page("document.getElementById('inplace').click()");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});
}

TEST_P(PageUnthemedBuild, NavigationsOfThePageAreDecidedBeforeTheyLoad)
{
    REQUIRE_CHROMIUM();
    PageHost host(GetParam());
    host.OpenPalette();
    const int loads = host.sim.PageLoads();
    host.Page("document.getElementById('inplace').click()");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{"https://example.org/inplace"});
    EXPECT_EQ(host.Page("[location.href, window.seen.acapiAtStart]"), json({WebApp + "/", true}));
    host.Page("location.href = " + json(FilePrefix + "/tmp/report.txt").dump());
    EXPECT_EQ(host.sim.TakeOpened(), Strings{"file:///tmp/report.txt"});
    EXPECT_EQ(host.sim.PageLoads(), loads);
    // Inside the web application the page moves on, and has ACAPI again.
    host.Page("location.href = " + json(WebApp + "/index.html?next").dump());
    EXPECT_EQ(host.Page("[location.search, window.seen.acapiAtStart]"), json({"?next", true}));
    EXPECT_EQ(host.sim.PageLoads(), loads + 1);
    EXPECT_EQ(host.sim.Address(), WebApp + "/index.html?next");
    EXPECT_EQ(host.sim.TakeOpened(), Strings{});
    // The host's own navigation request is refused the same way.
    EXPECT_FALSE(host.sim.Navigate("https://example.org/x"));
    EXPECT_EQ(host.sim.TakeOpened(), Strings{"https://example.org/x"});
    EXPECT_EQ(host.Page("location.search"), json("?next"));
}

// ---------------------------------------------------------------------------------------------
// The page's console

TEST(BrowserPage, ConsoleMessagesAndUncaughtErrorsArePrintedWithAPrefix)
{
    REQUIRE_CHROMIUM();
    PageHost host(30);
    host.OpenPalette();
    testing::internal::CaptureStderr();
    host.Page("console.log('hello', 42, [1, 2]); console.log({a: 'x'}); console.error('two\\nlines')");
    host.Page("setTimeout(() => { throw new Error('boom'); }); new Promise(r => setTimeout(r, 50))");
    host.Page("fetch('/missing.js').then(r => r.status)");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("page: hello 42 [1, 2]\n"), std::string::npos) << err;
    EXPECT_NE(err.find("page: {a: \"x\"}\n"), std::string::npos) << err;
    EXPECT_NE(err.find("page: two\npage: lines\n"), std::string::npos) << err;
    EXPECT_NE(err.find("page: Uncaught Error: boom"), std::string::npos) << err;
    EXPECT_NE(err.find("page: Failed to load resource: the server responded with a status of 404"), std::string::npos) << err;
    EXPECT_NE(err.find(WebApp + "/missing.js"), std::string::npos) << err;
}

TEST(BrowserPage, ThePageIsServedFromItsFolderAndNothingOutsideIt)
{
    REQUIRE_CHROMIUM();
    test::TempFolder app;
    test::WriteFile(app / "index.html", "<!doctype html><title>app</title><script src='a%20b.js'></script>");
    test::WriteFile(app / "a b.js", "window.fromScript = ACAPI.GetVersion;");
    test::WriteFile(app.Path().parent_path() / (app.Path().filename().string() + "-secret.txt"), "secret");
    std::filesystem::create_symlink("/etc/hostname", app.Path() / "link.txt");
    PageHost host(30, false, app.Path().string());
    host.OpenPalette();
    EXPECT_EQ(host.Page("document.title"), json("app"));
    EXPECT_EQ(host.Page("typeof window.fromScript"), json("function"));
    const std::string sibling = "../" + app.Path().filename().string() + "-secret.txt";
    for (const std::string& path : {sibling, std::string("%2e%2e/") + app.Path().filename().string() + "-secret.txt",
                                    std::string("link.txt"), std::string("..%2f..%2fetc/hostname")})
        EXPECT_EQ(host.Page("fetch(" + json(path).dump() + ").then(r => r.status)"), json(404)) << path;
    std::filesystem::remove(app.Path().parent_path() / (app.Path().filename().string() + "-secret.txt"));
}

// A development server on this machine: every request gets the same small page.
class DevServer {
public:
    DevServer()
    {
        listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 8) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port = ntohs(address.sin_port);
        thread = std::thread([this] { Serve(); });
    }

    ~DevServer()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
        close(listener);
    }

    std::string Address() const { return "http://127.0.0.1:" + std::to_string(port); }
    std::vector<std::string> Requests()
    {
        std::lock_guard lock(mutex);
        return requests;
    }

private:
    void Serve()
    {
        while (!stop) {
            pollfd fd{listener, POLLIN, 0};
            if (poll(&fd, 1, 50) <= 0)
                continue;
            int client = accept(listener, nullptr, nullptr);
            if (client < 0)
                continue;
            char buffer[8192];
            ssize_t got = recv(client, buffer, sizeof buffer, 0);
            std::string request(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
            {
                std::lock_guard lock(mutex);
                requests.push_back(request.substr(0, request.find("\r\n")));
            }
            const std::string body = "<!doctype html><title>from the dev server</title>";
            const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: " +
                                         std::to_string(body.size()) + "\r\n\r\n" + body;
            send(client, response.data(), response.size(), MSG_NOSIGNAL);
            close(client);
        }
    }

    int listener = -1;
    int port = 0;
    std::atomic<bool> stop = false;
    std::thread thread;
    std::mutex mutex;
    std::vector<std::string> requests;
};

TEST(BrowserPage, ADevelopmentServerAnswersForTheWebApplicationsOrigin)
{
    REQUIRE_CHROMIUM();
    DevServer server;
    PageHost host(30, false, server.Address());
    host.OpenPalette();
    EXPECT_EQ(host.Page("[document.title, location.origin, typeof ACAPI.GetVersion]"),
              json({"from the dev server", WebApp, "function"}));
    Strings requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), "GET / HTTP/1.1");
}

// ---------------------------------------------------------------------------------------------
// landfetch-host run --browser chromium

using test::HostRun;
using test::RunHost;
using test::ShellQuoted;

// What differs between any two runs: element identifiers, elapsed times, the work folder, the
// time in texture names.
std::string RunInvariant(const std::string& lines)
{
    static const std::regex guid(R"(\{[0-9A-Fa-f-]{36}\})");
    // The demo cuts long replies at a fixed length, so what follows the time shifts with its digits.
    static const std::regex elapsed(R"(cas=[0-9]+ms[^\n]*\.\.\.|cas=[0-9]+ms)");
    static const std::regex folder(R"(landfetch-host-[A-Za-z0-9]{6})");
    static const std::regex time(R"(_1[0-9]{9}_)");
    std::string text = std::regex_replace(lines, guid, "{GUID}");
    text = std::regex_replace(text, elapsed, "cas=?ms");
    text = std::regex_replace(text, time, "_?_");
    return std::regex_replace(text, folder, "landfetch-host-?");
}

std::filesystem::path Samples()
{
    return std::filesystem::path(TestPage()).parent_path().parent_path().parent_path() / "samples/scenarios";
}

TEST(BrowserRun, EverySampleScenarioPrintsTheSameLinesThroughThePage)
{
    REQUIRE_CHROMIUM();
    int scenarios = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Samples())) {
        if (entry.path().extension() != ".json")
            continue;
        ++scenarios;
        HostRun recorded = RunHost({"run", entry.path().string()});
        HostRun page = RunHost({"--browser", "chromium", "--headless", "--webapp", TestPage(), "run", entry.path().string()});
        ASSERT_EQ(recorded.status, 0) << recorded.err;
        EXPECT_EQ(page.status, 0) << page.err;
        EXPECT_FALSE(recorded.out.empty());
        EXPECT_EQ(RunInvariant(page.out), RunInvariant(recorded.out)) << entry.path();
    }
    EXPECT_GE(scenarios, 2);
}

TEST(BrowserRun, TheDemosCallsGiveTheSameRepliesThroughThePage)
{
    REQUIRE_CHROMIUM();
    test::TempFolder folder;
    HostRun recorded = RunHost({"--out", folder / "recorded", "demo"});
    HostRun page = RunHost({"--browser", "chromium", "--headless", "--webapp", TestPage(), "--out", folder / "page", "demo"});
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    ASSERT_EQ(page.status, 0) << page.err;
    // A shortened reply ends where its length says: an elapsed time of more digits moves the cut.
    auto lines = [&](std::string text, const std::string& out) {
        for (std::size_t at; (at = text.find(out)) != std::string::npos;)
            text.replace(at, out.size(), "OUT");
        std::istringstream in(RunInvariant(text));
        std::string invariant;
        for (std::string line; std::getline(in, line);) {
            if (line.ends_with("...") && line.find("cas=?ms") != std::string::npos)
                line.resize(line.size() - 8);
            invariant += line;
            invariant += '\n';
        }
        return invariant;
    };
    EXPECT_NE(recorded.out.find(std::string("GetVersion: ") + LANDFETCH_ADDON_VERSION), std::string::npos) << recorded.out;
    EXPECT_EQ(lines(page.out, folder / "page"), lines(recorded.out, folder / "recorded"));
}

TEST(BrowserRun, APageStepPrintsWhatTheScriptGives)
{
    REQUIRE_CHROMIUM();
    test::TempFolder folder;
    json scenario = {{"api", 28},
                     {"steps",
                      {{{"palette", 6}},
                       {{"page", "ACAPI.SetSurveyPoint(-743500.5, -1043250.25, 250, 1, 50, 14)"}},
                       {{"page", "document.title"}},
                       {{"page", "location.href = 'https://example.org/away'"}},
                       {{"page", "undefined.x"}},
                       {{"call", "GetVersion"}}}}};
    test::WriteFile(folder / "page.json", scenario.dump());
    HostRun run = RunHost({"--browser", "chromium", "--headless", "--webapp", TestPage(), "run", folder / "page.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<json> lines;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(json::parse(line));
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[1]["result"], json(true));
    EXPECT_EQ(lines[1]["page"], scenario["steps"][1]["page"]);
    EXPECT_EQ(lines[2]["result"], json("Landfetch test page"));
    EXPECT_EQ(lines[3]["opened"], json({"https://example.org/away"}));
    EXPECT_EQ(lines[3]["address"], json(WebApp));
    EXPECT_EQ(lines[4]["result"], json());
    EXPECT_NE(lines[4]["error"].get<std::string>().find("TypeError"), std::string::npos) << lines[4];
    EXPECT_EQ(lines[5]["reply"], json(LANDFETCH_ADDON_VERSION));

    // Without a page there is nothing to run the script in: the step says so.
    HostRun recorded = RunHost({"run", folder / "page.json"});
    EXPECT_EQ(recorded.status, 2);
    EXPECT_NE(recorded.err.find("step 2:"), std::string::npos) << recorded.err;
}

TEST(BrowserRun, TheWebAppOptionTakesAFolderOrALocalServerOnly)
{
    HostRun remote = RunHost({"--browser", "chromium", "--headless", "--webapp", "http://example.org:80", "call", "GetVersion"});
    EXPECT_EQ(remote.status, 2);
    EXPECT_NE(remote.err.find("127.0.0.1"), std::string::npos) << remote.err;
    HostRun missing = RunHost({"--browser", "chromium", "--headless", "--webapp", "/no/such/folder", "call", "GetVersion"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("/no/such/folder"), std::string::npos) << missing.err;
    HostRun unknown = RunHost({"--browser", "firefox", "call", "GetVersion"});
    EXPECT_EQ(unknown.status, 2);
}

INSTANTIATE_TEST_SUITE_P(Api, PageEveryBuild, testing::ValuesIn(landfetch::HostApiVersions));
INSTANTIATE_TEST_SUITE_P(Api, PageThemedBuild, testing::ValuesIn(test::ThemedBuilds()));
INSTANTIATE_TEST_SUITE_P(Api, PageUnthemedBuild, testing::ValuesIn(test::UnthemedBuilds()));

}  // namespace
