#include "browser/ChromiumBrowserControl.hpp"

#include <cstdio>
#include <random>
#include <utility>

#include "AppearanceManager/DGAppearanceManager.hpp"
#include "browser/PageArguments.hpp"
#include "browser/PageScript.hpp"
#include "DGModule.hpp"
#include "host/Error.hpp"
#include "host/PageValues.hpp"

namespace sim {

namespace {

constexpr int DefaultWidth = 420;
constexpr int DefaultHeight = 640;
constexpr auto LoadTimeout = std::chrono::seconds(30);
// A call may place a million points: it has all the time it needs.
constexpr auto CallTimeout = std::chrono::minutes(10);

std::vector<std::string> FunctionNames(const JS::Object& object)
{
    std::vector<std::string> names;
    for (const GS::Ref<JS::Function, GS::Counter>& function : object.GetItemArray())
        if (function != nullptr)
            names.push_back(function->GetName().ToUtf8());
    return names;
}

}  // namespace

ChromiumBrowserControl::ChromiumBrowserControl(ChromiumSettings settings)
    : settings(std::move(settings)), log(this->settings.pageLog), server(this->settings.webapp), calls(moduleDepth, log)
{
    DG::AppearanceManager::onAppearanceChanged.Add([this](const auto&, const auto&) {
        try {
            for (auto& [browser, page] : pages)
                if (!page.sessionId.empty())
                    SyncPage(*const_cast<DG::BrowserBase*>(browser), page);
        } catch (const std::exception& failure) {
            log.Print(std::string("the colour scheme did not reach the page: ") + failure.what());
        }
    }, &appearanceTarget);
}

ChromiumBrowserControl::~ChromiumBrowserControl() = default;

DevToolsPipe& ChromiumBrowserControl::StartedPipe()
{
    if (pipe != nullptr)
        return *pipe;
    ChromiumOptions options;
    options.headless = settings.headless;
    pipe = std::make_unique<DevToolsPipe>(options);
    pipe->SetEventHandler([this](const std::string& method, const nlohmann::json& params, const std::string& session) {
        OnEvent(method, params, session);
    });
    pipe->SetIdleHandler([this] { ServeDeferred(); });
    // New windows are held before they run, so that the page's window.open opens nothing.
    pipe->Command("Target.setAutoAttach", {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}});
    return *pipe;
}

ChromiumBrowserControl::Page* ChromiumBrowserControl::FindPage(const DG::BrowserBase* browser)
{
    if (browser == nullptr)
        return nullptr;
    auto found = pages.find(browser);
    return found != pages.end() ? &found->second : nullptr;
}

DG::BrowserBase* ChromiumBrowserControl::BrowserOfSession(const std::string& sessionId)
{
    if (sessionId.empty())
        return nullptr;
    for (auto& [browser, page] : pages)
        if (page.sessionId == sessionId)
            return const_cast<DG::BrowserBase*>(browser);
    return nullptr;
}

std::string ChromiumBrowserControl::SessionOf(const DG::BrowserBase* browser) const
{
    auto found = pages.find(browser);
    return found != pages.end() ? found->second.sessionId : std::string();
}

ChromiumBrowserControl::Window ChromiumBrowserControl::OpenWindow(int width, int height, const std::string& what)
{
    DevToolsPipe& devTools = StartedPipe();
    creatingTarget = true;
    nlohmann::json created;
    try {
        created = devTools.Command("Target.createTarget", {{"url", "about:blank"},
                                                           {"newWindow", true},
                                                           {"width", width},
                                                           {"height", height}});
    } catch (...) {
        creatingTarget = false;
        throw;
    }
    creatingTarget = false;
    Window window;
    window.targetId = created["targetId"].get<std::string>();
    if (!devTools.WaitUntil([&] { return attachedPages.contains(window.targetId); }, LoadTimeout))
        throw Error("Chromium did not hand over " + what);
    window.sessionId = attachedPages[window.targetId];
    attachedPages.erase(window.targetId);
    return window;
}

void ChromiumBrowserControl::WatchWindow(const std::string& sessionId, WindowEvents handler)
{
    windows[sessionId] = std::move(handler);
}

