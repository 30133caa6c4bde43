#include "browser/DevToolsPipe.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/Encoding.hpp"
#include "host/Error.hpp"
#include "host/JsonText.hpp"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

std::string MakeProfileFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "landfetch-chromium-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw Error("cannot create a profile folder for Chromium under " +
                    std::filesystem::temp_directory_path().string());
    return pattern;
}

bool IsExecutable(const std::string& path)
{
    return !path.empty() && access(path.c_str(), X_OK) == 0 && !std::filesystem::is_directory(path);
}

// Both ends of the browser's pipes are moved onto 3 and 4; an end that already sits on 3 or 4
// must not be overwritten by the other's dup2, so both go above them first. Runs after fork:
// only async-signal-safe calls.
[[noreturn]] void ExecChromium(int commandRead, int replyWrite, int logFd, char* const argv[])
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A group of its own: a terminal's Ctrl-C reaches the simulator, which then saves and closes it.
    setpgid(0, 0);
    int command = fcntl(commandRead, F_DUPFD, 10);
    int reply = fcntl(replyWrite, F_DUPFD, 10);
    int nullFd = open("/dev/null", O_RDONLY);
    if (command < 0 || reply < 0 || nullFd < 0 || dup2(command, 3) < 0 || dup2(reply, 4) < 0 ||
        dup2(nullFd, 0) < 0 || (logFd >= 0 && (dup2(logFd, 1) < 0 || dup2(logFd, 2) < 0)))
        _exit(127);
    close(command);
    close(reply);
    execv(argv[0], argv);
    _exit(127);
}

}  // namespace

std::string FindChromium()
{
    if (const char* given = std::getenv("LANDFETCH_CHROMIUM"); given != nullptr && *given != '\0')
        return IsExecutable(given) ? given : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::stringstream list(folders);
    std::string folder;
    while (std::getline(list, folder, ':')) {
        for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
            std::string candidate = (std::filesystem::path(folder.empty() ? "." : folder) / name).string();
            if (IsExecutable(candidate))
                return candidate;
        }
    }
    return {};
}

