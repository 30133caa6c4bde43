#include "SamplePlot.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <system_error>

#include "Noise.hpp"
#include "Raster.hpp"

namespace samples {

namespace {

constexpr double TileSize = 400.0;
constexpr double OriginEastings = -735600.0;
constexpr double OriginNorthings = -1052600.0;
constexpr double PixelSize = 0.4;  // metres per orthophoto pixel

struct Terrain {
    std::uint32_t seed;

    // Absolute height in metres at a point of the tile (local metres from its south-west corner).
    double Height(double x, double y) const
    {
        const double slope = 301.5 + 0.030 * x + 0.012 * y;
        const double hill = 7.5 * std::exp(-((x - 320) * (x - 320) + (y - 310) * (y - 310)) / (2 * 70.0 * 70.0));
        const double valleyAxis = y - 55.0 - 0.15 * x;
        const double valley = -3.0 * std::exp(-valleyAxis * valleyAxis / (2 * 18.0 * 18.0));
        const double waves = 1.2 * std::sin(x / 47.0) * std::cos(y / 63.0);
        return slope + hill + valley + waves + 0.8 * (Fbm(x / 25.0, y / 25.0, seed) - 0.5);
    }
};

double RoadCentre(double x)
{
    return 150.0 + 6.0 * std::sin(x / 120.0);
}

constexpr double RoadHalfWidth = 3.5;
constexpr double SideStreetX = 118.0;
constexpr double SideStreetHalfWidth = 3.0;

double StreamAxis(double x)
{
    return 55.0 + 0.15 * x;
}

struct Parcel {
    std::vector<Point2> ring;  // local, counter-clockwise
    std::string number;
    bool north;
};

double Area(const std::vector<Point2>& ring)
{
    double twice = 0.0;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        twice += ring[j].first * ring[i].second - ring[i].first * ring[j].second;
    return std::abs(twice) / 2.0;
}

Point2 Centroid(const std::vector<Point2>& ring)
{
    double x = 0.0, y = 0.0;
    for (const auto& p : ring) {
        x += p.first;
        y += p.second;
    }
    return {x / ring.size(), y / ring.size()};
}

std::vector<Parcel> MakeParcels(Random& random)
{
    std::vector<Parcel> parcels;
    int northNumber = 1, southNumber = 1;
    const std::array<std::pair<double, double>, 2> blocks = {{{6.0, SideStreetX - SideStreetHalfWidth - 2.5},
                                                              {SideStreetX + SideStreetHalfWidth + 2.5, 394.0}}};
    for (const bool north : {true, false}) {
        for (const auto& [from, to] : blocks) {
            double x0 = from;
            while (to - x0 >= 20.0) {
                double x1 = x0 + random.Uniform(26.0, 34.0);
                if (to - x1 < 20.0)
                    x1 = to;
                const double gap = 1.5;
                const double depth = north ? 52.0 : 46.0;
                Parcel parcel;
                parcel.north = north;
                if (north) {
                    const double b0 = RoadCentre(x0) + RoadHalfWidth + gap;
                    const double b1 = RoadCentre(x1) + RoadHalfWidth + gap;
                    parcel.ring = {{x0, b0}, {x1, b1}, {x1, b1 + depth}, {x0, b0 + depth}};
                    parcel.number = "1234/" + std::to_string(northNumber++);
                } else {
                    const double b0 = RoadCentre(x0) - RoadHalfWidth - gap;
                    const double b1 = RoadCentre(x1) - RoadHalfWidth - gap;
                    parcel.ring = {{x0, b0 - depth}, {x1, b1 - depth}, {x1, b1}, {x0, b0}};
                    parcel.number = "1251/" + std::to_string(southNumber++);
                }
                parcels.push_back(parcel);
                x0 = x1;
            }
        }
    }
    return parcels;
}

// A house in its parcel: a rectangle or an L, set back from the road, with a gable or a flat roof.
SampleBuilding MakeHouse(const Parcel& parcel, const Terrain& terrain, Random& random)
{
    const auto& ring = parcel.ring;
    const double x0 = ring[0].first, x1 = ring[1].first;
    const double roadSide = parcel.north ? std::max(ring[0].second, ring[1].second) : std::min(ring[2].second, ring[3].second);
    const double width = std::min(random.Uniform(9.0, 13.0), (x1 - x0) - 8.0);
    const double depth = random.Uniform(10.0, 13.0);
    const double setback = random.Uniform(6.0, 9.0);
    const double cx = (x0 + x1) / 2.0 + random.Uniform(-2.0, 2.0);
    const double yNear = parcel.north ? roadSide + setback : roadSide - setback - depth;
    const double left = cx - width / 2, right = cx + width / 2, bottom = yNear, top = yNear + depth;

    SampleBuilding house;
    if (random.Chance(0.3)) {
        const double notchX = left + width * 0.55, notchY = bottom + depth * 0.5;
        house.footprint = {{left, bottom}, {right, bottom}, {right, notchY}, {notchX, notchY}, {notchX, top}, {left, top}};
    } else {
        house.footprint = {{left, bottom}, {right, bottom}, {right, top}, {left, top}};
    }
    double lowest = 1e9;
    for (const auto& [x, y] : house.footprint)
        lowest = std::min(lowest, terrain.Height(x, y));
    house.baseElevation = std::round((lowest - 0.3) * 100.0) / 100.0;
    house.topElevation = std::round((house.baseElevation + random.Uniform(6.2, 8.8)) * 100.0) / 100.0;
    if (house.footprint.size() == 4 && random.Chance(0.7)) {
        // A gable roof: the ridge runs along the longer side, 3 to 4 m above the eaves.
        const double ridge = house.topElevation + random.Uniform(3.0, 4.2);
        if (width >= depth) {
            const double ym = (bottom + top) / 2;
            house.roofPoints = {{left + 0.6, ym, ridge}, {right - 0.6, ym, ridge}};
        } else {
            const double xm = (left + right) / 2;
            house.roofPoints = {{xm, bottom + 0.6, ridge}, {xm, top - 0.6, ridge}};
        }
    }
    return house;
}

SampleBuilding MakeBarn(double cx, double cy, const Terrain& terrain)
{
    SampleBuilding barn;
    barn.footprint = {{cx - 14, cy - 6}, {cx + 14, cy - 6}, {cx + 14, cy + 6}, {cx - 14, cy + 6}};
    double lowest = 1e9;
    for (const auto& [x, y] : barn.footprint)
        lowest = std::min(lowest, terrain.Height(x, y));
    barn.baseElevation = std::round((lowest - 0.2) * 100.0) / 100.0;
    barn.topElevation = barn.baseElevation + 5.5;
    barn.roofPoints = {{cx - 13.5, cy, barn.topElevation + 3.0}, {cx + 13.5, cy, barn.topElevation + 3.0}};
    return barn;
}

std::vector<Point2> Closed(std::vector<Point2> ring)
{
    ring.push_back(ring.front());
    return ring;
}

std::vector<Point2> ToGrid(const std::vector<Point2>& local)
{
    std::vector<Point2> grid;
    for (const auto& [x, y] : local)
        grid.emplace_back(OriginEastings + x, OriginNorthings + y);
    return grid;
}

// Thousands separated by a non-breaking space, two decimals, as Czech documents write numbers.
std::string CzechNumber(double value, int decimals)
{
    const std::string digits = DecimalText(std::abs(value), decimals);
    const size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    // Appended piece by piece: GCC 12 at -O3 sees a false overlap (-Wrestrict) in
    // `"," + std::string`, which inserts at the front.
    std::string text = value < 0 ? "-" : "";
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            text += "\u00A0";
        text += whole[i];
    }
    if (point != std::string::npos) {
        text += ',';
        text.append(digits, point + 1);
    }
    return text;
}

}  // namespace