ChromiumBrowserControl::Page& ChromiumBrowserControl::PageOf(DG::BrowserBase& browser)
{
    Page& page = pages[&browser];
    if (!page.sessionId.empty())
        return page;
    DevToolsPipe& devTools = StartedPipe();
    int width = browser.GetWidth() > 0 ? browser.GetWidth() : DefaultWidth;
    int height = browser.GetHeight() > 0 ? browser.GetHeight() : DefaultHeight;
    Window window = OpenWindow(width, height, "the palette's page");
    page.targetId = window.targetId;
    page.sessionId = window.sessionId;
    const std::string& session = page.sessionId;
    devTools.Command("Page.enable", nlohmann::json::object(), session);
    devTools.Command("Runtime.enable", nlohmann::json::object(), session);
    devTools.Command("Log.enable", nlohmann::json::object(), session);
    devTools.Command("Fetch.enable", {{"patterns", {{{"urlPattern", "*"}, {"requestStage", "Request"}}}}}, session);
    devTools.Command("Runtime.addBinding", {{"name", PageBindingName}}, session);
    if (const BrowserState* state = Find(&browser))
        for (const auto& [name, object] : state->objects)
            if (object != nullptr)
                page.scriptIds.push_back(devTools.Command("Page.addScriptToEvaluateOnNewDocument",
                                                          {{"source", ObjectPageScript(name, FunctionNames(*object))}},
                                                          session)["identifier"].get<std::string>());
    SyncPage(browser, page);
    devTools.Command("Runtime.runIfWaitingForDebugger", nlohmann::json::object(), session);
    return page;
}

void ChromiumBrowserControl::SyncPage(DG::BrowserBase& browser, Page& page)
{
    DevToolsPipe& devTools = StartedPipe();
    bool dark = DG::IsDarkMode();
    if (!page.darkMedia || *page.darkMedia != dark) {
        devTools.Command("Emulation.setEmulatedMedia",
                         {{"features", {{{"name", "prefers-color-scheme"}, {"value", dark ? "dark" : "light"}}}}},
                         page.sessionId);
        page.darkMedia = dark;
    }
    // The palette's browser item is the page's viewport, also when the palette was resized.
    int width = browser.GetWidth() > 0 ? browser.GetWidth() : DefaultWidth;
    int height = browser.GetHeight() > 0 ? browser.GetHeight() : DefaultHeight;
    if (settings.headless && (width != page.width || height != page.height)) {
        devTools.Command("Emulation.setDeviceMetricsOverride",
                         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}},
                         page.sessionId);
        page.width = width;
        page.height = height;
    }
}

ChromiumBrowserControl::Page& ChromiumBrowserControl::Ready(DG::BrowserBase& browser)
{
    Page& page = PageOf(browser);
    SyncPage(browser, page);
    if (!page.pendingLoad.empty()) {
        std::string url = std::exchange(page.pendingLoad, {});
        page.origin = OriginOf(url);
        page.ownNavigation = true;
        Navigate(page, url);
    }
    // A navigation the page began: its document is used once it is there.
    WaitForLoad(page);
    return page;
}

void ChromiumBrowserControl::Navigate(Page& page, const std::string& url)
{
    DevToolsPipe& devTools = StartedPipe();
    nlohmann::json navigated = devTools.TryCommand("Page.navigate", {{"url", url}}, page.sessionId, LoadTimeout);
    if (navigated.contains("error")) {
        log.Print("cannot load " + url + ": " + navigated["error"].value("message", std::string()));
        return;
    }
    if (navigated.contains("errorText"))
        log.Print("cannot load " + url + ": " + navigated["errorText"].get<std::string>());
    WaitForLoad(page);
}

void ChromiumBrowserControl::WaitForLoad(Page& page)
{
    if (page.loading && !StartedPipe().WaitUntil([&page] { return !page.loading; }, LoadTimeout))
        log.Print("the page did not finish loading within " + std::to_string(LoadTimeout.count()) + " s");
}

