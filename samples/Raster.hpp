#pragma once

// Paints a plausible aerial photograph of the sample tile: fields, gardens, roads, a stream,
// trees and roofs, lit by the terrain's relief.

#include <functional>
#include <string>
#include <vector>

#include "SamplePlot.hpp"

namespace samples {

struct Tree {
    double x;
    double y;
    double radius;
};

struct Roof {
    std::vector<Point2> footprint;
    std::vector<Point2> ridge;  // two points, or empty for a flat roof
};

struct Scene {
    std::function<double(double, double)> terrain;
    double (*roadCentre)(double x) = nullptr;
    double roadHalfWidth = 0.0;
    double sideStreetX = 0.0;
    double sideStreetHalfWidth = 0.0;
    double (*streamAxis)(double x) = nullptr;
    std::vector<std::vector<Point2>> gardens;
    std::vector<Roof> roofs;
    std::vector<Tree> trees;
    std::uint32_t seed = 0;
};

// The tile [0, size] x [0, size] (local metres, north up) as a square image of `pixels` pixels,
// encoded as "image/jpeg" or "image/png". A shift rolls the picture over the tile: the pixel that
// shows local (x, y) unshifted shows (x + shiftX, y + shiftY), wrapped into the tile.
Image RenderAerialView(const Scene& scene, double size, int pixels, const std::string& mime, double shiftX = 0.0,
                       double shiftY = 0.0);

}  // namespace samples
