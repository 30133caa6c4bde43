#include "browser/PageServing.hpp"

#include "browser/DevToolsPipe.hpp"
#include "host/Encoding.hpp"

namespace sim {

std::string PathAndQuery(const std::string& url)
{
    std::string origin = OriginOf(url);
    std::string rest = url.substr(origin.size());
    rest = rest.substr(0, rest.find('#'));
    return rest.empty() || rest[0] != '/' ? "/" + rest : rest;
}

void FulfilRequest(DevToolsPipe& pipe, const std::string& sessionId, const std::string& requestId,
                   const WebAppResponse& response)
{
    nlohmann::json headers = nlohmann::json::array({{{"name", "Content-Type"}, {"value", response.contentType}},
                                                    {{"name", "Cache-Control"}, {"value", "no-store"}}});
    // Base64 needs no escaping: a large body goes into the message as it is.
    std::string params = "{\"body\":\"" + EncodeBase64(response.body) + "\",\"requestId\":" + nlohmann::json(requestId).dump() +
                         ",\"responseCode\":" + std::to_string(response.status) + ",\"responseHeaders\":" +
                         headers.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "}";
    pipe.TryCommandText("Fetch.fulfillRequest", params, sessionId, std::chrono::seconds(60));
}

PageServer::PageServer(const std::string& webapp) : source(webapp.empty() ? DefaultWebApp() : webapp)
{
}

void PageServer::Answer(DevToolsPipe& pipe, const std::string& sessionId, const std::string& origin,
                        const nlohmann::json& paused) const
{
    const std::string requestId = paused["requestId"].get<std::string>();
    const nlohmann::json& request = paused["request"];
    const std::string url = request.value("url", std::string());
    if (origin.empty() || OriginOf(url) != origin) {
        pipe.TryCommand("Fetch.continueRequest", {{"requestId", requestId}}, sessionId);
        return;
    }
    if (source.IsServer()) {
        pipe.TryCommand("Fetch.continueRequest", {{"requestId", requestId}, {"url", source.ServerAddress(PathAndQuery(url))}},
                        sessionId);
        return;
    }
    FulfilRequest(pipe, sessionId, requestId, source.Answer(request.value("method", std::string("GET")), PathAndQuery(url)));
}

}  // namespace sim
