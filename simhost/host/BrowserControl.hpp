#pragma once

// The browser controls of the host: what each has loaded, the objects registered in its page, the
// scripts run in it; and the page's side: calls of registered functions, new tabs, navigation.

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "ACAPinc.h"
#include "DGBrowser.hpp"
#include "host/PageValues.hpp"
#include "JSValues.hpp"

namespace sim {

struct BrowserState {
    std::string address;
    int pageLoads = 0;
    std::map<std::string, GS::Ref<JS::Object, GS::Counter>> objects;  // by name
    std::vector<std::string> scripts;                                   // every script run, in order
};

struct PageReply {
    bool found = false;
    nlohmann::json reply;  // string, boolean, or null
    std::string exception;  // what escaped the bound function; empty when nothing did
};

// Calls a bound function as the page does: what escapes it is kept in the reply, not thrown.
PageReply CallBoundFunction(const JS::Function& function, GS::Ref<JS::Base, GS::Counter> parameter);

// The recording browser control: it keeps what the module asked of it and plays the page itself.
// The Chromium control (browser/ChromiumBrowserControl.hpp) shows a real page instead.
// An exception the page's script raised, as the page describes it.
class PageScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BrowserControl {
public:
    BrowserControl() = default;
    BrowserControl(const BrowserControl&) = delete;
    BrowserControl& operator=(const BrowserControl&) = delete;
    virtual ~BrowserControl();

    // The browser that shows a page in the palette with this GUID; null when there is none.
    static DG::BrowserBase* FindPaletteBrowser(const API_Guid& paletteGuid);

    // State of a browser; a browser that no longer exists has none.
    const BrowserState* Find(const DG::BrowserBase* browser) const;

    // Calls `objectName.functionName(args...)` in the page shown by `browser`.
    virtual PageReply Call(DG::BrowserBase* browser, const std::string& functionName, const nlohmann::json& args,
                           const std::string& objectName = "ACAPI");
    // The same with the arguments as the page's JSON text (a JSON array).
    virtual PageReply CallJson(DG::BrowserBase* browser, const std::string& functionName, std::string_view args,
                               const std::string& objectName = "ACAPI");
    virtual void NewTab(DG::BrowserBase* browser, const std::string& url);
    virtual bool Navigate(DG::BrowserBase* browser, const std::string& url);
    // Evaluates a script in the page and gives its value; a control without a page throws sim::Error.
    virtual nlohmann::json Evaluate(DG::BrowserBase* browser, const std::string& script);

    std::vector<std::string> TakeScripts();
    // Lets go of everything the page was given; before the module that made it is unloaded.
    virtual void Clear();

    // The operations of the function table.
    virtual GSErrCode Load(DG::Browser& browser, const GS::UniString& url);
    virtual GSErrCode ExecuteScript(DG::Browser& browser, const GS::UniString& script);
    virtual GSErrCode RegisterObject(DG::Browser& browser, const GS::Ref<JS::Object, GS::Counter>& object);

protected:
    BrowserState& StateOf(const DG::BrowserBase* browser);

private:
    // The arguments are made only once the function is found, as the page would.
    PageReply CallWith(DG::BrowserBase* browser, const std::string& functionName,
                       const std::function<GS::Ref<JS::Base, GS::Counter>()>& arguments, const std::string& objectName);
    void ForgetDestroyed();

    std::map<const DG::BrowserBase*, BrowserState> states;
    std::vector<std::string> pendingScripts;
};

}  // namespace sim
