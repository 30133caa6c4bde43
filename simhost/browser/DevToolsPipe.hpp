#pragma once

// A Chromium process driven over the DevTools protocol through a pipe: the browser reads
// NUL-terminated JSON commands on its fd 3 and writes replies and events on its fd 4.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

struct ChromiumOptions {
    bool headless = true;
    std::vector<std::string> extraArguments;
};

// The chromium executable on PATH (or $LANDFETCH_CHROMIUM); empty when there is none.
std::string FindChromium();

class DevToolsPipe {
public:
    // A protocol event: its method, params and the session it belongs to (empty: the browser's).
    using EventHandler = std::function<void(const std::string& method, const nlohmann::json& params,
                                            const std::string& sessionId)>;

    // Starts Chromium with a fresh profile folder; throws sim::Error when it cannot be started.
    explicit DevToolsPipe(const ChromiumOptions& options);
    ~DevToolsPipe();  // closes the browser, waits for it, removes the profile folder
    DevToolsPipe(const DevToolsPipe&) = delete;
    DevToolsPipe& operator=(const DevToolsPipe&) = delete;

    void SetEventHandler(EventHandler handler) { eventHandler = std::move(handler); }
    // Runs between messages while waiting; work that must not run inside an event handler goes here.
    void SetIdleHandler(std::function<void()> handler) { idleHandler = std::move(handler); }

    // Sends a command and waits for its reply, dispatching events meanwhile (a reply can wait on an
    // event being answered). Returns the reply's result; throws sim::Error on an error reply or
    // after the timeout, sim::BrowserGoneError when the browser is gone.
    nlohmann::json Command(const std::string& method, const nlohmann::json& params = nlohmann::json::object(),
                           const std::string& sessionId = {},
                           std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The same, but an error reply is returned as {"error": {...}} instead of thrown.
    nlohmann::json TryCommand(const std::string& method, const nlohmann::json& params = nlohmann::json::object(),
                              const std::string& sessionId = {},
                              std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The same with the params already written as JSON text: a long one is not built twice.
    nlohmann::json TryCommandText(const std::string& method, const std::string& paramsText,
                                  const std::string& sessionId, std::chrono::milliseconds timeout);
    // Sends a command without waiting for its reply.
    void Post(const std::string& method, const nlohmann::json& params = nlohmann::json::object(),
              const std::string& sessionId = {});

    // Dispatches the events that arrive within `timeout`, until `done` answers true.
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // The raw bytes of one message, as a test or a benchmark hands them in.
    static nlohmann::json ParseMessage(const char* begin, const char* end);

    // True once the browser has exited, crashed or closed its pipe; every later command then
    // throws sim::BrowserGoneError with the same words.
    bool Gone() const { return !goneReason.empty(); }
    // The browser's process; -1 once it has ended.
    pid_t ProcessId() const { return pid; }

private:
    int SendMessage(const std::string& method, const std::string& paramsText, const std::string& sessionId);
    void WriteAll(const std::string& bytes);
    // Reads what is there (waiting up to `timeout`) and handles every complete message.
    void ReadAndDispatch(std::chrono::milliseconds timeout);
    void Handle(nlohmann::json message);
    // Throws sim::BrowserGoneError, saying how the browser ended (`end`, or found out here).
    [[noreturn]] void BrowserGone(std::string end = {});
    // Reaps the browser once it has ended; its end in words, empty while it still runs.
    std::string Ended(std::chrono::milliseconds wait);
    std::string ChromiumLog() const;
    void Stop();

    pid_t pid = -1;
    int toBrowser = -1;    // our end of the browser's fd 3
    int fromBrowser = -1;  // our end of the browser's fd 4
    std::string profileFolder;
    std::string goneReason;
    std::vector<char> buffer;     // bytes read, not yet handled
    std::size_t scanned = 0;      // bytes of `buffer` known to hold no NUL
    std::vector<char> chunk;      // what one read takes
    int nextId = 1;
    std::map<int, nlohmann::json> replies;
    EventHandler eventHandler;
    std::function<void()> idleHandler;
};

}  // namespace sim
