// `landfetch-host` when something fails late: the page's browser going away (killed, crashed, its
// pipe closed) saves the project with --save, one line says what happened, the status is 4; any
// exception at all ends as one line and its status. Nothing aborts. Chromium is killed as a user or
// the system would: SIGKILL to the simulator's chromium child.

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <streambuf>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/Cli.hpp"
#include "TestSupport.hpp"
#include "browser/DevToolsPipe.hpp"

namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;

std::string TestPage()
{
    const char* data = std::getenv("LANDFETCH_TEST_DATA");
    return (std::filesystem::path(data != nullptr ? data : "tests/data") / "webapp").string();
}

const json SurveyPointArgs = json::array({-743500.5, -1043250.25, 250, 1, 50.08, 14.42});

// The running chromium processes whose parent is `parent`.
std::vector<pid_t> ChromiumChildrenOf(pid_t parent)
{
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return found;
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0')
            continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t open = text.find('('), close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 >= text.size())
            continue;
        const std::string name = text.substr(open + 1, close - open - 1);
        std::istringstream rest(text.substr(close + 2));
        char state = 0;
        long ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent && state != 'Z' && name.starts_with("chromium"))
            found.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
    return found;
}

int KillChromiumOf(pid_t parent)
{
    int killed = 0;
    for (pid_t pid : ChromiumChildrenOf(parent))
        killed += kill(pid, SIGKILL) == 0 ? 1 : 0;
    return killed;
}

Strings LinesOf(const std::string& text)
{
    Strings lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The simulator's own lines on standard error: not the page's console, not the note on three.js.
Strings HostLines(const std::string& err)
{
    Strings lines;
    for (const std::string& line : LinesOf(err))
        if (!line.starts_with("page: ") && line.find("three.js") == std::string::npos)
            lines.push_back(line);
    return lines;
}

// Standard output that runs `onLine` with each whole line as the simulator writes it, inside the
// simulator's own thread: a line can stand for "the run has come this far".
class LineWatcher : public std::streambuf {
public:
    explicit LineWatcher(std::function<void(const std::string&)> onLine) : onLine(std::move(onLine)) {}
    std::string text;

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        text.push_back(traits_type::to_char_type(c));
        if (c == '\n') {
            const std::size_t start = text.rfind('\n', text.size() - 2);
            onLine(text.substr(start == std::string::npos ? 0 : start + 1));
        }
        return c;
    }

private:
    std::function<void(const std::string&)> onLine;
};

struct InProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};

// `landfetch-host ARGS` in this process; chromium is killed once a line containing `killAt` is printed.
InProcessRun RunKillingAt(Strings args, const std::string& killAt)
{
    int killed = 0;
    LineWatcher watcher([&](const std::string& line) {
        if (killed == 0 && line.find(killAt) != std::string::npos)
            killed = KillChromiumOf(getpid());
    });
    std::ostream out(&watcher);
    std::ostringstream err;
    args.insert(args.begin(), "landfetch-host");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    InProcessRun run;
    run.status = sim::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = watcher.text;
    run.err = err.str();
    EXPECT_EQ(killed, 1) << "no chromium to kill at \"" << killAt << "\"\n" << run.out << run.err;
    return run;
}

std::string SurveyPointOf(const std::string& project)
{
    std::ostringstream out, err;
    std::string args[] = {"landfetch-host", "--project", project, "call", "GetSurveyPoint"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data()};
    EXPECT_EQ(sim::RunCli(5, argv, out, err), 0) << err.str();
    return out.str();
}

// ---------------------------------------------------------------------------------------------
// Between two calls of a run, in this process

class BrowserGone : public testing::Test {
protected:
    std::string WriteScenario(const json& steps)
    {
        const std::string path = folder / "scenario.json";
        test::WriteFile(path, json{{"api", 30}, {"steps", steps}}.dump());
        return path;
    }

    test::TempFolder folder;
};

