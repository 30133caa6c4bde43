#include "PlaceTarget.hpp"

#include "BoundedText.hpp"
#include "HostInterface.hpp"
#include "SurveyPoint.hpp"

namespace {

constexpr UInt32 DatabaseTextCapacity = sizeof(API_DatabaseInfo::name) / sizeof(GS::uchar_t);

// The record a new worksheet gets; names are cut to the record's fields, never inside a character,
// so that a long name compares equal to what the host keeps and finds the worksheet again.
API_DatabaseInfo WantedWorksheet(const GS::UniString& name, const GS::UniString& ref)
{
    const GS::UniString wantedName = name.IsEmpty() ? GS::UniString("KN") : name;
    const GS::UniString wantedRef = ref.IsEmpty() ? GS::UniString("Podklady") : ref;

    API_DatabaseInfo wanted{};
    wanted.typeID = APIWind_WorksheetID;
    CopyBoundedText(wanted.name, DatabaseTextCapacity, wantedName);
    CopyBoundedText(wanted.ref, DatabaseTextCapacity, wantedRef);
    return wanted;
}

void PutAttributeName(API_Attr_Head& head, const GS::UniString& name)
{
    CHTruncate(name.ToCStr(CC_Default).Get(), head.name, sizeof head.name, CC_Default);
}

void RestoreView(const API_DatabaseInfo& savedView, bool switchedByWindow)
{
    if (switchedByWindow)
        Host::ChangeWindow(&savedView);
    else
        Host::ChangeCurrentDatabase(&savedView);
}

}  // namespace

namespace Placement {

GSErrCode RunInTarget(const PlaceTarget& target, const char* undoName,
                      const std::function<GSErrCode(const API_Coord&)>& body, GS::UniString& diagnostics)
{
    API_DatabaseInfo savedView{};
    Host::GetCurrentDatabase(&savedView);

    API_DatabaseInfo destination{};
    if (target.floorPlan) {
        destination.typeID = APIWind_FloorPlanID;
        diagnostics.Append(GS::UniString::Printf("cil=pudorys(podl.%d) ", static_cast<int>(target.storyIndex)));
    } else {
        if (!FindOrCreateWorksheet(target.worksheetName, target.worksheetRef, destination)) {
            diagnostics.Append("list=NENALEZEN ");
            return ErrWorksheetNotFound;
        }
        diagnostics.Append("list='");
        diagnostics.Append(GS::UniString(destination.ref));
        diagnostics.Append(" ");
        diagnostics.Append(GS::UniString(destination.name));
        diagnostics.Append("' ");
    }

    const API_CommandBody command = [&]() -> GSErrCode {
        bool switchedByWindow = false;
        try {
            GSErrCode error = Host::ChangeCurrentDatabase(&destination);
            if (error != NoError && !target.floorPlan) {
                API_DatabaseInfo window{};
                window.typeID = APIWind_WorksheetID;
                window.databaseUnId = destination.databaseUnId;
                error = Host::ChangeWindow(&window);
                switchedByWindow = true;
                diagnostics.Append("(prepnuto oknem) ");
            }
            if (error != NoError) {
                diagnostics.Append(GS::UniString::Printf("switch_err=%d ", static_cast<int>(error)));
                return error;
            }

            const API_Coord offset = GetOriginOffset(&diagnostics);
            const GSErrCode result = body(offset);
            Host::RebuildCurrentDatabase();
            RestoreView(savedView, switchedByWindow);
            return result;
        } catch (...) {
            // The host rolls the step back; the user must not be left in the target view. A failure
            // of the restore itself must not hide the error on its way out.
            try {
                RestoreView(savedView, switchedByWindow);
            } catch (...) {
            }
            throw;
        }
    };
    return Host::CallUndoableCommand(GS::UniString(undoName), command);
}

bool FindOrCreateWorksheet(const GS::UniString& name, const GS::UniString& ref, API_DatabaseInfo& database)
{
    API_DatabaseInfo wanted = WantedWorksheet(name, ref);
    const GS::UniString wantedName(wanted.name);
    const GS::UniString wantedRef(wanted.ref);

    GS::Array<API_DatabaseUnId> ids;
    if (Host::GetWorksheetDatabaseIds(&ids, nullptr) == NoError) {
        for (const API_DatabaseUnId& id : ids) {
            API_DatabaseInfo info{};
            info.typeID = APIWind_WorksheetID;
            info.databaseUnId = id;
            if (Host::GetDatabaseInfo(&info, nullptr) != NoError)
                continue;
            if (GS::UniString(info.name) == wantedName && GS::UniString(info.ref) == wantedRef) {
                database = info;
                return true;
            }
        }
    }

    if (Host::NewDatabase(&wanted, nullptr) != NoError)
        return false;
    database = wanted;
    return true;
}

bool FindAttributeByName(API_AttrTypeID typeID, const GS::UniString& name, API_AttributeIndex& index)
{
    if (name.IsEmpty())
        return false;

    API_Attr_Head head{};
    head.typeID = typeID;
    PutAttributeName(head, name);
    if (Host::GetAttributeByName(&head) != NoError)
        return false;
    index = head.index;
    return true;
}

bool EnsureLayer(const GS::UniString& name, API_AttributeIndex& index)
{
    if (name.IsEmpty())
        return false;
    if (FindAttributeByName(API_LayerID, name, index))
        return true;

    API_Attribute layer;
    std::memset(&layer, 0, sizeof layer);
    layer.header.typeID = API_LayerID;
    PutAttributeName(layer.header, name);
    if (Host::CreateAttribute(&layer, nullptr, GS::EmptyUniString) != NoError)
        return false;
    index = layer.header.index;
    return true;
}

GSErrCode SwitchToFloorPlan(GS::UniString& diagnostics)
{
    API_DatabaseInfo plan{};
    plan.typeID = APIWind_FloorPlanID;
    const GSErrCode error = Host::ChangeCurrentDatabase(&plan);
    if (error != NoError)
        diagnostics += GS::UniString::Printf("switch_plan_err=%d ", error);
    return error;
}

}  // namespace Placement
