#include "AddOnMain.hpp"

#include <cstring>

#include "HostInterface.hpp"
#include "MapPalette.hpp"
#include "RS.hpp"
#include "ResourceIds.hpp"

namespace {

constexpr GSFlags PaletteControlFlags = API_PalEnabled_FloorPlan | API_PalEnabled_Section | API_PalEnabled_3D |
                                        API_PalEnabled_Detail | API_PalEnabled_Layout | API_PalEnabled_Worksheet |
                                        API_PalEnabled_Elevation | API_PalEnabled_InteriorElevation |
                                        API_PalEnabled_DocumentFrom3D;
constexpr GSFlags ProjectEventMask = APINotify_New | APINotify_NewAndReset | APINotify_Open;

// The host only needs a number per palette; it is never compared by the add-on.
Int32 PaletteReferenceId(const GS::Guid& guid)
{
    UInt8 binary[16];
    std::memcpy(binary, &GSGuid2APIGuid(guid), sizeof binary);
    UInt32 sum = 0;
    for (int word = 0; word < 4; ++word) {
        UInt32 value;
        std::memcpy(&value, binary + word * 4, sizeof value);
        sum += value;
    }
    return static_cast<Int32>(sum);
}

}  // namespace

API_AddonType CheckAddOnEnvironment(API_EnvirParams* envirParams)
{
    if (envirParams != nullptr) {
        const GSResModule resModule = Host::GetOwnResourceModule();
        RSGetIndString(&envirParams->addOnInfo.name, ResourceIds::AddOnInfoStrings, ResourceIds::AddOnNameIndex,
                       resModule);
        RSGetIndString(&envirParams->addOnInfo.description, ResourceIds::AddOnInfoStrings,
                       ResourceIds::AddOnDescriptionIndex, resModule);
    }
    return APIAddon_Preload;
}

GSErrCode RegisterAddOnInterface()
{
    return Host::RegisterMenu(ResourceIds::MenuStrings, 0, MenuCode_UserDef, 0);
}

GSErrCode InitializeAddOn()
{
    GSErrCode err = Host::InstallMenuHandler(ResourceIds::MenuStrings, MenuCommandHandler);
    if (err != NoError)
        return err;

    const GS::Guid& guid = MapPalette::PaletteGuid();
    err = Host::RegisterPalette(PaletteReferenceId(guid), MapPalette::PaletteControlCallback, PaletteControlFlags,
                                GSGuid2APIGuid(guid));
    if (err != NoError)
        return err;

    // Without project events the page only misses a resync; the add-on works on.
    Host::InstallProjectEventHandler(ProjectEventMask, ProjectEventHandler);
    return NoError;
}

GSErrCode FreeAddOn()
{
    return NoError;
}

GSErrCode MenuCommandHandler(const API_MenuParams* menuParams)
{
    if (menuParams != nullptr && menuParams->menuItemRef.menuResID == ResourceIds::MenuStrings &&
        menuParams->menuItemRef.itemIndex == ResourceIds::MenuItemIndex)
        MapPalette::TogglePalette();
    return NoError;
}

GSErrCode ProjectEventHandler(API_NotifyEventID notifID, Int32 /*param*/)
{
    switch (notifID) {
        case APINotify_New:
        case APINotify_NewAndReset:
        case APINotify_Open:
            MapPalette::ResyncProjectOrigin();
            break;
        default:
            break;
    }
    return NoError;
}
