// The terrain of the surroundings: measured points become one mesh on the floor plan.

#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>

#include "TerrainPlacement.hpp"

#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "MeshMemo.hpp"
#include "NumberReading.hpp"
#include "PlaceTarget.hpp"
#include "SurveyPoint.hpp"
#include "TerrainGeometry.hpp"

namespace {

constexpr const char* TerrainUndoName = "Vložit terén";

GS::UniString DatasetSuffix(const GS::UniString& datasetCode)
{
    if (datasetCode == "dmp_ok")
        return "OK";
    if (datasetCode == "dmp1g")
        return "1G";
    return "5G";
}

struct TerrainJob {
    const GS::UniString& datasetCode;
    const std::vector<API_Coord3D>& points;
    const Placement::Outline& outline;
    const std::vector<double>& heights;
    const Placement::TerrainStyle& style;
    double zmin;
    bool textured;
    API_AttributeIndex textureIndex;
    const API_DatabaseInfo& savedWindow;
};

void ApplyTerrainStyle(const TerrainJob& job, API_Element& element, GS::UniString& diagnostics)
{
    const GS::UniString layerName =
        job.style.layerName.IsEmpty() ? "_ Terén okolí " + DatasetSuffix(job.datasetCode) + ".Terén" : job.style.layerName;
    API_AttributeIndex index = APIInvalidAttributeIndex;
    if (Placement::EnsureLayer(layerName, index))
        element.header.layer = index;
    if (Placement::FindAttributeByName(API_MaterialID, job.style.topSurface, index))
        element.mesh.topMat = index;
    if (Placement::FindAttributeByName(API_MaterialID, job.style.sideSurface, index)) {
        element.mesh.sideMat = index;
        element.mesh.botMat = index;
    }
    if (Placement::FindAttributeByName(API_BuildingMaterialID, job.style.buildingMaterial, index))
        element.mesh.buildingMaterial = index;
    if (job.textured) {
        element.mesh.topMat = job.textureIndex;
        element.mesh.materialsChained = false;
        diagnostics += "textura=ano ";
    }
}

void RestoreWindow(const API_DatabaseInfo& savedWindow)
{
    Host::ChangeCurrentDatabase(&savedWindow);
}

// On the exception path the view is put back as well as possible; a second failure changes nothing.
void RestoreWindowQuietly(const API_DatabaseInfo& savedWindow)
{
    try {
        RestoreWindow(savedWindow);
    } catch (...) {
    }
}

GSErrCode BuildTerrainMesh(const TerrainJob& job, Placement::MeshMemo& memo, GS::UniString& diagnostics)
{
    diagnostics += "u1 ";
    const GSErrCode switchError = Placement::SwitchToFloorPlan(diagnostics);
    if (switchError != NoError)
        return switchError;
    diagnostics += "u2 ";
    const API_Coord offset = GetOriginOffset(&diagnostics);

    API_Element element;
    std::memset(&element, 0, sizeof element);
    element.header.type.typeID = API_MeshID;
    const GSErrCode defaultsError = Host::GetElementDefaults(&element, nullptr);
    if (defaultsError != NoError) {
        diagnostics += GS::UniString::Printf("defaults_err=%d ", defaultsError);
        RestoreWindow(job.savedWindow);
        return defaultsError;
    }
    diagnostics += "u3 ";
    ApplyTerrainStyle(job, element, diagnostics);

    diagnostics += "u4 ";
    const std::size_t vertices = job.outline.size();
    const std::size_t pointCount = job.points.size();
    Placement::SetMeshCounts(element.mesh, vertices, pointCount);
    element.mesh.skirt = 1;
    // "+ 0.0" turns a negative zero into zero, so the reply never shows "-0.00".
    element.mesh.skirtLevel = std::ceil(element.mesh.level - job.zmin + 2.0) + 0.0;

    if (!memo.Allocate(vertices, pointCount)) {
        diagnostics += "memfull ";
        RestoreWindow(job.savedWindow);
        return APIERR_MEMFULL;
    }
    diagnostics += "u5 ";
    memo.Fill(job.outline, job.heights, job.points, offset);
    diagnostics += "u6 ";

    const auto started = std::chrono::steady_clock::now();
    const GSErrCode createResult = Host::CreateElement(&element, memo.Get());
    const auto finished = std::chrono::steady_clock::now();
    memo.Release();
    const long elapsed =
        static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(finished - started).count());
    diagnostics += GS::UniString::Printf(
        "body=%d obrys=%d(%s) create=%d cas=%ldms zmin=%.2f tloustka_dna=%.2f ", static_cast<int>(pointCount),
        static_cast<int>(vertices), job.style.exactOutline ? "presny" : "z bodu", createResult, elapsed, job.zmin,
        element.mesh.skirtLevel);
    RestoreWindow(job.savedWindow);
    return createResult;
}

