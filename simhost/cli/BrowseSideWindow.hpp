#pragma once

// What `browse` shows beside the palette: a window of its own (the host window), whose requests
// the simulator answers outside the module's calls, and the log of the page's calls with their
// arguments as a scenario writes them.

#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "browser/WebAppSource.hpp"
#include "host/BrowserControl.hpp"

namespace sim {

class ChromiumBrowserControl;

class BrowseSideWindow {
public:
    using RequestHandler = std::function<WebAppResponse(const std::string& method, const std::string& pathAndQuery)>;

    explicit BrowseSideWindow(ChromiumBrowserControl& control) : control(control) {}

    // Opens the window at `url`: requests to its origin are answered by `answer`, for as long as
    // the control lives; nothing else loads in it.
    void Open(const std::string& url, RequestHandler answer, int width, int height);
    // Runs a script in the window without waiting for it.
    void Post(const std::string& script);

private:
    ChromiumBrowserControl& control;
    std::string sessionId;
};

// Each call the page made, once its reply went back: its function's name, its arguments as a
// scenario writes them, and its reply.
using PageCallLogger = std::function<void(const std::string& name, const nlohmann::json& args, const PageReply& reply)>;
void LogPageCalls(ChromiumBrowserControl& control, PageCallLogger logger);

}  // namespace sim
