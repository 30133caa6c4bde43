// The nearest-point grid and the snapping that uses it against the full scan, on random points
// with many ties and duplicates, lines, clusters and far queries.

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "NearestPointIndex.hpp"
#include "PlainAlgorithms.hpp"

namespace {

using Random = std::mt19937_64;

std::size_t Pick(Random& random, std::size_t count)
{
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
}

// Points on a coarse lattice with many duplicates, so that equal distances are the rule.
std::vector<API_Coord3D> TiedPoints(Random& random, std::size_t count, double originX, double originY, int spread)
{
    std::vector<API_Coord3D> points;
    for (std::size_t i = 0; i < count; ++i) {
        points.push_back({originX + static_cast<double>(Pick(random, static_cast<std::size_t>(spread))),
                          originY + static_cast<double>(Pick(random, static_cast<std::size_t>(spread))) * 0.5,
                          static_cast<double>(i)});
    }
    return points;
}

TEST(NearestPointIndex, AnswersAsTheFullScanWithTiesAndDuplicates)
{
    Random random(5514);
    for (int round = 0; round < 60; ++round) {
        const double originX = Pick(random, 2) ? 0.0 : -743500.0;
        const double originY = Pick(random, 2) ? 0.0 : -1043250.0;
        const int spread = 1 + static_cast<int>(Pick(random, 40));
        const auto points = TiedPoints(random, 64 + Pick(random, 3000), originX, originY, spread);
        const Placement::NearestPointIndex index(points);
        for (int query = 0; query < 300; ++query) {
            // Half steps put queries exactly between lattice points.
            const double x = originX + static_cast<double>(Pick(random, static_cast<std::size_t>(4 * spread + 8))) * 0.5 - 2.0;
            const double y = originY + static_cast<double>(Pick(random, static_cast<std::size_t>(2 * spread + 8))) * 0.25 - 1.0;
            ASSERT_EQ(index.Nearest(x, y), Placement::NearestPoint(points, x, y))
                << "round " << round << " query " << x << " " << y;
        }
    }
}

TEST(NearestPointIndex, AnswersAsTheFullScanForLinesSinglePointsAndFarQueries)
{
    Random random(77);
    std::vector<std::vector<API_Coord3D>> sets;
    sets.push_back(std::vector<API_Coord3D>(100, API_Coord3D{3.0, 4.0, 1.0}));  // one place, 100 times
    std::vector<API_Coord3D> line;
    for (int i = 0; i < 500; ++i)
        line.push_back({static_cast<double>(Pick(random, 50)), 7.0, static_cast<double>(i)});
    sets.push_back(line);
    std::vector<API_Coord3D> strip;
    for (int i = 0; i < 500; ++i)
        strip.push_back({static_cast<double>(i) * 1000.0, static_cast<double>(Pick(random, 3)) * 1e-6, 0.0});
    sets.push_back(strip);
    std::vector<API_Coord3D> clusters;
    for (int i = 0; i < 600; ++i)
        clusters.push_back({(i % 2 ? 1e9 : -1e9) + static_cast<double>(Pick(random, 10)), static_cast<double>(Pick(random, 10)), 0.0});
    sets.push_back(clusters);
    std::vector<API_Coord3D> huge;
    for (int i = 0; i < 100; ++i)
        huge.push_back({(i % 2 ? 1e200 : -1e200), static_cast<double>(i), 0.0});
    sets.push_back(huge);

    const double queries[][2] = {{0, 0},     {3, 4},      {3.5, 4},  {25, 7},    {-1e14, 0}, {1e15, 1e15},
                                 {2e15, 0},  {0, -3e15},  {1e16, 0}, {1e9, 5},   {-1e9, 5},  {499000, 0},
                                 {1e300, 0}, {-1e300, 1}, {0, 1e200}};
    for (std::size_t set = 0; set < sets.size(); ++set) {
        const Placement::NearestPointIndex index(sets[set]);
        for (const auto& query : queries)
            EXPECT_EQ(index.Nearest(query[0], query[1]), Placement::NearestPoint(sets[set], query[0], query[1]))
                << "set " << set << " query " << query[0] << " " << query[1];
        const double nan = std::nan("");
        EXPECT_EQ(index.Nearest(nan, 0.0), Placement::NearestPoint(sets[set], nan, 0.0));
    }
}

TEST(SnapOutline, PicksWhatTheFullScanPicksOnRandomTerrains)
{
    Random random(1043);
    for (int round = 0; round < 40; ++round) {
        const int spread = 5 + static_cast<int>(Pick(random, 60));
        const auto points = TiedPoints(random, 100 + Pick(random, 4000), -743500.0, -1043250.0, spread);
        const Placement::PointBounds bounds = Placement::BoundsOf(points);
        Placement::Outline outline;
        const std::size_t vertices = 3 + Pick(random, 30);
        for (std::size_t i = 0; i < vertices; ++i) {
            outline.emplace_back(-743500.0 - 5.0 + static_cast<double>(Pick(random, static_cast<std::size_t>(2 * spread + 10))) * 0.5,
                                 -1043250.0 - 5.0 + static_cast<double>(Pick(random, static_cast<std::size_t>(spread + 10))) * 0.5);
        }
        Placement::Outline fastOutline = outline, plainOutline = outline;
        std::vector<double> fastHeights, plainHeights;
        const bool fast = Placement::SnapOutline(points, bounds, fastOutline, fastHeights);
        const bool expected = plain::SnapOutline(points, bounds, plainOutline, plainHeights);
        ASSERT_EQ(fast, expected) << "round " << round;
        EXPECT_EQ(fastOutline, plainOutline) << "round " << round;
        EXPECT_EQ(fastHeights, plainHeights) << "round " << round;

        std::vector<double> scanned;
        for (const auto& vertex : outline)
            scanned.push_back(points[Placement::NearestPoint(points, vertex.first, vertex.second)].z);
        EXPECT_EQ(Placement::NearestHeights(points, outline), scanned) << "round " << round;
    }
}

}  // namespace