GSErrCode RunTerrainCommand(const TerrainJob& job, GS::UniString& diagnostics)
{
    Placement::MeshMemo memo;
    try {
        return BuildTerrainMesh(job, memo, diagnostics);
    } catch (const GS::GSException& exception) {
        memo.ReleaseQuietly();
        const GSErrCode code = exception.GetErrCode() != NoError ? exception.GetErrCode() : ErrPlacementException;
        diagnostics += GS::UniString::Printf("EXC_GS=%s kod=%d misto=%s:%u msg=", exception.GetName(), code,
                                             exception.GetFileName() != nullptr ? exception.GetFileName() : "?",
                                             exception.GetLineNumber());
        diagnostics += exception.GetMessage();
        diagnostics += " ";
        RestoreWindowQuietly(job.savedWindow);
        return code;
    } catch (const std::exception& exception) {
        memo.ReleaseQuietly();
        diagnostics += GS::UniString::Printf("EXC_std=%s ", exception.what());
        RestoreWindowQuietly(job.savedWindow);
        return ErrPlacementException;
    } catch (...) {
        memo.ReleaseQuietly();
        diagnostics += "EXC_neznama ";
        RestoreWindowQuietly(job.savedWindow);
        return ErrPlacementException;
    }
}

}  // namespace

namespace Placement {

GSErrCode PlaceTerrain(const GS::UniString& datasetCode, const GS::UniString& pointsText, double referenceElevation,
                       const Outline& outline, const TerrainStyle& style, const TerrainTexture& texture,
                       GS::UniString& diagnostics)
{
    // A reference the page could not give as a number counts as none, as a missing one does.
    if (!std::isfinite(referenceElevation))
        referenceElevation = 0.0;
    std::vector<API_Coord3D> points = ParseXYZLines(pointsText);
    if (points.size() < 3) {
        diagnostics += GS::UniString::Printf("malo bodu (%d) ", static_cast<int>(points.size()));
        return APIERR_BADPARS;
    }
    double zmin = 1e30;
    for (API_Coord3D& point : points) {
        point.z -= referenceElevation;
        zmin = std::min(zmin, point.z);
    }
    const PointBounds bounds = BoundsOf(points);

    // A vertex the page could not give as a number would make the whole boundary unusable.
    Outline boundary;
    for (const auto& vertex : outline) {
        if (std::isfinite(vertex.first) && std::isfinite(vertex.second))
            boundary.push_back(vertex);
    }
    if (boundary.size() < 3)
        boundary = BoundingRectangle(bounds);
    std::vector<double> heights;
    {
        const NearestPointIndex index(points);
        const bool snapped = !style.exactOutline && SnapOutline(points, index, bounds, boundary, heights);
        if (!snapped)
            heights = NearestHeights(points, index, boundary);
    }

    API_AttributeIndex textureIndex = APIInvalidAttributeIndex;
    bool textured = false;
    if (!texture.imageBytes.empty()) {
        textured = CreateTextureSurface(texture, texture.sizeX, texture.sizeY,
                                        "Ortofoto teren CUZK (" + datasetCode + ")", textureIndex, diagnostics);
    }

    API_DatabaseInfo savedWindow;
    std::memset(&savedWindow, 0, sizeof savedWindow);
    Host::GetCurrentDatabase(&savedWindow);
    diagnostics += GS::UniString::Printf("win=%d ", static_cast<int>(savedWindow.typeID));

    const TerrainJob job{datasetCode, points, boundary, heights, style, zmin, textured, textureIndex, savedWindow};
    const GSErrCode result = Host::CallUndoableCommand(
        GS::UniString(TerrainUndoName), [&job, &diagnostics]() { return RunTerrainCommand(job, diagnostics); });
    diagnostics += GS::UniString::Printf("undo_ret=%d ", result);
    return result;
}

}  // namespace Placement

JSRef Bridge::PlaceTerrain(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    const UInt32 count = ArgumentCount(args);
    GS::UniString datasetCode = StringArgument(args, 0);
    // Points texts run to tens of megabytes: read where the page's value holds them, never copied.
    const GS::UniString& pointsText = StringArgumentInPlace(args, 1);
    const double referenceElevation = NumberArgument(args, 2);
    Placement::Outline outline;
    if (count >= 4) {
        for (const JSRef& entry : ArgumentList(args[3])) {
            const JSArgs pair = ArgumentList(entry);
            outline.emplace_back(NumberArgument(pair, 0), NumberArgument(pair, 1));
        }
    }
    Placement::TerrainStyle style;
    style.layerName = StringArgument(args, 4);
    style.topSurface = StringArgument(args, 5);
    style.sideSurface = StringArgument(args, 6);
    style.buildingMaterial = StringArgument(args, 7);
    style.exactOutline = NumberArgument(args, 8) > 0.5;
    Placement::TerrainTexture texture;
    if (count >= 10) {
        BytesArgument(texture.imageBytes, args, 9);
        texture.sizeX = NumberArgument(args, 10);
        texture.sizeY = NumberArgument(args, 11);
    }
    // The decoded points and image move into the body, not copied again.
    return GuardedTextReply([datasetCode = std::move(datasetCode), &pointsText,
                             referenceElevation, outline = std::move(outline), style = std::move(style),
                             texture = std::move(texture)]() {
        GS::UniString diagnostics;
        const GSErrCode status = Placement::PlaceTerrain(datasetCode, pointsText, referenceElevation, outline, style,
                                                         texture, diagnostics);
        return PlacementReply(status, diagnostics);
    });
}
