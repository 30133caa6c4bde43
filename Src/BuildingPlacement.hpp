#pragma once

// The buildings of the surroundings: one mass per footprint, its roof from measured points.

#include <vector>

#include "APIDefs.hpp"
#include "TextureSurface.hpp"

namespace Placement {

struct Building {
    GS::UniString footprint;
    double baseElevation = 0.0;
    double topElevation = 0.0;
    GS::UniString roofPoints;
    bool meshOptionOff = false;
};

struct BuildingStyle {
    GS::UniString layerName;
    GS::UniString wallSurface;
};

GSErrCode PlaceBuildings(const std::vector<Building>& buildings, double referenceElevation,
                         const BuildingStyle& style, const TerrainTexture& roofTexture, GS::UniString& diagnostics);

}  // namespace Placement
