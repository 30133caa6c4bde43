#include "cli/BrowseSideWindow.hpp"

#include "browser/ChromiumBrowserControl.hpp"
#include "browser/PageServing.hpp"
#include "host/RecordedValues.hpp"

namespace sim {

namespace {

// Answered outside the module's calls, as the user's clicks in the window are.
void AnswerRequest(ChromiumBrowserControl& control, const std::string& sessionId, const std::string& origin,
                   const BrowseSideWindow::RequestHandler& answer, const nlohmann::json& paused)
{
    const std::string requestId = paused["requestId"].get<std::string>();
    const nlohmann::json& request = paused["request"];
    const std::string url = request.value("url", std::string());
    DevToolsPipe& pipe = control.StartedPipe();
    if (OriginOf(url) != origin || !answer) {
        pipe.TryCommand("Fetch.failRequest", {{"requestId", requestId}, {"errorReason", "BlockedByClient"}}, sessionId);
        return;
    }
    WebAppResponse response;
    try {
        response = answer(request.value("method", std::string("GET")), PathAndQuery(url));
    } catch (const std::exception& failure) {
        response = {500, "text/plain; charset=utf-8", failure.what()};
    }
    FulfilRequest(pipe, sessionId, requestId, response);
}

}  // namespace

void BrowseSideWindow::Open(const std::string& url, RequestHandler answer, int width, int height)
{
    DevToolsPipe& devTools = control.StartedPipe();
    const ChromiumBrowserControl::Window window = control.OpenWindow(width, height, "the host window");
    sessionId = window.sessionId;
    // The control keeps the handler beyond this object: requests can come while the session ends.
    control.WatchWindow(sessionId, [&control = control, session = sessionId, origin = OriginOf(url),
                                    answer = std::move(answer)](const std::string& method, const nlohmann::json& params) {
        if (method == "Fetch.requestPaused")
            control.WhenModuleIdle([&control, session, origin, answer, params] {
                AnswerRequest(control, session, origin, answer, params);
            });
    });
    devTools.Command("Page.enable", nlohmann::json::object(), sessionId);
    devTools.Command("Fetch.enable", {{"patterns", {{{"urlPattern", "*"}, {"requestStage", "Request"}}}}}, sessionId);
    if (control.Headless())
        devTools.Command("Emulation.setDeviceMetricsOverride",
                         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}}, sessionId);
    devTools.Command("Runtime.runIfWaitingForDebugger", nlohmann::json::object(), sessionId);
    devTools.Post("Page.navigate", {{"url", url}}, sessionId);
}

void BrowseSideWindow::Post(const std::string& script)
{
    if (!sessionId.empty())
        control.StartedPipe().Post("Runtime.evaluate", {{"expression", script}}, sessionId);
}

void LogPageCalls(ChromiumBrowserControl& control, PageCallLogger logger)
{
    control.SetCallObserver([logger = std::move(logger)](const std::string& name, const GS::Ref<JS::Base, GS::Counter>& args,
                                                         const PageReply& reply) { logger(name, RecordedValue(args), reply); });
}

}  // namespace sim
