#pragma once

// The browser control as the host has it: a real page in Chromium. The module's operations go to
// the page, the page's calls of registered objects come back to the module one at a time, and
// the page's new windows and navigations raise the control's events.

#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "host/BrowserControl.hpp"
#include "DG.hpp"
#include "browser/DevToolsPipe.hpp"
#include "browser/WebAppSource.hpp"

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
    // The protocol session of a browser's page (for the host window and the tests); empty when none.
    std::string SessionOf(const DG::BrowserBase* browser) const;
    DevToolsPipe* Pipe() { return pipe.get(); }

    // For `browse`: each call the page made, once its reply went back to the page.
    using CallObserver = std::function<void(const std::string& name, const nlohmann::json& args, const PageReply& reply)>;
    void SetCallObserver(CallObserver observer) { callObserver = std::move(observer); }
    // A window of its own beside the palette (the host window): requests to its address's origin
    // are answered by `answer`, outside the module's calls; nothing else loads in it.
    using WindowRequestHandler = std::function<WebAppResponse(const std::string& method, const std::string& pathAndQuery)>;
    void OpenSideWindow(const std::string& url, WindowRequestHandler answer, int width, int height);
    // Runs a script in the side window without waiting for it.
    void PostToSideWindow(const std::string& script);
    nlohmann::json EvaluateInSideWindow(const std::string& script);
    // False once the palette's page is gone: its window was closed.
    bool PaletteShown() const { return !paletteClosed; }

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

    DevToolsPipe& StartedPipe();
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

    void OnEvent(const std::string& method, const nlohmann::json& params, const std::string& sessionId);
    void OnRequestPaused(DG::BrowserBase& browser, Page& page, const nlohmann::json& params);
    void AnswerFromWebApp(Page& page, const nlohmann::json& params);
    void OnBindingCalled(DG::BrowserBase& browser, const nlohmann::json& params);
    void OnAttached(const nlohmann::json& params);
    void PrintPage(const std::string& text);

    // Whatever reaches the module from the page waits until the module is not running.
    void Defer(std::function<void()> task);
    void ServeDeferred();
    void Settle();

    ChromiumSettings settings;
    std::unique_ptr<WebAppSource> webApp;
    std::unique_ptr<DevToolsPipe> pipe;
    std::map<const DG::BrowserBase*, Page> pages;
    std::map<std::string, std::string> attachedPages;  // our new pages' sessions, by target, until taken
    std::deque<std::function<void()>> deferred;
    int moduleDepth = 0;  // > 0 while the module runs: inside its operations and its functions
    bool serving = false;
    bool creatingTarget = false;
    int newTabs = 0;
    long servedTasks = 0;
    std::string lastCallException;
    CallObserver callObserver;
    struct SideWindow {
        std::string targetId;
        std::string sessionId;
        std::string origin;
        WindowRequestHandler answer;
    } side;
    bool paletteClosed = false;
    void OnSideRequest(const nlohmann::json& params);
    DG::EventTarget appearanceTarget;
};

}  // namespace sim
