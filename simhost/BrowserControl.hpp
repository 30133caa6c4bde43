#pragma once

// The browser controls of the host: what each has loaded, the objects registered in its page, the
// scripts run in it; and the page's side: calls of registered functions, new tabs, navigation.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "APIDefs.hpp"
#include "JS.hpp"
#include "PageValues.hpp"

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

class BrowserControl {
public:
    // The browser that shows a page in the palette with this GUID; null when there is none.
    static DG::BrowserBase* FindPaletteBrowser(const API_Guid& paletteGuid);

    // State of a browser; a browser that no longer exists has none.
    const BrowserState* Find(const DG::BrowserBase* browser) const;

    // Calls `objectName.functionName(args...)` in the page shown by `browser`.
    PageReply Call(DG::BrowserBase* browser, const std::string& functionName, const nlohmann::json& args,
                   const std::string& objectName = "ACAPI");
    // The same with the arguments as the page's JSON text (a JSON array).
    PageReply CallJson(DG::BrowserBase* browser, const std::string& functionName, std::string_view args,
                       const std::string& objectName = "ACAPI");
    void NewTab(DG::BrowserBase* browser, const std::string& url);
    bool Navigate(DG::BrowserBase* browser, const std::string& url);

    std::vector<std::string> TakeScripts();
    // Lets go of everything the page was given; before the module that made it is unloaded.
    void Clear();

    // The operations of the function table.
    GSErrCode Load(DG::Browser& browser, const GS::UniString& url);
    GSErrCode ExecuteScript(DG::Browser& browser, const GS::UniString& script);
    GSErrCode RegisterObject(DG::Browser& browser, const GS::Ref<JS::Object, GS::Counter>& object);

private:
    // The arguments are made only once the function is found, as the page would.
    PageReply CallWith(DG::BrowserBase* browser, const std::string& functionName,
                       const std::function<GS::Ref<JS::Base, GS::Counter>()>& arguments, const std::string& objectName);
    BrowserState& StateOf(const DG::BrowserBase* browser);
    void ForgetDestroyed();

    std::map<const DG::BrowserBase*, BrowserState> states;
    std::vector<std::string> pendingScripts;
};

}  // namespace sim
