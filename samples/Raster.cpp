#include "Raster.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "Noise.hpp"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace samples {

namespace {

using Colour = std::array<double, 3>;

Colour Mix(const Colour& a, const Colour& b, double t)
{
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

Colour Scale(const Colour& c, double factor)
{
    return {c[0] * factor, c[1] * factor, c[2] * factor};
}

struct Box {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;

    explicit Box(const std::vector<Point2>& ring)
    {
        for (const auto& [x, y] : ring) {
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
    }
    bool Holds(double x, double y) const { return x >= minX && x <= maxX && y >= minY && y <= maxY; }
};

bool InsideRing(const std::vector<Point2>& ring, double x, double y)
{
    bool inside = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const auto& a = ring[i];
        const auto& b = ring[j];
        if ((a.second > y) != (b.second > y) &&
            x < (b.first - a.first) * (y - a.second) / (b.second - a.second) + a.first)
            inside = !inside;
    }
    return inside;
}

class Painter {
public:
    explicit Painter(const Scene& scene) : scene(scene)
    {
        for (const auto& garden : scene.gardens)
            gardenBoxes.emplace_back(garden);
        for (const auto& roof : scene.roofs)
            roofBoxes.emplace_back(roof.footprint);
        // Trees in buckets of 20 m, so each pixel looks at a handful of them.
        buckets.resize(BucketCount * BucketCount);
        for (size_t t = 0; t < scene.trees.size(); ++t) {
            const auto& tree = scene.trees[t];
            for (int by = Bucket(tree.y - tree.radius - ShadowShift); by <= Bucket(tree.y + tree.radius + ShadowShift); ++by)
                for (int bx = Bucket(tree.x - tree.radius - ShadowShift); bx <= Bucket(tree.x + tree.radius + ShadowShift); ++bx)
                    buckets[by * BucketCount + bx].push_back(t);
        }
    }

    Colour At(double x, double y) const
    {
        Colour colour = Ground(x, y);
        colour = Scale(colour, Relief(x, y));
        colour = Scale(colour, Shadow(x, y));
        for (size_t r = 0; r < scene.roofs.size(); ++r) {
            if (roofBoxes[r].Holds(x, y) && InsideRing(scene.roofs[r].footprint, x, y))
                return RoofColour(r, x, y);
        }
        for (size_t t : buckets[Bucket(y) * BucketCount + Bucket(x)]) {
            const auto& tree = scene.trees[t];
            const double dx = x - tree.x, dy = y - tree.y;
            const double d = std::sqrt(dx * dx + dy * dy) / tree.radius;
            if (d < 1.0) {
                // Lit from the south-west: the crown is brighter on that side.
                const double light = 0.85 + 0.25 * (-(dx + dy) / (tree.radius * 1.414)) - 0.2 * d * d;
                const double grain = 0.85 + 0.3 * Noise(x * 2.5, y * 2.5, scene.seed + 40);
                return Scale({52, 84, 40}, light * grain);
            }
        }
        return colour;
    }

private:
    static constexpr int BucketCount = 21;
    static constexpr double ShadowShift = 2.5;

    static int Bucket(double v) { return std::clamp(static_cast<int>(v / 20.0), 0, BucketCount - 1); }

    Colour Ground(double x, double y) const
    {
        const double roadOffset = std::abs(y - scene.roadCentre(x));
        const double sideOffset = std::abs(x - scene.sideStreetX);
        const double grain = Noise(x * 1.7, y * 1.7, scene.seed + 11);
        if (roadOffset < scene.roadHalfWidth || (sideOffset < scene.sideStreetHalfWidth && y > scene.roadCentre(x))) {
            if (roadOffset < 0.12 && std::fmod(x + 400.0, 6.0) < 3.0)
                return {225, 225, 220};
            return Scale({96, 96, 100}, 0.9 + 0.15 * grain);
        }
        if (roadOffset < scene.roadHalfWidth + 1.2 || (sideOffset < scene.sideStreetHalfWidth + 1.0 && y > scene.roadCentre(x)))
            return Scale({150, 145, 128}, 0.9 + 0.2 * grain);
        const double streamOffset = std::abs(y - scene.streamAxis(x));
        if (streamOffset < 1.3)
            return Scale({48, 70, 78}, 0.9 + 0.2 * grain);
        for (size_t g = 0; g < scene.gardens.size(); ++g) {
            if (gardenBoxes[g].Holds(x, y) && InsideRing(scene.gardens[g], x, y)) {
                const double stripes = 0.04 * std::sin(x * 1.6);
                const double patch = Fbm(x / 6.0, y / 6.0, scene.seed + 17 + static_cast<std::uint32_t>(g));
                return Scale(Mix({88, 128, 60}, {120, 150, 78}, patch), 0.92 + stripes + 0.12 * grain);
            }
        }
        // Fields in long bands, each with its crop and its rows.
        const int band = static_cast<int>(std::floor((x * 0.8 + y * 0.35) / 62.0));
        static const std::array<Colour, 4> crops = {{{186, 170, 104}, {108, 138, 66}, {140, 116, 82}, {160, 160, 90}}};
        const Colour crop = crops[static_cast<size_t>(Hash(band, 7, scene.seed) * 3.999)];
        const double rows = 0.06 * std::sin((x * 0.35 - y * 0.8) * 3.0);
        const double patch = Fbm(x / 18.0, y / 18.0, scene.seed + 23);
        return Scale(crop, 0.85 + rows + 0.25 * patch + 0.08 * grain);
    }

    double Relief(double x, double y) const
    {
        const double e = 1.0;
        const double gx = (scene.terrain(x + e, y) - scene.terrain(x - e, y)) / (2 * e);
        const double gy = (scene.terrain(x, y + e) - scene.terrain(x, y - e)) / (2 * e);
        // Light from the north-west, 45 degrees high.
        const double nx = -gx, ny = -gy, nz = 1.0;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        const double lx = -0.5, ly = 0.5, lz = 0.7071;
        return std::clamp(0.75 + 0.35 * (nx * lx + ny * ly + nz * lz) / length, 0.6, 1.15);
    }

    // Shadows of roofs and crowns fall to the north-east.
    double Shadow(double x, double y) const
    {
        const double sx = x - ShadowShift, sy = y - ShadowShift;
        for (size_t r = 0; r < scene.roofs.size(); ++r) {
            if (roofBoxes[r].Holds(sx, sy) && InsideRing(scene.roofs[r].footprint, sx, sy))
                return 0.55;
        }
        for (size_t t : buckets[Bucket(y) * BucketCount + Bucket(x)]) {
            const auto& tree = scene.trees[t];
            const double dx = sx - tree.x, dy = sy - tree.y;
            if (dx * dx + dy * dy < tree.radius * tree.radius)
                return 0.65;
        }
        return 1.0;
    }

    Colour RoofColour(size_t r, double x, double y) const
    {
        static const std::array<Colour, 4> tiles = {{{168, 78, 56}, {84, 86, 92}, {132, 62, 48}, {60, 62, 66}}};
        const Colour base = tiles[static_cast<size_t>(Hash(static_cast<int>(r), 3, scene.seed) * 3.999)];
        const auto& ridge = scene.roofs[r].ridge;
        double light = 1.0;
        if (ridge.size() == 2) {
            const double side = (ridge[1].first - ridge[0].first) * (y - ridge[0].second) -
                                (ridge[1].second - ridge[0].second) * (x - ridge[0].first);
            light = side > 0 ? 0.78 : 1.12;
            const double along = std::hypot(ridge[1].first - ridge[0].first, ridge[1].second - ridge[0].second);
            if (std::abs(side) / along < 0.25)
                light = 0.7;  // the ridge tiles
        } else if (!InsideRing(scene.roofs[r].footprint, x + 0.5, y + 0.5) ||
                   !InsideRing(scene.roofs[r].footprint, x - 0.5, y - 0.5)) {
            light = 0.7;  // the parapet of a flat roof
        }
        return Scale(base, light * (0.92 + 0.12 * Noise(x * 3.0, y * 3.0, scene.seed + 5)));
    }

    const Scene& scene;
    std::vector<Box> gardenBoxes;
    std::vector<Box> roofBoxes;
    std::vector<std::vector<size_t>> buckets;
};

void Append(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

Image RenderAerialView(const Scene& scene, double size, int pixels, const std::string& mime, double shiftX,
                       double shiftY)
{
    const auto wrap = [size](double v) { return v - size * std::floor(v / size); };
    const Painter painter(scene);
    std::vector<unsigned char> rgb(static_cast<size_t>(pixels) * pixels * 3);
    const double step = size / pixels;
    for (int row = 0; row < pixels; ++row) {
        const double y = wrap(size - (row + 0.5) * step + shiftY);
        for (int column = 0; column < pixels; ++column) {
            const Colour c = painter.At(wrap((column + 0.5) * step + shiftX), y);
            unsigned char* out = &rgb[(static_cast<size_t>(row) * pixels + column) * 3];
            for (int k = 0; k < 3; ++k)
                out[k] = static_cast<unsigned char>(std::clamp(c[k], 0.0, 255.0));
        }
    }
    Image image{{}, mime, pixels, pixels};
    if (mime == "image/png")
        stbi_write_png_to_func(Append, &image.bytes, pixels, pixels, 3, rgb.data(), pixels * 3);
    else
        stbi_write_jpg_to_func(Append, &image.bytes, pixels, pixels, 3, rgb.data(), 88);
    return image;
}

}  // namespace samples