DevToolsPipe::DevToolsPipe(const ChromiumOptions& options)
{
    std::string executable = FindChromium();
    if (executable.empty())
        throw Error("Chromium is not installed (no chromium on PATH; apt-get install chromium)");
    profileFolder = MakeProfileFolder();

    std::vector<std::string> arguments = {executable,
                                          "--remote-debugging-pipe",
                                          "--user-data-dir=" + profileFolder,
                                          "--no-first-run",
                                          "--no-default-browser-check",
                                          "--disable-gpu",
                                          "--disable-quic",
                                          "--disable-background-networking",
                                          "--disable-component-update",
                                          "--disable-sync",
                                          "--disable-popup-blocking",
                                          "--disable-extensions",
                                          "--password-store=basic",
                                          "--use-mock-keychain"};
    if (options.headless)
        arguments.push_back("--headless");
    if (geteuid() == 0)
        arguments.push_back("--no-sandbox");
    arguments.insert(arguments.end(), options.extraArguments.begin(), options.extraArguments.end());
    arguments.push_back("about:blank");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int commandPipe[2];
    int replyPipe[2];
    if (pipe2(commandPipe, O_CLOEXEC) != 0)
        throw Error(std::string("cannot make a pipe for Chromium: ") + std::strerror(errno));
    if (pipe2(replyPipe, O_CLOEXEC) != 0) {
        close(commandPipe[0]);
        close(commandPipe[1]);
        throw Error(std::string("cannot make a pipe for Chromium: ") + std::strerror(errno));
    }
    int logFd = open((profileFolder + "/chromium.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);

    // Writing to a browser that died must be an error, not the end of the simulator.
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        signal(SIGPIPE, SIG_IGN);

    pid = fork();
    if (pid == 0)
        ExecChromium(commandPipe[0], replyPipe[1], logFd, argv.data());
    int forkError = errno;
    close(commandPipe[0]);
    close(replyPipe[1]);
    if (logFd >= 0)
        close(logFd);
    toBrowser = commandPipe[1];
    fromBrowser = replyPipe[0];
    if (pid < 0) {
        Stop();
        throw Error(std::string("cannot start Chromium: ") + std::strerror(forkError));
    }
    // A 30 MB call crosses in far fewer wake-ups of either side through larger pipes; the
    // default stays when the system allows no more.
    fcntl(toBrowser, F_SETPIPE_SZ, 1 << 20);
    fcntl(fromBrowser, F_SETPIPE_SZ, 1 << 20);
    fcntl(toBrowser, F_SETFL, fcntl(toBrowser, F_GETFL) | O_NONBLOCK);
    fcntl(fromBrowser, F_SETFL, fcntl(fromBrowser, F_GETFL) | O_NONBLOCK);
    try {
        Command("Browser.getVersion", nlohmann::json::object(), {}, std::chrono::seconds(30));
    } catch (const BrowserGoneError&) {
        std::string log = ChromiumLog();
        std::string end = goneReason.substr(goneReason.find(": ") + 2);
        Stop();
        throw Error("Chromium did not start: " + end + (log.empty() ? "" : " (" + log + ")"));
    } catch (...) {
        Stop();
        throw;
    }
}

DevToolsPipe::~DevToolsPipe()
{
    if (pid > 0 && toBrowser >= 0 && !Gone()) {
        try {
            Post("Browser.close");
        } catch (...) {
            // Already gone: nothing to close.
        }
    }
    Stop();
}

void DevToolsPipe::Stop()
{
    if (toBrowser >= 0)
        close(toBrowser);
    toBrowser = -1;
    if (pid > 0) {
        auto deadline = Clock::now() + std::chrono::seconds(3);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid = -1;
    }
    if (fromBrowser >= 0)
        close(fromBrowser);
    fromBrowser = -1;
    if (!profileFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(profileFolder, ignored);
        profileFolder.clear();
    }
}

std::string DevToolsPipe::ChromiumLog() const
{
    std::ifstream in(profileFolder + "/chromium.log");
    std::string line;
    std::string last;
    while (std::getline(in, line))
        if (!line.empty())
            last = line;
    return last;
}

std::string DevToolsPipe::Ended(std::chrono::milliseconds wait)
{
    if (pid <= 0)
        return {};
    auto deadline = Clock::now() + wait;
    int status = 0;
    pid_t reaped;
    while ((reaped = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (reaped != pid)
        return {};
    pid = -1;
    if (WIFSIGNALED(status)) {
        const char* name = strsignal(WTERMSIG(status));
        return "Chromium was killed by signal " + std::to_string(WTERMSIG(status)) + (name != nullptr ? std::string(" (") + name + ")" : "");
    }
    return "Chromium exited with status " + std::to_string(WEXITSTATUS(status));
}

void DevToolsPipe::BrowserGone(std::string end)
{
    if (goneReason.empty()) {
        // A closed pipe means the browser is on its way out: give it a moment to say how it ended.
        if (end.empty())
            end = Ended(std::chrono::seconds(2));
        goneReason = "the browser has gone: " + (end.empty() ? std::string("Chromium closed its pipe") : end);
        if (toBrowser >= 0)
            close(toBrowser);
        toBrowser = -1;
    }
    throw BrowserGoneError(goneReason);
}

namespace {

// The code unit of a \uXXXX escape at `at` (which points at the backslash); -1 when it is none.
int EscapedUnit(const char* at, const char* end)
{
    if (end - at < 6 || at[0] != '\\' || at[1] != 'u')
        return -1;
    int unit = 0;
    for (int i = 2; i < 6; ++i) {
        int digit = HexDigitValue(at[i]);
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

// JavaScript strings may hold unpaired surrogates, which Chromium writes as escapes that JSON
// readers refuse. Each becomes U+FFFD, as it would in UTF-8. Returns the first to repair; null
// when there is none. Backslashes occur only inside strings, so no string state is needed.
const char* FindLoneSurrogate(const char* begin, const char* end)
{
    for (const char* at = begin; at < end;) {
        at = static_cast<const char*>(std::memchr(at, '\\', static_cast<std::size_t>(end - at)));
        if (at == nullptr)
            return nullptr;
        int unit = EscapedUnit(at, end);
        if (unit < 0) {
            at += 2;  // any other escape, \\ included
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            int next = EscapedUnit(at + 6, end);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                at += 12;
                continue;
            }
            return at;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return at;
        at += 6;
    }
    return nullptr;
}

}  // namespace

nlohmann::json DevToolsPipe::ParseMessage(const char* begin, const char* end)
{
    const char* lone = FindLoneSurrogate(begin, end);
    if (lone == nullptr)
        return ParseJsonText(std::string_view(begin, static_cast<std::size_t>(end - begin)));
    std::string repaired(begin, end);
    for (std::size_t at = static_cast<std::size_t>(lone - begin); lone != nullptr;) {
        repaired.replace(at + 2, 4, "fffd");
        lone = FindLoneSurrogate(repaired.data() + at + 6, repaired.data() + repaired.size());
        at = lone != nullptr ? static_cast<std::size_t>(lone - repaired.data()) : 0;
    }
    return ParseJsonText(repaired);
}

namespace {

std::string Dumped(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

int DevToolsPipe::SendMessage(const std::string& method, const std::string& paramsText, const std::string& sessionId)
{
    if (Gone())
        BrowserGone();
    if (toBrowser < 0)
        throw Error("Chromium is not running");
    std::string bytes;
    bytes.reserve(paramsText.size() + method.size() + sessionId.size() + 64);
    bytes += "{\"id\":" + std::to_string(nextId) + ",\"method\":" + Dumped(method) + ",\"params\":";
    bytes += paramsText;
    if (!sessionId.empty())
        bytes += ",\"sessionId\":" + Dumped(sessionId);
    bytes += "}";
    bytes.push_back('\0');
    WriteAll(bytes);
    return nextId++;
}

void DevToolsPipe::Post(const std::string& method, const nlohmann::json& params, const std::string& sessionId)
{
    SendMessage(method, Dumped(params), sessionId);
}

// The browser may be writing to us while we write to it: keep reading so neither pipe stays full.
void DevToolsPipe::WriteAll(const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t count = write(toBrowser, bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            BrowserGone();
        pollfd fds[2] = {{toBrowser, POLLOUT, 0}, {fromBrowser, POLLIN, 0}};
        if (poll(fds, 2, 1000) < 0 && errno != EINTR)
            BrowserGone();
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            // Take the bytes in without handling them: handling could send again from here.
            char chunk[65536];
            ssize_t got = read(fromBrowser, chunk, sizeof chunk);
            if (got > 0)
                buffer.insert(buffer.end(), chunk, chunk + got);
            else if (got == 0)
                BrowserGone();
        }
    }
}

void DevToolsPipe::ReadAndDispatch(std::chrono::milliseconds timeout)
{
    auto handleComplete = [this] {
        // Messages are handled one at a time; a handler may itself wait and consume more.
        while (true) {
            auto nul = std::find(buffer.begin() + static_cast<std::ptrdiff_t>(scanned), buffer.end(), '\0');
            if (nul == buffer.end()) {
                scanned = buffer.size();
                return false;
            }
            nlohmann::json message;
            try {
                message = ParseMessage(buffer.data(), &*nul);
            } catch (const nlohmann::json::exception&) {
                message = nullptr;  // not a message we can read: it is dropped, the next one stands alone
            }
            buffer.erase(buffer.begin(), nul + 1);
            scanned = 0;
            if (message.is_object())
                Handle(std::move(message));
            return true;
        }
    };
    if (handleComplete())
        return;
    if (Gone())
        BrowserGone();

    pollfd fd = {fromBrowser, POLLIN, 0};
    int ready = poll(&fd, 1, static_cast<int>(timeout.count()));
    if (ready < 0 && errno != EINTR)
        BrowserGone();
    // A browser that ended while something of it still holds the pipe open.
    if (ready == 0)
        if (std::string end = Ended(std::chrono::milliseconds(0)); !end.empty())
            BrowserGone(end);
    if (ready <= 0)
        return;
    // One growing buffer: a 30 MB message arrives in many reads.
    if (chunk.empty())
        chunk.resize(1 << 20);
    while (true) {
        ssize_t count = read(fromBrowser, chunk.data(), chunk.size());
        if (count > 0) {
            buffer.insert(buffer.end(), chunk.data(), chunk.data() + count);
            continue;
        }
        if (count == 0)
            BrowserGone();
        if (errno == EINTR)
            continue;
        break;  // EAGAIN: everything there was read
    }
    handleComplete();
}

void DevToolsPipe::Handle(nlohmann::json message)
{
    if (message.contains("id")) {
        int id = message["id"].get<int>();
        replies[id] = std::move(message);
        return;
    }
    if (!eventHandler || !message.contains("method"))
        return;
    static const nlohmann::json noParams = nlohmann::json::object();
    const nlohmann::json& params = message.contains("params") ? message["params"] : noParams;
    eventHandler(message["method"].get<std::string>(), params, message.value("sessionId", std::string()));
}

nlohmann::json DevToolsPipe::TryCommand(const std::string& method, const nlohmann::json& params,
                                        const std::string& sessionId, std::chrono::milliseconds timeout)
{
    return TryCommandText(method, Dumped(params), sessionId, timeout);
}

nlohmann::json DevToolsPipe::TryCommandText(const std::string& method, const std::string& paramsText,
                                            const std::string& sessionId, std::chrono::milliseconds timeout)
{
    int id = SendMessage(method, paramsText, sessionId);
    auto deadline = Clock::now() + timeout;
    while (true) {
        if (auto found = replies.find(id); found != replies.end()) {
            nlohmann::json reply = std::move(found->second);
            replies.erase(found);
            if (reply.contains("error"))
                return {{"error", reply["error"]}};
            return reply.contains("result") ? reply["result"] : nlohmann::json::object();
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            throw Error("Chromium did not answer " + method + " within " +
                        std::to_string(std::chrono::duration_cast<std::chrono::seconds>(timeout).count()) + " s");
        ReadAndDispatch(std::min(left, std::chrono::milliseconds(1000)));
        if (idleHandler)
            idleHandler();
    }
}

nlohmann::json DevToolsPipe::Command(const std::string& method, const nlohmann::json& params,
                                     const std::string& sessionId, std::chrono::milliseconds timeout)
{
    nlohmann::json result = TryCommand(method, params, sessionId, timeout);
    if (result.is_object() && result.size() == 1 && result.contains("error")) {
        const nlohmann::json& error = result["error"];
        throw Error("Chromium refused " + method + ": " + error.value("message", error.dump()));
    }
    return result;
}

bool DevToolsPipe::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    auto deadline = Clock::now() + timeout;
    while (!done()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        ReadAndDispatch(std::min(left, std::chrono::milliseconds(100)));
        if (idleHandler)
            idleHandler();
    }
    return true;
}

}  // namespace sim
