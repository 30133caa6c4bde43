#pragma once

// Model work: what the page's downloaded data becomes in the project.

#include <functional>
#include <utility>
#include <vector>

#include "APIDefs.hpp"

constexpr GSErrCode ErrWorksheetNotFound = -71001;
constexpr GSErrCode ErrPlacementException = -7003;
constexpr Int16 DefaultStory = -10000;

struct PlaceTarget {
    bool floorPlan = true;
    GS::UniString worksheetName;  // empty: "KN"
    GS::UniString worksheetRef;   // empty: "Podklady"
    Int16 storyIndex = DefaultStory;
};

struct CadText {
    double x = 0.0;
    double y = 0.0;
    double size = 0.0;
    GS::UniString text;
};

struct CadLayer {
    GS::UniString layerName;
    Int16 pen = 0;
    GS::UniString lineTypeName;
    GS::UniString kind;  // "lines", "texts" or "points"
    std::vector<std::vector<std::pair<double, double>>> lines;
    std::vector<std::pair<double, double>> points;
    std::vector<CadText> texts;
};

namespace Placement {

using Outline = std::vector<std::pair<double, double>>;

struct TerrainTexture {
    std::vector<char> imageBytes;  // empty: no texture
    double sizeX = 0.0;
    double sizeY = 0.0;
};

struct TerrainStyle {
    GS::UniString layerName;
    GS::UniString topSurface;
    GS::UniString sideSurface;
    GS::UniString buildingMaterial;
    bool exactOutline = false;
};

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

// Target view and undo step
GSErrCode RunInTarget(const PlaceTarget& target, const char* undoName,
                      const std::function<GSErrCode(const API_Coord&)>& body, GS::UniString& diagnostics);
bool FindOrCreateWorksheet(const GS::UniString& name, const GS::UniString& ref, API_DatabaseInfo& database);
bool FindAttributeByName(API_AttrTypeID typeID, const GS::UniString& name, API_AttributeIndex& index);
bool EnsureLayer(const GS::UniString& name, API_AttributeIndex& index);
// Makes the floor plan current for terrain and buildings; a failure appends "switch_plan_err=%d ".
GSErrCode SwitchToFloorPlan(GS::UniString& diagnostics);

// Cadastre
GSErrCode PlaceCadastre(const std::vector<CadLayer>& layers, const PlaceTarget& target, GS::UniString& diagnostics);
GSErrCode CreatePolyline(const std::vector<std::pair<double, double>>& vertices, API_AttributeIndex layer, Int16 pen,
                         const API_AttributeIndex* lineType, Int16 story, const API_Coord& offset, API_Guid* guid);
GSErrCode CreateText(const CadText& text, API_AttributeIndex layer, Int16 pen, Int16 story, const API_Coord& offset);

// Orthophoto
GSErrCode PlaceOrthophoto(const std::vector<char>& imageBytes, double width, double height, double centerX,
                          double centerY, double scaleX, double scaleY, double shiftX, double shiftY,
                          const GS::UniString& layerName, const PlaceTarget& target, GS::UniString& diagnostics);
// The same for an image still in the page's Base64 text: decoded straight into the host's handle.
GSErrCode PlaceOrthophotoFromText(const GS::UniString& base64Image, double width, double height, double centerX,
                                  double centerY, double scaleX, double scaleY, double shiftX, double shiftY,
                                  const GS::UniString& layerName, const PlaceTarget& target, GS::UniString& diagnostics);
bool IsPng(const std::vector<char>& bytes);

// Texture surfaces
bool CreateTextureSurface(const TerrainTexture& texture, double sizeX, double sizeY, const GS::UniString& baseName,
                          API_AttributeIndex& index, GS::UniString& diagnostics);
GS::UniString UniqueSurfaceName(const GS::UniString& baseName);
bool FindEmbeddedLibrary(IO::Location& folder);

// Terrain
std::vector<API_Coord3D> ParseXYZLines(const GS::UniString& text);
GSErrCode PlaceTerrain(const GS::UniString& datasetCode, const GS::UniString& pointsText, double referenceElevation,
                       const Outline& outline, const TerrainStyle& style, const TerrainTexture& texture,
                       GS::UniString& diagnostics);

// Buildings
std::vector<API_Coord3D> ParseXYLines(const GS::UniString& text);
GSErrCode PlaceBuildings(const std::vector<Building>& buildings, double referenceElevation,
                         const BuildingStyle& style, const TerrainTexture& roofTexture, GS::UniString& diagnostics);

}  // namespace Placement
