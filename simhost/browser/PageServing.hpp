#pragma once

// The page's own origin, answered by request interception: from the web application's folder, or
// passed on to its local development server. Nothing of the origin is fetched from the network.

#include <string>

#include <nlohmann/json.hpp>

#include "browser/WebAppSource.hpp"

namespace sim {

class DevToolsPipe;

// "/path?query" of an address, without its fragment.
std::string PathAndQuery(const std::string& url);

// Answers a request the session paused with `response`, which is never cached.
void FulfilRequest(DevToolsPipe& pipe, const std::string& sessionId, const std::string& requestId,
                   const WebAppResponse& response);

class PageServer {
public:
    // A folder or http://127.0.0.1:PORT; empty: the reference web application. Throws sim::Error.
    explicit PageServer(const std::string& webapp);

    // A request the page's session paused (the params of Fetch.requestPaused): one for `origin` is
    // answered from the web application, any other goes on as the page asked.
    void Answer(DevToolsPipe& pipe, const std::string& sessionId, const std::string& origin,
                const nlohmann::json& paused) const;

private:
    WebAppSource source;
};

}  // namespace sim