nlohmann::json ChromiumBrowserControl::EvaluateIn(const Page& page, const std::string& expression, bool awaitPromise,
                                                  std::chrono::milliseconds timeout)
{
    return StartedPipe().Command("Runtime.evaluate",
                                 {{"expression", expression},
                                  {"awaitPromise", awaitPromise},
                                  {"returnByValue", true},
                                  {"userGesture", true}},
                                 page.sessionId, timeout);
}

void ChromiumBrowserControl::ServeDeferred()
{
    if (serving || moduleDepth > 0)
        return;
    serving = true;
    try {
        while (!deferred.empty()) {
            std::function<void()> task = std::move(deferred.front());
            deferred.pop_front();
            ++servedTasks;
            task();
        }
    } catch (...) {
        serving = false;
        throw;
    }
    serving = false;
}

// What a script set going (a navigation, a new window, calls) arrives shortly after it returned.
void ChromiumBrowserControl::Settle()
{
    if (pipe == nullptr)
        return;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    long before = -1;
    while (before != servedTasks && std::chrono::steady_clock::now() < deadline) {
        before = servedTasks;
        pipe->WaitUntil([] { return false; }, std::chrono::milliseconds(150));
        for (auto& entry : pages)
            WaitForLoad(entry.second);
    }
}

void ChromiumBrowserControl::Pump(std::chrono::milliseconds duration)
{
    for (auto& [browser, page] : pages)
        if (!page.pendingLoad.empty())
            Ready(*const_cast<DG::BrowserBase*>(browser));
    if (pipe != nullptr)
        pipe->WaitUntil([] { return false; }, duration);
}

void ChromiumBrowserControl::OnEvent(const std::string& method, const nlohmann::json& params,
                                     const std::string& sessionId)
{
    if (method == "Target.attachedToTarget") {
        OnAttached(params);
        return;
    }
    if (method == "Target.detachedFromTarget") {
        for (const auto& entry : pages)
            if (!entry.second.sessionId.empty() && entry.second.sessionId == params.value("sessionId", std::string()))
                paletteClosed = true;
    }
    if (auto window = windows.find(sessionId); !sessionId.empty() && window != windows.end()) {
        window->second(method, params);
        return;
    }
    DG::BrowserBase* browser = BrowserOfSession(sessionId);
    Page* page = FindPage(browser);
    if (page == nullptr)
        return;
    if (method == "Fetch.requestPaused") {
        OnRequestPaused(*browser, *page, params);
    } else if (method == "Runtime.bindingCalled") {
        OnBindingCalled(*browser, params);
    } else if (method == "Page.frameStartedLoading") {
        if (params.value("frameId", std::string()) == page->targetId)
            page->loading = true;
    } else if (method == "Page.frameStoppedLoading") {
        if (params.value("frameId", std::string()) == page->targetId)
            page->loading = false;
    } else if (method == "Page.windowOpen") {
        std::string url = params.value("url", std::string());
        WhenModuleIdle([this, browser, url] {
            ++newTabs;
            ModuleRuns running(moduleDepth);
            if (FindPage(browser) != nullptr)
                browser->onNewTabRequested.Notify(*browser, DG::BrowserNewTabArg{GS::UniString(url.c_str(), CC_UTF8)});
        });
    } else if (method == "Runtime.executionContextCreated") {
        const nlohmann::json& context = params["context"];
        const nlohmann::json aux = context.value("auxData", nlohmann::json::object());
        if (aux.value("isDefault", false) && aux.value("frameId", std::string()) == page->targetId)
            page->mainWorldContexts[context["id"].get<int>()] = true;
    } else if (method == "Runtime.executionContextDestroyed") {
        page->mainWorldContexts.erase(params.value("executionContextId", 0));
    } else if (method == "Runtime.executionContextsCleared") {
        page->mainWorldContexts.clear();
    } else {
        log.PrintEvent(method, params);
    }
}

