// The scenario path for a 1M-point terrain call: a 30 MB scenario file read and its one step run as
// a GetVersion call with PlaceTerrain's arguments (the call ignores them, so what is timed is the
// file's reading and the making of the page's values). Beside it, in the same iteration, its anchor:
// a std::from_chars loop over the same points text. Times are the thread's processor time (the
// wall clock's ratio is printed too).

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "Anchors.hpp"
#include "HostApiVersions.hpp"
#include "ModuleSession.hpp"
#include "cli/Scenario.hpp"
#include "Simulator.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::string WriteScenario()
{
    nlohmann::json outline = nlohmann::json::array();
    for (int i = 0; i < 12; ++i)
        outline.push_back({-744000.0 + 80.0 * i + 0.25, -1043800.0 + (i % 2 == 0 ? 10.5 : 990.5)});
    const nlohmann::json args = {"dmr5g", bench::TerrainPointsText(), 250.0, outline, "Terén", 1, 2, 3, 1, "", 0, 0};
    const nlohmann::json scenario = {{"api", landfetch::DefaultHostApiVersion},
                                     {"steps", {{{"menu", {32500, 1}}}, {{"call", "GetVersion"}, {"args", args}}}}};
    const std::string path =
        (std::filesystem::temp_directory_path() / ("landfetch-scenario-bench-" + std::to_string(getpid()) + ".json"))
            .string();
    std::ofstream(path, std::ios::binary) << scenario.dump();
    return path;
}

void ScenarioPath(benchmark::State& state)
{
    const std::string path = WriteScenario();
    double anchor = 0.0, reading = 0.0, steps = 0.0, anchorWall = 0.0, scenarioWall = 0.0;
    for (auto _ : state) {
        // A fresh simulator each time, started outside the timing, as `run` has it before the steps.
        test::ModuleSession session({.palette = test::SessionSetup::Palette::Closed});
        sim::Simulator& simulator = session.sim;
        const auto wallStart = Clock::now();
        const double start = bench::ThreadSeconds();
        benchmark::DoNotOptimize(bench::FromCharsSum(bench::TerrainPointsText()));
        const double anchored = bench::ThreadSeconds();
        const auto wallMiddle = Clock::now();
        const sim::Scenario scenario = sim::ReadScenario(path);
        const double read = bench::ThreadSeconds();
        std::ostringstream lines;
        sim::RunScenarioSteps(simulator, scenario, lines);
        const double ran = bench::ThreadSeconds();
        const auto wallEnd = Clock::now();
        if (lines.str().find("\"reply\":\"" LANDFETCH_ADDON_VERSION "\"") == std::string::npos)
            state.SkipWithError(("the call did not reply: " + lines.str().substr(0, 200)).c_str());
        anchor += anchored - start;
        reading += read - anchored;
        steps += ran - read;
        anchorWall += std::chrono::duration<double>(wallMiddle - wallStart).count();
        scenarioWall += std::chrono::duration<double>(wallEnd - wallMiddle).count();
        state.SetIterationTime(ran - anchored);
    }
    std::filesystem::remove(path);
    const double runs = static_cast<double>(state.iterations());
    state.counters["anchor_ms"] = anchor / runs * 1e3;
    state.counters["read_ms"] = reading / runs * 1e3;
    state.counters["steps_ms"] = steps / runs * 1e3;
    state.counters["x_anchor"] = (reading + steps) / anchor;
    state.counters["wall_x_anchor"] = scenarioWall / anchorWall;
}

BENCHMARK(ScenarioPath)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
