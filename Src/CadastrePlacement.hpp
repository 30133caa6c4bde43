#pragma once

// The cadastre drawing: the page's layers of lines, texts and points as 2D elements.

#include <utility>
#include <vector>

#include "PlaceTarget.hpp"

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

GSErrCode PlaceCadastre(const std::vector<CadLayer>& layers, const PlaceTarget& target, GS::UniString& diagnostics);
GSErrCode CreatePolyline(const std::vector<std::pair<double, double>>& vertices, API_AttributeIndex layer, Int16 pen,
                         const API_AttributeIndex* lineType, Int16 story, const API_Coord& offset, API_Guid* guid);
GSErrCode CreateText(const CadText& text, API_AttributeIndex layer, Int16 pen, Int16 story, const API_Coord& offset);

}  // namespace Placement
