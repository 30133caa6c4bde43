// The surrounding buildings: one mass per building, its footprint at the top and a skirt to its foot.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "BuildingPlacement.hpp"

#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "MeshMemo.hpp"
#include "NumberReading.hpp"
#include "PlaceTarget.hpp"
#include "SurveyPoint.hpp"

namespace {

// The code pages have always been given for a building whose heights are not numbers.
constexpr GSErrCode UnreadableHeightCode = static_cast<GSErrCode>(0x81060003);

constexpr const char* BuildingsUndoName = "Vložit okolní zástavbu";
constexpr const char* DefaultBuildingLayer = "_ Terén okolí zástavba.Terén";

// Attributes resolved once for all buildings of a call.
struct BuildingAttributes {
    bool hasLayer = false;
    API_AttributeIndex layer = APIInvalidAttributeIndex;
    bool hasRoof = false;
    API_AttributeIndex roof = APIInvalidAttributeIndex;
    bool hasWall = false;
    API_AttributeIndex wall = APIInvalidAttributeIndex;
};

struct BuildingCounts {
    int created = 0;
    int skipped = 0;
    GSErrCode firstSkipCode = NoError;
};

void ApplyBuildingStyle(const Placement::Building& building, const BuildingAttributes& attributes, API_MeshType& mesh)
{
    if (attributes.hasLayer)
        mesh.head.layer = attributes.layer;
    if (building.meshOptionOff)
        mesh.option = false;
    if (attributes.hasWall) {
        mesh.sideMat = attributes.wall;
        mesh.botMat = attributes.wall;
    }
    if (attributes.hasRoof || attributes.hasWall) {
        mesh.topMat = attributes.hasRoof ? attributes.roof : attributes.wall;
        mesh.materialsChained = false;
    }
}

GSErrCode CreateBuildingMesh(const Placement::Building& building, double referenceElevation,
                             const BuildingAttributes& attributes, const API_Coord& offset)
{
    const std::vector<API_Coord3D> footprint = Placement::ParseXYLines(*building.footprint);
    if (footprint.size() < 3)
        return APIERR_BADPARS;
    const double top = building.topElevation - referenceElevation;
    const double base = building.baseElevation - referenceElevation;
    if (!std::isfinite(top) || !std::isfinite(base))
        return UnreadableHeightCode;

    std::vector<API_Coord3D> roof = Placement::ParseXYZLines(*building.roofPoints);
    for (API_Coord3D& point : roof)
        point.z -= referenceElevation;
    if (roof.empty()) {
        roof.reserve(footprint.size());
        for (const API_Coord3D& vertex : footprint)
            roof.push_back({vertex.x, vertex.y, top});
    }

    API_Element element;
    std::memset(&element, 0, sizeof element);
    element.header.type.typeID = API_MeshID;
    const GSErrCode defaultsError = Host::GetElementDefaults(&element, nullptr);
    if (defaultsError != NoError)
        return defaultsError;
    ApplyBuildingStyle(building, attributes, element.mesh);
    Placement::SetMeshCounts(element.mesh, footprint.size(), roof.size());
    element.mesh.skirt = 1;
    element.mesh.skirtLevel = std::max(1.0, std::ceil(element.mesh.level - base));

    Placement::MeshMemo memo;
    if (!memo.Allocate(footprint.size(), roof.size()))
        return APIERR_MEMFULL;
    memo.FillFlat(footprint, top, roof, offset);
    const GSErrCode createResult = Host::CreateElement(&element, memo.Get());
    memo.Release();
    return createResult;
}

GSErrCode RunBuildingsCommand(const std::vector<Placement::Building>& buildings, double referenceElevation,
                              const GS::UniString& layerName, const Placement::BuildingStyle& style, bool hasRoof,
                              API_AttributeIndex roofIndex, const API_DatabaseInfo& savedWindow,
                              BuildingCounts& counts, GS::UniString& diagnostics)
{
    const GSErrCode switchError = Placement::SwitchToFloorPlan(diagnostics);
    if (switchError != NoError)
        return switchError;
    const API_Coord offset = GetOriginOffset(&diagnostics);

    BuildingAttributes attributes;
    attributes.hasLayer = Placement::EnsureLayer(layerName, attributes.layer);
    attributes.hasWall = Placement::FindAttributeByName(API_MaterialID, style.wallSurface, attributes.wall);
    attributes.hasRoof = hasRoof;
    attributes.roof = roofIndex;

    for (const Placement::Building& building : buildings) {
        const GSErrCode result = CreateBuildingMesh(building, referenceElevation, attributes, offset);
        if (result == NoError) {
            ++counts.created;
            continue;
        }
        ++counts.skipped;
        if (counts.firstSkipCode == NoError)
            counts.firstSkipCode = result;
    }
    Host::RebuildCurrentDatabase();
    Host::ChangeCurrentDatabase(&savedWindow);
    return NoError;
}

}  // namespace

