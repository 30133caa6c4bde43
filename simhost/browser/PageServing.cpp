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
    pipe.TryCommand("Fetch.fulfillRequest",
                    {{"requestId", requestId},
                     {"responseCode", response.status},
                     {"responseHeaders", headers},
                     {"body", EncodeBase64(response.body)}},
                    sessionId);
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
