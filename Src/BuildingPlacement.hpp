#pragma once

// The buildings of the surroundings: one mass per footprint, its roof from measured points.

#include <vector>

#include "ACAPinc.h"
#include "TextureSurface.hpp"

namespace Placement {

// The texts are the call's own arguments, read in place: they outlive the placement, which ends
// before the call returns.
struct Building {
    const GS::UniString* footprint = &GS::EmptyUniString;
    double baseElevation = 0.0;
    double topElevation = 0.0;
    const GS::UniString* roofPoints = &GS::EmptyUniString;
    bool meshOptionOff = false;
};

struct BuildingStyle {
    GS::UniString layerName;
    GS::UniString wallSurface;
};

GSErrCode PlaceBuildings(const std::vector<Building>& buildings, double referenceElevation,
                         const BuildingStyle& style, const TerrainTexture& roofTexture, GS::UniString& diagnostics);

}  // namespace Placement