// Every new page is held before it runs: the palette's own runs once it is set up; the windows
// the page opens are closed unseen, their requests held (the address reached the module as the
// new-tab event).
void ChromiumBrowserControl::OnAttached(const nlohmann::json& params)
{
    const nlohmann::json& info = params["targetInfo"];
    const std::string session = params.value("sessionId", std::string());
    const std::string type = info.value("type", std::string());
    const std::string targetId = info.value("targetId", std::string());
    if (type == "page" && creatingTarget && info.value("openerId", std::string()).empty()) {
        attachedPages[targetId] = session;
        return;
    }
    if (type == "page") {
        pipe->Post("Fetch.enable", {{"patterns", {{{"urlPattern", "*"}}}}}, session);
        pipe->Post("Runtime.runIfWaitingForDebugger", nlohmann::json::object(), session);
        pipe->Post("Target.closeTarget", {{"targetId", targetId}});
        return;
    }
    if (params.value("waitingForDebugger", false))
        pipe->Post("Runtime.runIfWaitingForDebugger", nlohmann::json::object(), session);
    pipe->Post("Target.detachFromTarget", {{"sessionId", session}});
}

void ChromiumBrowserControl::OnRequestPaused(DG::BrowserBase& browser, Page& page, const nlohmann::json& params)
{
    const std::string url = params["request"].value("url", std::string());
    if (auto body = argumentBodies.find(PathAndQuery(url));
        body != argumentBodies.end() && body->second.sessionId == page.sessionId && !body->second.served) {
        body->second.served = true;
        FulfilRequest(*pipe, page.sessionId, params["requestId"].get<std::string>(),
                      {200, "text/plain; charset=utf-8", body->second.text});
        return;
    }
    bool navigation = params.value("resourceType", std::string()) == "Document" &&
                      params.value("frameId", std::string()) == page.targetId &&
                      !params.contains("redirectedRequestId");
    if (!navigation || page.ownNavigation) {
        if (navigation)
            page.ownNavigation = false;
        server.Answer(*pipe, page.sessionId, page.origin, params);
        return;
    }
    // The page leaves for another address: the module decides, before anything of it loads.
    const std::string requestId = params["requestId"].get<std::string>();
    DG::BrowserBase* target = &browser;
    WhenModuleIdle([this, target, url, requestId, params] {
        Page* current = FindPage(target);
        if (current == nullptr)
            return;
        bool allowed;
        {
            ModuleRuns running(moduleDepth);
            allowed = target->onUrlWillChange.Notify(*target, DG::BrowserURLChangeArg{GS::UniString(url.c_str(), CC_UTF8)});
        }
        if (!allowed) {
            pipe->TryCommand("Fetch.failRequest", {{"requestId", requestId}, {"errorReason", "Aborted"}},
                             current->sessionId);
            return;
        }
        BrowserState& state = StateOf(target);
        state.address = url;
        ++state.pageLoads;
        server.Answer(*pipe, current->sessionId, current->origin, params);
    });
}

void ChromiumBrowserControl::OnBindingCalled(DG::BrowserBase& browser, const nlohmann::json& params)
{
    if (params.value("name", std::string()) != PageBindingName)
        return;
    Page* page = FindPage(&browser);
    int context = params.value("executionContextId", 0);
    if (page == nullptr || !page->mainWorldContexts.contains(context)) {
        log.Print("a call from outside the palette's page was refused");
        return;
    }
    std::string payload = params.value("payload", std::string());
    DG::BrowserBase* target = &browser;
    WhenModuleIdle([this, target, context, payload = std::move(payload)] {
        if (FindPage(target) == nullptr)
            return;
        calls.Dispatch(payload, Find(target), [this, target, context](double id, bool fulfilled, const nlohmann::json& value) {
            Page* current = FindPage(target);
            if (current == nullptr)
                return false;  // the palette went away during the call
            pipe->TryCommand("Runtime.evaluate", {{"expression", SettleExpression(id, fulfilled, value)}, {"contextId", context}},
                             current->sessionId);
            return true;
        });
    });
}

PageReply ChromiumBrowserControl::CallJson(DG::BrowserBase* browser, const std::string& functionName,
                                           std::string_view args, const std::string& objectName)
{
    // The same refusals as the recording control's, before anything else.
    GS::Ref<JS::Base, GS::Counter> arguments = PageArgumentsFromJson(args);
    if (FindPage(browser) == nullptr)
        return {};  // nothing was ever loaded: there is no page to call from
    return CallInPage(*browser, functionName, std::move(arguments), objectName);
}

