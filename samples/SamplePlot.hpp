#pragma once

// A self-made building plot and its surroundings, as the web application would download them:
// a plot near Průhonice in the S-JTSK / Krovák East North grid (EPSG:5514). Everything is generated
// from one seed, so the same seed always gives the same data.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace samples {

using Point2 = std::pair<double, double>;

struct Point3 {
    double x;
    double y;
    double z;
};

struct CadastreText {
    Point2 at;
    double size;
    std::string text;
};

// One layer of the cadastre drawing; `kind` is "lines", "texts" or "points".
struct CadastreLayer {
    std::string name;
    int pen;
    std::string lineType;
    std::string kind;
    std::vector<std::vector<Point2>> lines;
    std::vector<CadastreText> texts;
    std::vector<Point2> points;
};

struct SampleBuilding {
    std::vector<Point2> footprint;  // open ring, counter-clockwise
    double baseElevation;           // absolute, metres
    double topElevation;
    std::vector<Point3> roofPoints;  // absolute elevations; empty for a flat roof
};

struct Image {
    std::string bytes;  // the encoded file
    std::string mime;
    int widthPx;
    int heightPx;
};

struct SamplePlot {
    std::string name;            // the cadastral territory
    std::string parcelNumber;    // the building plot
    // The tile all data covers: its south-west corner in the grid, and its size in metres.
    double originEastings;
    double originNorthings;
    double tileSize;
    // The survey point: the middle of the building plot, on the terrain.
    double surveyEastings;
    double surveyNorthings;
    double surveyHeight;
    double latitude;
    double longitude;

    std::vector<Point2> plotBoundary;  // grid coordinates
    std::vector<CadastreLayer> cadastre;
    Image orthophoto;                  // covers the whole tile
    std::vector<Point3> terrainPoints;  // grid coordinates, absolute heights
    std::vector<Point2> terrainOutline;
    std::vector<SampleBuilding> buildings;
    // The orthophoto as a texture laid from the survey point: a surface's texture repeats from the
    // project's origin, so the picture is rolled to meet the ground where it belongs.
    Image drapeTexture;
    std::vector<std::pair<std::string, std::string>> projectInfo;
    std::string report;                // Czech, UTF-8
};

constexpr std::uint32_t DefaultSeed = 20261207;

SamplePlot GenerateSamplePlot(std::uint32_t seed = DefaultSeed);

// printf's "%.*f", with "." whatever the process locale.
std::string DecimalText(double value, int decimals);

// Terrain points as the page sends them: one "x y z" line each, in millimetres' precision.
std::string TerrainPointsText(const std::vector<Point3>& points, double shiftX, double shiftY);

}  // namespace samples
