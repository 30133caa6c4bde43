#pragma once

// The terrain of the surroundings: measured points become one mesh on the floor plan.

#include "ACAPinc.h"
#include "Outline.hpp"
#include "TextureSurface.hpp"

namespace Placement {

struct TerrainStyle {
    GS::UniString layerName;
    GS::UniString topSurface;
    GS::UniString sideSurface;
    GS::UniString buildingMaterial;
    bool exactOutline = false;
};

GSErrCode PlaceTerrain(const GS::UniString& datasetCode, const GS::UniString& pointsText, double referenceElevation,
                       const Outline& outline, const TerrainStyle& style, const TerrainTexture& texture,
                       GS::UniString& diagnostics);

}  // namespace Placement
