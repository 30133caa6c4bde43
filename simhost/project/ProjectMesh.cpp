// Mesh elements: the checks a careful host makes on the record and its memo.

#include "host/ElementMemo.hpp"
#include "project/Project.hpp"

namespace sim {

namespace {

using nlohmann::json;

GSErrCode CheckLevelLines(const API_MeshType& mesh, const API_ElementMemo& memo)
{
    const API_MeshLevel& lines = mesh.levelLines;
    if (lines.nSubLines < 0 || lines.nCoords < 0 || (lines.nSubLines == 0) != (lines.nCoords == 0) ||
        !memo::Holds(memo.meshLevelCoords, lines.nCoords) || !memo::Holds(memo.meshLevelEnds, lines.nSubLines)) {
        return APIERR_BADPARS;
    }
    Int32 previous = 0;
    for (Int32 i = 0; i < lines.nSubLines; ++i) {
        const Int32 end = (*memo.meshLevelEnds)[i];
        if (end <= previous || end > lines.nCoords) {
            return APIERR_BADPARS;
        }
        previous = end;
    }
    if (lines.nSubLines > 0 && previous != lines.nCoords) {
        return APIERR_BADPARS;
    }
    return NoError;
}

}  // namespace

GSErrCode Project::ReadMesh(const API_MeshType& mesh, const API_ElementMemo& memo, Element* element) const
{
    const Int32 n = mesh.poly.nCoords;
    if (n < 4) {
        return APIERR_IRREGULARPOLY;
    }
    if (mesh.poly.nSubPolys != 1 || mesh.poly.nArcs != 0 || !memo::Holds(memo.coords, Int64(n) + 1) ||
        !memo::Holds(memo.pends, 2) || (*memo.pends)[0] != 0 || (*memo.pends)[1] != n ||
        !memo::Holds(memo.meshPolyZ, Int64(n) + 1) || !memo::Finite({mesh.level, mesh.skirtLevel}) ||
        mesh.skirt < 0 || mesh.skirt > 3) {
        return APIERR_BADPARS;
    }
    if (const GSErrCode error = CheckLevelLines(mesh, memo); error != NoError) {
        return error;
    }
    Coordinates polygon{"polygon", 3, {}};
    polygon.values.reserve(static_cast<std::size_t>(n) * 3);
    for (Int32 i = 1; i <= n; ++i) {
        const API_Coord& c = (*memo.coords)[i];
        const double z = (*memo.meshPolyZ)[i];
        if (!memo::Finite({c.x, c.y, z})) {
            return APIERR_BADPARS;
        }
        polygon.values.push_back(c.x);
        polygon.values.push_back(c.y);
        polygon.values.push_back(z);
    }
    const API_Coord& first = (*memo.coords)[1];
    const API_Coord& last = (*memo.coords)[n];
    if (first.x != last.x || first.y != last.y) {
        return APIERR_IRREGULARPOLY;
    }
    Coordinates levelPoints{"levelPoints", 3, {}};
    levelPoints.values.reserve(static_cast<std::size_t>(mesh.levelLines.nCoords) * 3);
    for (Int32 i = 0; i < mesh.levelLines.nCoords; ++i) {
        const API_Coord3D& c = (*memo.meshLevelCoords)[i].c;
        if (!memo::Finite({c.x, c.y, c.z})) {
            return APIERR_BADPARS;
        }
        levelPoints.values.push_back(c.x);
        levelPoints.values.push_back(c.y);
        levelPoints.values.push_back(c.z);
    }
    json surfaces[3];
    const API_OverriddenAttribute* overrides[3] = {&mesh.topMat, &mesh.sideMat, &mesh.botMat};
    for (int i = 0; i < 3; ++i) {
        if (!overrides[i]->hasValue) {
            continue;
        }
        if (FindAttribute(API_MaterialID, overrides[i]->value) == nullptr) {
            return APIERR_BADINDEX;
        }
        surfaces[i] = overrides[i]->value.ToInt32_Deprecated();
    }
    const auto materials = model.attributes.find(API_BuildingMaterialID);
    const bool noMaterials = materials == model.attributes.end() || materials->second.empty();
    if (FindAttribute(API_BuildingMaterialID, mesh.buildingMaterial) == nullptr &&
        !(noMaterials && mesh.buildingMaterial == APIInvalidAttributeIndex)) {
        return APIERR_BADINDEX;
    }
    // Moved in: a braced list would copy both.
    element->coordinates.clear();
    element->coordinates.reserve(2);
    element->coordinates.push_back(std::move(polygon));
    element->coordinates.push_back(std::move(levelPoints));
    // Member by member: an initializer list of pairs costs a copy of every value and key.
    json data = json::object();
    data["level"] = mesh.level;
    data["skirt"] = mesh.skirt;
    data["skirtDepth"] = mesh.skirtLevel;
    data["topSurface"] = std::move(surfaces[0]);
    data["sideSurface"] = std::move(surfaces[1]);
    data["bottomSurface"] = std::move(surfaces[2]);
    data["buildingMaterial"] = mesh.buildingMaterial.ToInt32_Deprecated();
    data["chaining"] = mesh.materialsChained;
    data["option"] = mesh.option;
    element->data = std::move(data);
    return NoError;
}

}  // namespace sim