PageReply ChromiumBrowserControl::Call(DG::BrowserBase* browser, const std::string& functionName,
                                       const nlohmann::json& args, const std::string& objectName)
{
    if (FindPage(browser) == nullptr)
        return {};  // nothing was ever loaded: there is no page to call from
    // Refuses what the recording control refuses, with its words.
    return CallInPage(*browser, functionName, ToJsArguments(args), objectName);
}

PageReply ChromiumBrowserControl::CallInPage(DG::BrowserBase& browser, const std::string& functionName,
                                             GS::Ref<JS::Base, GS::Counter> arguments, const std::string& objectName)
{
    PageReply result;
    Page& page = Ready(browser);
    calls.ForgetLastException();
    nlohmann::json evaluated = CallFunctionInPage(page, objectName, functionName, std::move(arguments));
    if (evaluated.contains("exceptionDetails"))
        throw Error("the page could not make the call: " + ExceptionText(evaluated["exceptionDetails"]));
    nlohmann::json value = evaluated["result"].value("value", nlohmann::json::object());
    result.found = value.value("found", false);
    if (!result.found)
        return result;
    if (value.contains("rejected")) {
        result.exception = calls.LastException().empty() ? value["rejected"].get<std::string>() : calls.LastException();
        return result;
    }
    nlohmann::json reply = value.value("reply", nlohmann::json());
    result.reply = reply.is_string() || reply.is_boolean() ? reply : nlohmann::json();
    return result;
}

nlohmann::json ChromiumBrowserControl::CallFunctionInPage(const Page& page, const std::string& objectName,
                                                          const std::string& functionName,
                                                          GS::Ref<JS::Base, GS::Counter> arguments)
{
    // A path no page can guess: the arguments are served once, to this page only.
    static std::mt19937_64 random{std::random_device{}()};
    char token[40];
    std::snprintf(token, sizeof token, "%016llx%016llx", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random()));
    const std::string path = std::string("/.landfetch-arguments/") + token;
    argumentBodies[path] = {page.sessionId, EncodeArguments(arguments), false};
    arguments = nullptr;  // a large call is not kept twice while the page makes it
    nlohmann::json evaluated;
    try {
        evaluated = EvaluateIn(page, CallPageFetchingExpression(objectName, functionName, path), true, CallTimeout);
    } catch (...) {
        argumentBodies.erase(path);
        throw;
    }
    std::string body = std::move(argumentBodies[path].text);
    argumentBodies.erase(path);
    if (evaluated.contains("exceptionDetails") ||
        evaluated["result"].value("value", nlohmann::json::object()).value("fetched", true))
        return evaluated;
    // A page that cannot fetch from its origin gets them as source text, with the same values.
    const std::string source = ArgumentsSource(DecodePageValue(body));
    body = {};
    return EvaluateIn(page, CallPageExpression(objectName, functionName, source), true, CallTimeout);
}

void ChromiumBrowserControl::NewTab(DG::BrowserBase* browser, const std::string& url)
{
    if (FindPage(browser) == nullptr)
        return;
    Page& page = Ready(*browser);
    int before = newTabs;
    EvaluateIn(page, "void window.open(" + ScriptLiteral(url) + ")", false, LoadTimeout);
    StartedPipe().WaitUntil([&] { return newTabs > before; }, std::chrono::seconds(5));
}

bool ChromiumBrowserControl::Navigate(DG::BrowserBase* browser, const std::string& url)
{
    if (FindPage(browser) == nullptr)
        return BrowserControl::Navigate(browser, url);
    Page& page = Ready(*browser);
    {
        ModuleRuns running(moduleDepth);
        if (!browser->onUrlWillChange.Notify(*browser, DG::BrowserURLChangeArg{GS::UniString(url.c_str(), CC_UTF8)}))
            return false;
    }
    BrowserState& state = StateOf(browser);
    state.address = url;
    ++state.pageLoads;
    page.ownNavigation = true;
    Navigate(page, url);
    return true;
}