SamplePlot GenerateSamplePlot(std::uint32_t seed)
{
    Random random(seed);
    const Terrain terrain{seed};

    SamplePlot plot;
    plot.name = "Průhonice";
    plot.originEastings = OriginEastings;
    plot.originNorthings = OriginNorthings;
    plot.tileSize = TileSize;

    std::vector<Parcel> parcels = MakeParcels(random);
    // The building plot: the north-side parcel that holds the middle of the tile.
    size_t plotIndex = 0;
    for (size_t i = 0; i < parcels.size(); ++i) {
        const auto& ring = parcels[i].ring;
        if (parcels[i].north && ring[0].first <= 200.0 && ring[1].first >= 200.0)
            plotIndex = i;
    }
    const Parcel& plotParcel = parcels[plotIndex];
    plot.parcelNumber = plotParcel.number;
    plot.plotBoundary = ToGrid(plotParcel.ring);
    const Point2 plotCentre = Centroid(plotParcel.ring);
    plot.surveyEastings = OriginEastings + std::round(plotCentre.first * 100.0) / 100.0;
    plot.surveyNorthings = OriginNorthings + std::round(plotCentre.second * 100.0) / 100.0;
    plot.surveyHeight = std::round(terrain.Height(plotCentre.first, plotCentre.second) * 100.0) / 100.0;
    plot.latitude = 49.99251;
    plot.longitude = 14.55307;

    std::vector<SampleBuilding> localBuildings;
    for (size_t i = 0; i < parcels.size(); ++i) {
        if (i != plotIndex && random.Chance(0.72))
            localBuildings.push_back(MakeHouse(parcels[i], terrain, random));
    }
    localBuildings.push_back(MakeBarn(300.0, 40.0, terrain));
    localBuildings.push_back(MakeBarn(335.0, 20.0, terrain));

    // Trees in the gardens and along the stream, for the orthophoto.
    std::vector<Tree> trees;
    for (const auto& parcel : parcels) {
        const Point2 c = Centroid(parcel.ring);
        const int count = static_cast<int>(random.Uniform(2.0, 6.0));
        for (int t = 0; t < count; ++t) {
            const double x = c.first + random.Uniform(-12.0, 12.0);
            const double y = c.second + (parcel.north ? random.Uniform(8.0, 22.0) : random.Uniform(-20.0, -8.0));
            trees.push_back({x, y, random.Uniform(1.8, 3.8)});
        }
    }
    for (double x = 4.0; x < TileSize; x += random.Uniform(5.0, 11.0))
        trees.push_back({x, StreamAxis(x) + random.Uniform(-5.0, 5.0), random.Uniform(2.5, 4.5)});

    // The cadastre drawing, in grid coordinates.
    CadastreLayer boundaries{"KN - hranice parcel", 2, "Solid Line", "lines", {}, {}, {}};
    CadastreLayer outlines{"KN - budovy", 1, "Solid Line", "lines", {}, {}, {}};
    CadastreLayer numbers{"KN - parcelní čísla", 1, "", "texts", {}, {}, {}};
    CadastreLayer corners{"KN - lomové body", 1, "", "points", {}, {}, {}};
    CadastreLayer roads{"KN - hranice komunikace", 5, "Dashed", "lines", {}, {}, {}};
    std::map<std::pair<long, long>, Point2> uniqueCorners;
    for (const auto& parcel : parcels) {
        boundaries.lines.push_back(ToGrid(Closed(parcel.ring)));
        const Point2 c = Centroid(parcel.ring);
        numbers.texts.push_back({{OriginEastings + c.first, OriginNorthings + c.second}, 2.0, parcel.number});
        for (const auto& [x, y] : parcel.ring)
            uniqueCorners[{std::lround(x * 100), std::lround(y * 100)}] = {OriginEastings + x, OriginNorthings + y};
    }
    for (const auto& [key, corner] : uniqueCorners)
        corners.points.push_back(corner);
    for (const auto& building : localBuildings)
        outlines.lines.push_back(ToGrid(Closed(building.footprint)));
    for (const double side : {-1.0, 1.0}) {
        std::vector<Point2> edge;
        for (double x = 0.0; x <= TileSize; x += 10.0)
            edge.emplace_back(OriginEastings + x, OriginNorthings + RoadCentre(x) + side * RoadHalfWidth);
        roads.lines.push_back(edge);
    }
    plot.cadastre = {boundaries, outlines, numbers, corners, roads};

    // The orthophoto of the tile, and the same view as the texture of the terrain and the roofs.
    Scene scene;
    scene.terrain = [terrain](double x, double y) { return terrain.Height(x, y); };
    scene.roadCentre = RoadCentre;
    scene.roadHalfWidth = RoadHalfWidth;
    scene.sideStreetX = SideStreetX;
    scene.sideStreetHalfWidth = SideStreetHalfWidth;
    scene.streamAxis = StreamAxis;
    for (const auto& parcel : parcels)
        scene.gardens.push_back(parcel.ring);
    for (const auto& building : localBuildings)
        scene.roofs.push_back({building.footprint, building.roofPoints.empty() ? std::vector<Point2>{}
                                                                                : std::vector<Point2>{{building.roofPoints[0].x, building.roofPoints[0].y},
                                                                                                      {building.roofPoints[1].x, building.roofPoints[1].y}}});
    scene.trees = trees;
    scene.seed = seed;
    const int pixels = static_cast<int>(TileSize / PixelSize);
    plot.orthophoto = RenderAerialView(scene, TileSize, pixels, "image/jpeg");
    plot.drapeTexture = RenderAerialView(scene, TileSize, pixels, "image/jpeg", plot.surveyEastings - OriginEastings,
                                         plot.surveyNorthings - OriginNorthings);

    // Measured terrain points: a 2 m grid with a little scatter, as a laser survey thins out to.
    for (int j = 0; j < 200; ++j) {
        for (int i = 0; i < 200; ++i) {
            const double x = 1.0 + i * 2.0 + random.Uniform(-0.35, 0.35);
            const double y = 1.0 + j * 2.0 + random.Uniform(-0.35, 0.35);
            plot.terrainPoints.push_back({OriginEastings + x, OriginNorthings + y, terrain.Height(x, y)});
        }
    }
    const std::vector<Point2> outline = {{12, 6}, {200, 3}, {390, 10}, {396, 200}, {388, 392}, {205, 397}, {8, 390}, {4, 190}};
    plot.terrainOutline = ToGrid(outline);

    for (auto building : localBuildings) {
        building.footprint = ToGrid(building.footprint);
        for (auto& p : building.roofPoints) {
            p.x += OriginEastings;
            p.y += OriginNorthings;
        }
        plot.buildings.push_back(building);
    }

    double lowest = 1e9, highest = -1e9;
    for (const auto& p : plot.terrainPoints) {
        lowest = std::min(lowest, p.z);
        highest = std::max(highest, p.z);
    }
    const double area = Area(plotParcel.ring);
    plot.projectInfo = {{"Katastrální území", plot.name + " (729442)"},
                        {"Číslo parcely", plot.parcelNumber},
                        {"Druh pozemku", "zahrada"},
                        {"Výměra pozemku", CzechNumber(std::round(area), 0) + " m²"},
                        {"Nadmořská výška", CzechNumber(plot.surveyHeight, 2) + " m n. m. (Bpv)"},
                        {"Souřadnicový systém", "S-JTSK / Krovak East North (EPSG:5514)"}};

    plot.report = "Zpráva o pozemku\n"
                  "================\n\n"
                  "Katastrální území: " + plot.name + " (729442)\n"
                  "Parcela: " + plot.parcelNumber + ", druh pozemku zahrada\n"
                  "Výměra: " + CzechNumber(std::round(area), 0) + " m²\n\n"
                  "Vztažný bod (S-JTSK, EPSG:5514):\n"
                  "  Y = " + CzechNumber(plot.surveyEastings, 2) + " m\n"
                  "  X = " + CzechNumber(plot.surveyNorthings, 2) + " m\n"
                  "  H = " + CzechNumber(plot.surveyHeight, 2) + " m n. m. (Bpv)\n\n"
                  "Terén: " + std::to_string(plot.terrainPoints.size()) + " měřených bodů, výšky " +
                  CzechNumber(lowest, 1) + " až " + CzechNumber(highest, 1) + " m n. m.\n"
                  "Okolní zástavba: " + std::to_string(plot.buildings.size()) + " budov\n"
                  "Sousední parcely: " + std::to_string(parcels.size() - 1) + "\n\n"
                  "Podklady: katastrální mapa, ortofoto, digitální model reliéfu 5. generace a "
                  "3D budovy ČÚZK. Data jsou orientační; pro projektovou dokumentaci je ověřte "
                  "zaměřením.\n";
    return plot;
}

std::string DecimalText(double value, int decimals)
{
    // Wide enough for any double at the few decimals asked for here.
    char buffer[512];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string TerrainPointsText(const std::vector<Point3>& points, double shiftX, double shiftY)
{
    std::string text;
    text.reserve(points.size() * 28);
    for (const auto& p : points) {
        text += DecimalText(p.x - shiftX, 2);
        text += ' ';
        text += DecimalText(p.y - shiftY, 2);
        text += ' ';
        text += DecimalText(p.z, 2);
        text += '\n';
    }
    return text;
}

}  // namespace samples
