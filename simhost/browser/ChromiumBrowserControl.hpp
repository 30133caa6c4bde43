#pragma once

// The browser control as the host has it: a real page in Chromium. The module's operations go to
// the page, the page's calls of registered objects come back to the module one at a time, and
// the page's new windows and navigations raise the control's events.

#include <chrono>
#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/BindingDispatch.hpp"
#include "browser/DevToolsPipe.hpp"
#include "browser/PageConsole.hpp"
#include "browser/PageServing.hpp"
#include "DGBrowser.hpp"
#include "DGPanel.hpp"
#include "host/BrowserControl.hpp"

namespace sim {

struct ChromiumSettings {
    std::string webapp;     // folder or http://127.0.0.1:PORT; empty: the reference web application
    bool headless = true;
    std::ostream* pageLog = nullptr;  // the page's console and errors; null: standard error
};

class ChromiumBrowserControl : public BrowserControl {
public:
    explicit ChromiumBrowserControl(ChromiumSettings settings);
    ~ChromiumBrowserControl() override;

    PageReply Call(DG::BrowserBase* browser, const std::string& functionName, const nlohmann::json& args,
                   const std::string& objectName = "ACAPI") override;
    PageReply CallJson(DG::BrowserBase* browser, const std::string& functionName, std::string_view args,
                       const std::string& objectName = "ACAPI") override;
    void NewTab(DG::BrowserBase* browser, const std::string& url) override;
    bool Navigate(DG::BrowserBase* browser, const std::string& url) override;
    nlohmann::json Evaluate(DG::BrowserBase* browser, const std::string& script) override;
    void Clear() override;

    GSErrCode Load(DG::Browser& browser, const GS::UniString& url) override;
    GSErrCode ExecuteScript(DG::Browser& browser, const GS::UniString& script) override;
    GSErrCode RegisterObject(DG::Browser& browser, const GS::Ref<JS::Object, GS::Counter>& object) override;

    // Lets the page run for a while: its calls are answered, its events raised.
    void Pump(std::chrono::milliseconds duration);
    // The protocol session of a browser's page (for the tests); empty when none.
    std::string SessionOf(const DG::BrowserBase* browser) const;
    // Chromium, started on first use.
    DevToolsPipe& StartedPipe();
    bool Headless() const { return settings.headless; }
    // False once the palette's page is gone: its window was closed.
    bool PaletteShown() const { return !paletteClosed; }

    // Each call the page made, once its reply went back to the page.
    void SetCallObserver(BindingDispatch::CallObserver observer) { calls.SetCallObserver(std::move(observer)); }

    // A window of the caller's own beside the palette, held before it runs: the caller sets it up
    // and lets it run. `what` names it when Chromium does not hand it over.
    struct Window {
        std::string targetId;
        std::string sessionId;
    };
    Window OpenWindow(int width, int height, const std::string& what);
    // The events of such a window go to `handler` instead of the palette's pages.
    using WindowEvents = std::function<void(const std::string& method, const nlohmann::json& params)>;
    void WatchWindow(const std::string& sessionId, WindowEvents handler);
    // Runs `task` once the module is not running, as everything that reaches it from the page does.
    void WhenModuleIdle(std::function<void()> task) { deferred.push_back(std::move(task)); }

private:
    struct Page {
        std::string targetId;
        std::string sessionId;
        std::string origin;           // of the address the module loads: answered from the web application
        std::string pendingLoad;      // asked for, not yet navigated to
        bool ownNavigation = false;   // the next main-frame request is the control's own: no address-change event
        std::vector<std::string> scriptIds;
        std::map<int, bool> mainWorldContexts;  // execution contexts of the main frame's documents
        bool loading = false;
        std::optional<bool> darkMedia;
        int width = 0, height = 0;
    };

    Page& PageOf(DG::BrowserBase& browser);
    Page* FindPage(const DG::BrowserBase* browser);
    DG::BrowserBase* BrowserOfSession(const std::string& sessionId);
    // Navigates to the address the module asked for, once; its page is then ready to be used.
    Page& Ready(DG::BrowserBase& browser);
    void Navigate(Page& page, const std::string& url);
    void SyncPage(DG::BrowserBase& browser, Page& page);
    void WaitForLoad(Page& page);
    nlohmann::json EvaluateIn(const Page& page, const std::string& expression, bool awaitPromise,
                              std::chrono::milliseconds timeout);
    // objectName.functionName(...arguments) run in the page and awaited: Runtime.callFunctionOn's result.
    nlohmann::json CallFunctionInPage(const Page& page, const std::string& objectName, const std::string& functionName,
                                      GS::Ref<JS::Base, GS::Counter> arguments);
    PageReply CallInPage(DG::BrowserBase& browser, const std::string& functionName,
                         GS::Ref<JS::Base, GS::Counter> arguments, const std::string& objectName);

    void OnEvent(const std::string& method, const nlohmann::json& params, const std::string& sessionId);
    void OnRequestPaused(DG::BrowserBase& browser, Page& page, const nlohmann::json& params);
    void OnBindingCalled(DG::BrowserBase& browser, const nlohmann::json& params);
    void OnAttached(const nlohmann::json& params);

    // Whatever reaches the module from the page waits until the module is not running.
    void ServeDeferred();
    void Settle();

    ChromiumSettings settings;
    PageLog log;
    PageServer server;
    int moduleDepth = 0;  // > 0 while the module runs: inside its operations and its functions
    BindingDispatch calls;
    std::unique_ptr<DevToolsPipe> pipe;
    std::map<const DG::BrowserBase*, Page> pages;
    std::map<std::string, std::string> attachedPages;  // our new pages' sessions, by target, until taken
    std::map<std::string, WindowEvents> windows;       // the callers' own windows, by session
    std::deque<std::function<void()>> deferred;
    struct ArgumentBody {
        std::string sessionId;
        std::string text;
        bool served = false;
    };
    std::map<std::string, ArgumentBody> argumentBodies;  // a call's arguments the page fetches, by path
    bool serving = false;
    bool creatingTarget = false;
    int newTabs = 0;
    long servedTasks = 0;
    bool paletteClosed = false;
    DG::EventTarget appearanceTarget;
};

}  // namespace sim
