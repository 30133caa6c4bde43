#include "SampleFiles.hpp"

#include <nlohmann/json.hpp>

namespace samples {

namespace {

using nlohmann::ordered_json;

ordered_json Xy(const Point2& p)
{
    return ordered_json::array({p.first, p.second});
}

ordered_json Ring(const std::vector<Point2>& ring)
{
    ordered_json points = ordered_json::array();
    for (const auto& p : ring)
        points.push_back(Xy(p));
    return points;
}

ordered_json CadastreJson(const std::vector<CadastreLayer>& layers)
{
    ordered_json json = ordered_json::array();
    for (const auto& layer : layers) {
        ordered_json lines = ordered_json::array();
        for (const auto& line : layer.lines)
            lines.push_back(Ring(line));
        ordered_json texts = ordered_json::array();
        for (const auto& text : layer.texts)
            texts.push_back({text.at.first, text.at.second, text.size, text.text});
        json.push_back({{"name", layer.name},
                        {"pen", layer.pen},
                        {"lineType", layer.lineType},
                        {"kind", layer.kind},
                        {"lines", lines},
                        {"texts", texts},
                        {"points", Ring(layer.points)}});
    }
    return json;
}

ordered_json BuildingsJson(const std::vector<SampleBuilding>& buildings)
{
    ordered_json json = ordered_json::array();
    for (const auto& building : buildings) {
        ordered_json roof = ordered_json::array();
        for (const auto& p : building.roofPoints)
            roof.push_back({p.x, p.y, p.z});
        json.push_back({{"footprint", Ring(building.footprint)},
                        {"baseElevation", building.baseElevation},
                        {"topElevation", building.topElevation},
                        {"roofPoints", roof}});
    }
    return json;
}

}  // namespace

std::vector<SampleFile> SampleFiles(const SamplePlot& plot)
{
    ordered_json info = ordered_json::array();
    for (const auto& [key, value] : plot.projectInfo)
        info.push_back({key, value});
    const ordered_json json = {
        {"name", plot.name},
        {"parcelNumber", plot.parcelNumber},
        {"tile", {{"eastings", plot.originEastings}, {"northings", plot.originNorthings}, {"size", plot.tileSize}}},
        {"survey",
         {{"eastings", plot.surveyEastings},
          {"northings", plot.surveyNorthings},
          {"height", plot.surveyHeight},
          {"latitude", plot.latitude},
          {"longitude", plot.longitude}}},
        {"plotBoundary", Ring(plot.plotBoundary)},
        {"cadastre", CadastreJson(plot.cadastre)},
        {"terrainOutline", Ring(plot.terrainOutline)},
        {"buildings", BuildingsJson(plot.buildings)},
        {"projectInfo", info},
        {"files", {{"orthophoto", "orthophoto.jpg"}, {"drape", "drape.jpg"}, {"terrain", "terrain.xyz"}, {"report", "report.txt"}}}};
    return {{"plot.json", "application/json", json.dump() + "\n"},
            {"orthophoto.jpg", plot.orthophoto.mime, plot.orthophoto.bytes},
            {"drape.jpg", plot.drapeTexture.mime, plot.drapeTexture.bytes},
            {"terrain.xyz", "text/plain; charset=utf-8", TerrainPointsText(plot.terrainPoints, 0.0, 0.0)},
            {"report.txt", "text/plain; charset=utf-8", plot.report}};
}

}  // namespace samples
