// PlaceTerrain's own share against a from_chars loop over the same points text in 8 bits.
//
// Each iteration first runs the anchor (std::from_chars over every number of the text, skipping
// blanks and line breaks), then the bound PlaceTerrain function with page values built once, so
// that the simulator's JSON page path is not counted. The add-on's share is the call minus the
// time spent inside host operations, and its peak memory is counted as AddOnShare.hpp describes.
// After each call the placement is undone outside the timing.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "AddOnShare.hpp"
#include "ModuleSession.hpp"

namespace {

// Points on a 1 m lattice around a Czech plot, as the 1 m models give them, one "x y z" per line.
std::string PointsText(std::size_t count)
{
    const std::size_t side = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(count))));
    std::string text;
    text.reserve(count * 32);
    char line[96];
    for (std::size_t i = 0; i < count; ++i) {
        const double x = -744000.0 + static_cast<double>(i % side) + 0.37;
        const double y = -1043800.0 + static_cast<double>(i / side) + 0.84;
        const double z = 250.0 + 12.0 * std::sin(x * 0.013) * std::cos(y * 0.007) + static_cast<double>(i % 7) * 0.01;
        const int length = std::snprintf(line, sizeof line, "%.2f %.2f %.2f\n", x, y, z);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

double SideOf(std::size_t count)
{
    return std::ceil(std::sqrt(static_cast<double>(count)));
}

// A closed ring of `vertices` around the middle of the points, inside them.
GS::Ref<JS::Base, GS::Counter> Outline(std::size_t count, std::size_t vertices)
{
    const double side = SideOf(count);
    const double centreX = -744000.0 + side / 2.0, centreY = -1043800.0 + side / 2.0;
    auto outline = GS::NewRef<JS::Array>();
    for (std::size_t i = 0; i < vertices; ++i) {
        const double angle = 2.0 * M_PI * static_cast<double>(i) / static_cast<double>(vertices);
        const double radius = side * (i % 2 ? 0.42 : 0.45);
        auto vertex = GS::NewRef<JS::Array>();
        vertex->AddItem(GS::NewRef<JS::Value>(centreX + radius * std::cos(angle)));
        vertex->AddItem(GS::NewRef<JS::Value>(centreY + radius * std::sin(angle)));
        outline->AddItem(vertex);
    }
    return outline;
}

GS::Ref<JS::Base, GS::Counter> Arguments(const std::string& text, std::size_t count, std::size_t vertices, bool exact)
{
    auto args = GS::NewRef<JS::Array>();
    args->AddItem(GS::NewRef<JS::Value>(GS::UniString("dmp1g")));
    args->AddItem(GS::NewRef<JS::Value>(GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8)));
    args->AddItem(GS::NewRef<JS::Value>(250.0));
    args->AddItem(Outline(count, vertices));
    for (int i = 0; i < 4; ++i)
        args->AddItem(GS::NewRef<JS::Value>(GS::UniString()));
    args->AddItem(GS::NewRef<JS::Value>(exact ? 1.0 : 0.0));
    return args;
}

// The anchor: every number of the text through std::from_chars.
double FromCharsLoop(const std::string& text)
{
    const char* cursor = text.data();
    const char* const end = cursor + text.size();
    double sum = 0.0;
    while (cursor < end) {
        while (cursor < end && (*cursor == ' ' || *cursor == '\n'))
            ++cursor;
        double value = 0.0;
        const auto result = std::from_chars(cursor, end, value);
        if (result.ec != std::errc()) {
            ++cursor;
            continue;
        }
        sum += value;
        cursor = result.ptr;
    }
    return sum;
}

double Seconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Session {
    test::ModuleSession module;
    sim::Simulator& simulator = module.sim;
    GS::Ref<JS::Function, GS::Counter> placeTerrain;

    Session()
    {
        share::TimeHostOperations(simulator);
        placeTerrain = share::PageFunction(simulator, "PlaceTerrain");
    }
};

struct Figures {
    double anchor = 0.0, share = 0.0, host = 0.0, peak = 0.0;
    int runs = 0;
    void Add(double anchorSeconds, const share::Measured& measured)
    {
        anchor += anchorSeconds;
        share += measured.ShareSeconds();
        host += measured.hostSeconds;
        peak = std::max(peak, static_cast<double>(measured.peakBytes));
        ++runs;
    }
};

void Report(benchmark::State& state, const Figures& figures, std::size_t textBytes)
{
    const double runs = figures.runs;
    state.counters["anchor_ms"] = figures.anchor / runs * 1e3;
    state.counters["share_ms"] = figures.share / runs * 1e3;
    state.counters["host_ms"] = figures.host / runs * 1e3;
    state.counters["share_x_anchor"] = figures.share / figures.anchor;
    state.counters["peak_MB"] = figures.peak / 1e6;
    state.counters["text_MB"] = static_cast<double>(textBytes) / 1e6;
    state.counters["peak_x_text"] = figures.peak / static_cast<double>(textBytes);
}

void Place(benchmark::State& state, std::size_t vertices, bool exact)
{
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const std::string text = PointsText(count);
    const auto args = Arguments(text, count, vertices, exact);
    Session session;
    Figures figures;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(FromCharsLoop(text));
        const double anchor = Seconds(start);
        const share::Measured measured = share::MeasureCall(session.placeTerrain, args);
        if (measured.reply.rfind("kod=0 ", 0) != 0)
            state.SkipWithError(measured.reply.c_str());
        state.SetIterationTime(measured.ShareSeconds());
        figures.Add(anchor, measured);
        session.simulator.Undo(1);
    }
    Report(state, figures, text.size());
}

// 12 vertices, snapped to the measured points.
void PlaceTerrainSnapped(benchmark::State& state)
{
    Place(state, 12, false);
}

// 2,000 vertices kept as given, each with the height of its nearest point.
void PlaceTerrainExactOutline2000(benchmark::State& state)
{
    Place(state, 2000, true);
}

// How the share grows from 1M to 4M points, both measured in every iteration.
void PlaceTerrainGrowth(benchmark::State& state)
{
    const std::string small = PointsText(1000000), large = PointsText(4000000);
    const auto smallArgs = Arguments(small, 1000000, 12, false);
    const auto largeArgs = Arguments(large, 4000000, 12, false);
    Session session;
    double smallShare = 0.0, largeShare = 0.0;
    for (auto _ : state) {
        const share::Measured one = share::MeasureCall(session.placeTerrain, smallArgs);
        session.simulator.Undo(1);
        const share::Measured four = share::MeasureCall(session.placeTerrain, largeArgs);
        session.simulator.Undo(1);
        if (one.reply.rfind("kod=0 ", 0) != 0 || four.reply.rfind("kod=0 ", 0) != 0)
            state.SkipWithError("placement failed");
        smallShare += one.ShareSeconds();
        largeShare += four.ShareSeconds();
        state.SetIterationTime(four.ShareSeconds());
    }
    state.counters["share_1M_ms"] = smallShare / static_cast<double>(state.iterations()) * 1e3;
    state.counters["share_4M_ms"] = largeShare / static_cast<double>(state.iterations()) * 1e3;
    state.counters["4M_x_1M"] = largeShare / smallShare;
}

BENCHMARK(PlaceTerrainSnapped)->Arg(1000000)->Arg(4000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PlaceTerrainExactOutline2000)->Arg(1000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PlaceTerrainGrowth)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
