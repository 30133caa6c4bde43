#pragma once

// Surfaces that carry the page's image as their texture (terrain and roofs).

#include <vector>

#include "ACAPinc.h"
#include "Location.hpp"

namespace Placement {

struct TerrainTexture {
    std::vector<char> imageBytes;  // empty: no texture
    double sizeX = 0.0;
    double sizeY = 0.0;
};

bool CreateTextureSurface(const TerrainTexture& texture, double sizeX, double sizeY, const GS::UniString& baseName,
                          API_AttributeIndex& index, GS::UniString& diagnostics);
GS::UniString UniqueSurfaceName(const GS::UniString& baseName);
bool FindEmbeddedLibrary(IO::Location& folder);

}  // namespace Placement
