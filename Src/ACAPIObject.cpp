// The ACAPI object through which the web application calls the add-on.

#include "ACAPIFunctions.hpp"
#include "APIMigration.hpp"
#include "Bridge.hpp"
#include "DGModule.hpp"
#include "HostInterface.hpp"
#include "MapPalette.hpp"

#ifndef LANDFETCH_ADDON_VERSION
#error "LANDFETCH_ADDON_VERSION must give the add-on's version"
#endif

namespace {

struct BridgeRow {
    ACAPI::FunctionName function;
    JSRef (*call)(JSRef);
};

#define LANDFETCH_BRIDGE_ROW(name, firstApi) BridgeRow{{#name, firstApi}, Bridge::name},
constexpr BridgeRow BridgeRows[] = {LANDFETCH_ACAPI_FUNCTIONS(LANDFETCH_BRIDGE_ROW)};
#undef LANDFETCH_BRIDGE_ROW

}  // namespace

void MapPalette::RegisterACAPIJavaScriptObject()
{
    auto object = GS::NewRef<JS::Object>(GS::UniString("ACAPI"));
    for (const BridgeRow& row : BridgeRows) {
        if (ACAPI::InBuild(row.function, Migration::ApiVersion))
            object->AddItem(GS::NewRef<JS::Function>(GS::UniString(row.function.name), row.call));
    }
    Host::BrowserRegisterObject(browser, object);
}

namespace Bridge {

JSRef GetVersion(JSRef /*parameter*/)
{
    return TextReply(LANDFETCH_ADDON_VERSION);
}

JSRef GetAppearance(JSRef /*parameter*/)
{
    return TextReply(DG::IsDarkMode() ? "dark" : "light");
}

}  // namespace Bridge