namespace Placement {

GSErrCode PlaceBuildings(const std::vector<Building>& buildings, double referenceElevation,
                         const BuildingStyle& style, const TerrainTexture& roofTexture, GS::UniString& diagnostics)
{
    if (buildings.empty()) {
        diagnostics += "zadne budovy ";
        return NoError;
    }
    // A reference the page could not give as a number counts as none, as a missing one does.
    if (!std::isfinite(referenceElevation))
        referenceElevation = 0.0;
    bool hasRoof = false;
    API_AttributeIndex roofIndex = APIInvalidAttributeIndex;
    if (!roofTexture.imageBytes.empty()) {
        hasRoof = CreateTextureSurface(roofTexture, roofTexture.sizeX, roofTexture.sizeY, "Ortofoto strechy CUZK",
                                       roofIndex, diagnostics);
    }
    const GS::UniString layerName = style.layerName.IsEmpty() ? GS::UniString(DefaultBuildingLayer) : style.layerName;

    API_DatabaseInfo savedWindow;
    std::memset(&savedWindow, 0, sizeof savedWindow);
    Host::GetCurrentDatabase(&savedWindow);
    BuildingCounts counts;
    const GSErrCode commandResult = Host::CallUndoableCommand(GS::UniString(BuildingsUndoName), [&]() {
        return RunBuildingsCommand(buildings, referenceElevation, layerName, style, hasRoof, roofIndex, savedWindow,
                                   counts, diagnostics);
    });

    diagnostics += GS::UniString::Printf("budov=%d vytvoreno=%d preskoceno=%d%s ", static_cast<int>(buildings.size()),
                                         counts.created, counts.skipped, hasRoof ? " textura=ano" : "");
    if (counts.skipped >= 1 && counts.firstSkipCode != NoError)
        diagnostics += GS::UniString::Printf("(prvni_preskocena_kod=%d) ", counts.firstSkipCode);
    if (counts.created >= 1)
        return NoError;
    if (counts.firstSkipCode != NoError)
        return counts.firstSkipCode;
    return commandResult;
}

}  // namespace Placement

JSRef Bridge::PlaceBuildings(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    const UInt32 count = ArgumentCount(args);
    std::vector<Placement::Building> buildings;
    if (count >= 1) {
        const JSArgs entries = ArgumentList(args[0]);
        buildings.reserve(entries.GetSize());
        for (const JSRef& entry : entries) {
            const JSArgs fields = ArgumentList(entry);
            Placement::Building building;
            building.footprint = &StringArgumentInPlace(fields, 0);
            building.baseElevation = NumberArgument(fields, 1);
            building.topElevation = NumberArgument(fields, 2);
            building.roofPoints = &StringArgumentInPlace(fields, 3);
            building.meshOptionOff = ArgumentCount(fields) >= 5 && NumberArgument(fields, 4) > 0.5;
            buildings.push_back(building);
        }
    }
    const double referenceElevation = NumberArgument(args, 1);
    Placement::BuildingStyle style;
    style.layerName = StringArgument(args, 2);
    style.wallSurface = StringArgument(args, 3);
    Placement::TerrainTexture roofTexture;
    if (count >= 5) {
        BytesArgument(roofTexture.imageBytes, args, 4);
        roofTexture.sizeX = NumberArgument(args, 5);
        roofTexture.sizeY = NumberArgument(args, 6);
    }
    // The decoded buildings and image move into the body, not copied again.
    return GuardedTextReply([buildings = std::move(buildings), referenceElevation, style = std::move(style),
                             roofTexture = std::move(roofTexture)]() {
        GS::UniString diagnostics;
        const GSErrCode status =
            Placement::PlaceBuildings(buildings, referenceElevation, style, roofTexture, diagnostics);
        return PlacementReply(status, diagnostics);
    });
}
