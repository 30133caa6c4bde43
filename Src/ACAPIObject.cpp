// The ACAPI object through which the web application calls the add-on.

#include "APIMigration.hpp"
#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "MapPalette.hpp"

namespace {

struct BridgeRow {
    const char* name;
    JSRef (*function)(JSRef);
    bool inThisBuild = true;
};

// The page may rely on this order; later rows are appended.
constexpr BridgeRow BridgeRows[] = {
    {"GetVersion", Bridge::GetVersion},
    {"GetAttributes", Bridge::GetAttributes},
    {"GetSurveyPoint", Bridge::GetSurveyPoint},
    {"SetSurveyPoint", Bridge::SetSurveyPoint},
    {"PlaceOrthophoto", Bridge::PlaceOrthophoto},
    {"PlaceCadastre", Bridge::PlaceCadastre},
    {"PlaceTerrain", Bridge::PlaceTerrain},
    {"PlaceBuildings", Bridge::PlaceBuildings},
    {"ChooseSaveFile", Bridge::ChooseSaveFile},
    {"SaveTextFile", Bridge::SaveTextFile},
    {"SetProjectInfo", Bridge::SetProjectInfo},
    {"GetAppearance", Bridge::GetAppearance, Migration::AppearanceFunction},
};

}  // namespace

void MapPalette::RegisterACAPIJavaScriptObject()
{
    auto object = GS::NewRef<JS::Object>(GS::UniString("ACAPI"));
    for (const BridgeRow& row : BridgeRows) {
        if (row.inThisBuild)
            object->AddItem(GS::NewRef<JS::Function>(GS::UniString(row.name), row.function));
    }
    Host::BrowserRegisterObject(browser, object);
}

namespace Bridge {

JSRef GetVersion(JSRef /*parameter*/)
{
    return TextReply("1.11");
}

JSRef GetAppearance(JSRef /*parameter*/)
{
    return TextReply(DG::IsDarkMode() ? "dark" : "light");
}

}  // namespace Bridge