nlohmann::json ChromiumBrowserControl::Evaluate(DG::BrowserBase* browser, const std::string& script)
{
    if (FindPage(browser) == nullptr)
        throw Error("there is no page yet: open the palette first");
    Page& page = Ready(*browser);
    nlohmann::json evaluated = StartedPipe().Command(
        "Runtime.evaluate", {{"expression", script}, {"awaitPromise", true}, {"userGesture", true}}, page.sessionId,
        CallTimeout);
    nlohmann::json value;
    const nlohmann::json& remote = evaluated["result"];
    if (remote.contains("value")) {
        value = remote["value"];
    } else if (remote.contains("unserializableValue")) {
        value = remote["unserializableValue"];
    } else if (remote.contains("objectId")) {
        // An object gives its JSON; one that has none (a window, a cycle) its text.
        nlohmann::json converted = StartedPipe().TryCommand(
            "Runtime.callFunctionOn",
            {{"objectId", remote["objectId"]},
             {"functionDeclaration",
              "function () { try { const s = JSON.stringify(this); return s === undefined ? null : JSON.parse(s); }"
              " catch (e) { return String(this); } }"},
             {"returnByValue", true}},
            page.sessionId);
        value = converted.contains("result") ? converted["result"].value("value", nlohmann::json()) : nlohmann::json();
        StartedPipe().TryCommand("Runtime.releaseObject", {{"objectId", remote["objectId"]}}, page.sessionId);
    }
    Settle();
    if (evaluated.contains("exceptionDetails"))
        throw PageScriptError(ExceptionText(evaluated["exceptionDetails"]));
    return value;
}

void ChromiumBrowserControl::Clear()
{
    BrowserControl::Clear();
    deferred.clear();
    // Runs on the way out, after failures too: a browser that went has no pages left to close.
    try {
        if (pipe != nullptr && !pipe->Gone())
            for (auto& [browser, page] : pages)
                if (!page.targetId.empty())
                    pipe->TryCommand("Target.closeTarget", {{"targetId", page.targetId}});
    } catch (const Error&) {
    }
    pages.clear();
}

GSErrCode ChromiumBrowserControl::Load(DG::Browser& browser, const GS::UniString& url)
{
    GSErrCode result = BrowserControl::Load(browser, url);
    // The page loads once it is used, after the module registered its objects, so that they
    // exist before the page's own scripts run.
    pages[&browser].pendingLoad = url.ToUtf8();
    return result;
}

// The module's operations report nothing back, and nothing may be thrown through the module:
// what goes wrong with the browser is printed.
GSErrCode ChromiumBrowserControl::ExecuteScript(DG::Browser& browser, const GS::UniString& script)
{
    GSErrCode result = BrowserControl::ExecuteScript(browser, script);
    if (FindPage(&browser) == nullptr)
        return result;
    ModuleRuns running(moduleDepth);
    try {
        Page& page = Ready(browser);
        nlohmann::json evaluated = EvaluateIn(page, script.ToUtf8(), false, LoadTimeout);
        if (evaluated.contains("exceptionDetails"))
            log.Print(ExceptionText(evaluated["exceptionDetails"]));
    } catch (const std::exception& failure) {
        log.Print(std::string("the script did not run: ") + failure.what());
    }
    return result;
}

GSErrCode ChromiumBrowserControl::RegisterObject(DG::Browser& browser, const GS::Ref<JS::Object, GS::Counter>& object)
{
    GSErrCode result = BrowserControl::RegisterObject(browser, object);
    Page* page = FindPage(&browser);
    if (result != NoError || page == nullptr || page->sessionId.empty())
        return result;
    // A page already shown gets the object now, and every later document before its scripts.
    ModuleRuns running(moduleDepth);
    try {
        std::string source = ObjectPageScript(object->GetName().ToUtf8(), FunctionNames(*object));
        page->scriptIds.push_back(StartedPipe()
                                      .Command("Page.addScriptToEvaluateOnNewDocument", {{"source", source}},
                                               page->sessionId)["identifier"]
                                      .get<std::string>());
        EvaluateIn(*page, source, false, LoadTimeout);
    } catch (const std::exception& failure) {
        log.Print(std::string("the object did not reach the page: ") + failure.what());
    }
    return result;
}

}  // namespace sim