TEST_F(BrowserGone, BetweenTwoStepsTheRunStopsSavesAndSaysSoInOneLine)
{
    REQUIRE_CHROMIUM();
    const std::string scenario = WriteScenario(
        {{{"palette", 6}}, {{"call", "SetSurveyPoint"}, {"args", SurveyPointArgs}}, {{"call", "GetVersion"}}, {{"palette", 7}}});
    const std::string saved = folder / "b.json";
    InProcessRun run = RunKillingAt({"--browser", "chromium", "--headless", "--webapp", TestPage(), "--save", saved, "run", scenario},
                                    "\"SetSurveyPoint\"");
    EXPECT_EQ(run.status, 4) << run.err;
    // The steps done are printed, the step the browser did not live to answer is not.
    const Strings lines = LinesOf(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(json::parse(lines[1])["reply"], json(true));
    const Strings said = HostLines(run.err);
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_TRUE(said[0].starts_with("landfetch-host: the browser has gone")) << said[0];
    EXPECT_NE(said[0].find("signal 9"), std::string::npos) << said[0];
    EXPECT_NE(said[0].find(saved), std::string::npos) << said[0];
    EXPECT_NE(SurveyPointOf(saved).find("-743500.5"), std::string::npos);
}

TEST_F(BrowserGone, WithoutSaveTheRunStillEndsWithTheLineAndTheStatus)
{
    REQUIRE_CHROMIUM();
    const std::string scenario = WriteScenario({{{"palette", 6}}, {{"call", "GetVersion"}}, {{"page", "document.title"}}});
    InProcessRun run = RunKillingAt({"--browser", "chromium", "--headless", "--webapp", TestPage(), "run", scenario}, "\"GetVersion\"");
    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_EQ(LinesOf(run.out).size(), 2u) << run.out;
    const Strings said = HostLines(run.err);
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_TRUE(said[0].starts_with("landfetch-host: the browser has gone")) << said[0];
    EXPECT_EQ(said[0].find("saved"), std::string::npos) << said[0];
}

// The save itself fails after the browser went (a folder stands where the file should go): that
// failure is the one line, naming both, with the save's status.
TEST_F(BrowserGone, ASaveThatFailsAfterwardsIsReportedNotAnAbort)
{
    REQUIRE_CHROMIUM();
    const std::string scenario = WriteScenario({{{"palette", 6}}, {{"call", "GetVersion"}}, {{"call", "GetVersion"}}});
    const std::string blocked = folder / "blocked.json";
    std::filesystem::create_directory(blocked);
    InProcessRun run = RunKillingAt({"--browser", "chromium", "--headless", "--webapp", TestPage(), "--save", blocked, "run", scenario},
                                    "\"GetVersion\"");
    EXPECT_EQ(run.status, 2) << run.err;
    const Strings said = HostLines(run.err);
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_NE(said[0].find(blocked), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("the browser has gone"), std::string::npos) << said[0];
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

TEST_F(BrowserGone, TheDemoStopsAtTheCallAfterwardsWithTheLineAndTheStatus)
{
    REQUIRE_CHROMIUM();
    InProcessRun run = RunKillingAt({"--browser", "chromium", "--headless", "--webapp", TestPage(), "--out", folder / "out", "demo"},
                                    "GetAttributes:");
    EXPECT_EQ(run.status, 4) << run.err;
    const Strings lines = LinesOf(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("GetAttributes:"), std::string::npos) << run.out;
    const Strings said = HostLines(run.err);
    ASSERT_EQ(said.size(), 1u) << run.err;
    EXPECT_TRUE(said[0].starts_with("landfetch-host: the browser has gone")) << said[0];
}

// ---------------------------------------------------------------------------------------------
// The program itself: browse, and a step the browser dies in the middle of

struct Spawned {
    pid_t pid = -1;
    int out = -1;  // the read end of its standard output
    std::string err;  // file of its standard error
};

Spawned SpawnHost(const Strings& args, const std::string& errFile)
{
    Spawned host;
    host.err = errFile;
    int fds[2];
    if (pipe(fds) != 0)
        return host;
    std::vector<std::string> all = {(test::ExecutableFolder() / "landfetch-host").string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    host.pid = fork();
    if (host.pid == 0) {
        int errFd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fds[1], 1);
        dup2(errFd, 2);
        close(fds[0]);
        close(fds[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    host.out = fds[0];
    return host;
}

// Reads the host's output until `done` holds for it (or it ends, or a minute passes); null: to its end.
bool ReadUntil(int fd, std::string& out, const std::function<bool(const std::string&)>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done || !done(out)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd input{fd, POLLIN, 0};
        if (poll(&input, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return !done;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// Its exit status; -1 after a signal (an abort is one).
int Finished(const Spawned& host, std::string& out)
{
    ReadUntil(host.out, out, nullptr);
    close(host.out);
    int status = 0;
    waitpid(host.pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(BrowserGone, KillingChromiumWhileBrowseWaitsSavesTheProjectAndEndsWithTheLine)
{
    REQUIRE_CHROMIUM();
    const std::string project = folder / "p.json", saved = folder / "b.json";
    {
        std::ostringstream out, err;
        std::string args[] = {"landfetch-host", "--save", project, "call", "SetSurveyPoint", "-743500.5", "-1043250.25", "250", "1", "50.08", "14.42"};
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        ASSERT_EQ(sim::RunCli(static_cast<int>(argv.size()), argv.data(), out, err), 0) << err.str();
    }
    Spawned host = SpawnHost({"--project", project, "--save", saved, "--headless", "--webapp", TestPage(), "browse"}, folder / "stderr");
    ASSERT_GT(host.pid, 0);
    std::string out;
    const bool shown = ReadUntil(host.out, out, [](const std::string& text) { return text.find("press Ctrl-C") != std::string::npos; });
    int killed = shown ? KillChromiumOf(host.pid) : 0;
    if (!shown)
        kill(host.pid, SIGTERM);
    const int status = Finished(host, out);
    ASSERT_TRUE(shown) << out << test::ReadFile(host.err);
    EXPECT_EQ(killed, 1);

    const std::string err = test::ReadFile(host.err);
    EXPECT_EQ(status, 4) << err;
    EXPECT_EQ(err.find("terminate"), std::string::npos) << err;
    const Strings said = HostLines(err);
    ASSERT_EQ(said.size(), 1u) << err;
    EXPECT_TRUE(said[0].starts_with("landfetch-host: the browser has gone")) << said[0];
    EXPECT_NE(said[0].find(saved), std::string::npos) << said[0];
    EXPECT_TRUE(out.ends_with("browse: ended\n")) << out;
    EXPECT_NE(SurveyPointOf(saved).find("-743500.5"), std::string::npos);
}

// The step waits on the page when chromium goes: the lines before it stay, the project is saved.
TEST_F(BrowserGone, KillingChromiumInTheMiddleOfAPageStepEndsTheRun)
{
    REQUIRE_CHROMIUM();
    const std::string scenario = WriteScenario({{{"palette", 6}},
                                                {{"call", "SetSurveyPoint"}, {"args", SurveyPointArgs}},
                                                {{"page", "ACAPI.GetVersion().then(() => new Promise(done => setTimeout(done, 120000)))"}},
                                                {{"call", "GetVersion"}}});
    const std::string saved = folder / "b.json";
    Spawned host = SpawnHost({"--browser", "chromium", "--headless", "--webapp", TestPage(), "--save", saved, "run", scenario},
                             folder / "stderr");
    ASSERT_GT(host.pid, 0);
    std::string out;
    const bool started = ReadUntil(host.out, out, [](const std::string& text) { return LinesOf(text).size() >= 2 && text.back() == '\n'; });
    // The page step is under way once the page's own call reached the add-on; give it that moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int killed = started ? KillChromiumOf(host.pid) : 0;
    if (!started)
        kill(host.pid, SIGTERM);
    const int status = Finished(host, out);
    ASSERT_TRUE(started) << out << test::ReadFile(host.err);
    EXPECT_EQ(killed, 1);

    const std::string err = test::ReadFile(host.err);
    EXPECT_EQ(status, 4) << err;
    EXPECT_EQ(LinesOf(out).size(), 2u) << out;
    const Strings said = HostLines(err);
    ASSERT_EQ(said.size(), 1u) << err;
    EXPECT_TRUE(said[0].starts_with("landfetch-host: the browser has gone")) << said[0];
    EXPECT_NE(SurveyPointOf(saved).find("-743500.5"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Whatever escapes the add-on's start-up, of whatever type, ends as one line and status 1

TEST(CliFailure, AnyExceptionFromTheAddOnsStartUpIsOneLineAndStatus1)
{
    test::TempFolder folder;
    for (const char* kind : {"gs", "std", "other"}) {
        const std::string project = folder / (std::string(kind) + ".json");
        test::WriteFile(project, json{{"faults", {{"RegisterMenu", {{"code", 5}, {"throws", kind}}}}}}.dump());
        Spawned host = SpawnHost({"--project", project, "call", "GetVersion"}, folder / "stderr");
        ASSERT_GT(host.pid, 0);
        std::string out;
        const int status = Finished(host, out);
        const std::string err = test::ReadFile(host.err);
        EXPECT_EQ(status, 1) << kind << "\n" << err;
        EXPECT_EQ(out, "") << kind;
        ASSERT_EQ(LinesOf(err).size(), 1u) << kind << "\n" << err;
        EXPECT_TRUE(err.starts_with("landfetch-host: ")) << err;
    }
}

}  // namespace
